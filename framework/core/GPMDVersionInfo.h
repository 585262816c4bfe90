// GPMDVersionInfo: a persistent record of version data: two versions of a 16-bit major and a 16-bit
// minor part, a 16-bit number, two further 32-bit numbers and an ordered list of strings.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  version 2 (major part in the high 16 bits, minor part in the low 16 bits)
//   u32  version 1 (written after version 2)
//   u16  number
//   u32  extra 1
//   u32  extra 2
//   u32  string count n
//   n    strings, each a u32 length and that many bytes
// A record without strings is 26 bytes after its root part. A restore takes the fields only when
// the whole record could be read.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/core/GStringArray.h"

class GPMDVersionInfo : public GBaseObject {
 public:
  // Key 0, both versions 0, number 1, both extras 0, no strings.
  GPMDVersionInfo() = default;
  GPMDVersionInfo(std::uint32_t version1,
                  std::uint32_t version2,
                  std::uint16_t number,
                  std::uint32_t key);
  GPMDVersionInfo(const GPMDVersionInfo& other) = default;
  GPMDVersionInfo& operator=(const GPMDVersionInfo& other) = default;
  ~GPMDVersionInfo() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class and key, equal numbers and the same strings in order.
  bool IsSameKey(const GBaseObject* other) const override;

  std::uint32_t GetVersion1() const { return version1_; }
  std::uint32_t GetVersion2() const { return version2_; }
  std::uint16_t GetNumber() const { return number_; }
  std::uint32_t GetExtra1() const { return extra1_; }
  std::uint32_t GetExtra2() const { return extra2_; }
  const GStringArray& GetStrings() const { return strings_; }
  void SetExtra1(std::uint32_t value) { extra1_ = value; }
  void SetExtra2(std::uint32_t value) { extra2_ = value; }
  bool AddString(const RWCString& text) { return strings_.Insert(text); }

  // Both answer the old part. The minor part goes up by one unless it is 0xFFFF; the major part
  // goes up by one, with the minor part back at 0, unless it is 0xFFFF.
  std::uint16_t IncrementMinor1() { return IncrementMinor(version1_); }
  std::uint16_t IncrementMajor1() { return IncrementMajor(version1_); }
  std::uint16_t IncrementMinor2() { return IncrementMinor(version2_); }
  std::uint16_t IncrementMajor2() { return IncrementMajor(version2_); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPMDVersionInfo"; }
  static RWCollectable* Create();

 private:
  static std::uint16_t IncrementMinor(std::uint32_t& version);
  static std::uint16_t IncrementMajor(std::uint32_t& version);
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::uint32_t version1_ = 0;
  std::uint32_t version2_ = 0;
  std::uint16_t number_ = 1;
  std::uint32_t extra1_ = 0;
  std::uint32_t extra2_ = 0;
  GStringArray strings_;
};
