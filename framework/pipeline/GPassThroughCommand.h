// GPassThroughCommand: raw bytes for one page-description back end, which writes them to the output
// unchanged. The target class id names the back end that may write them (767 the PCL XL back end,
// 768 the PostScript one); every other back end ignores the command.
//
// The bytes belong to whoever built the command, unless the command allocated them itself (a
// restore, or a copy of a command that owns its bytes): then it owns them and frees them when it
// goes. A copy of a command over caller memory refers to the same memory.
//
// The length is 16-bit in the stored form, so a command carries at most 65,535 bytes: the
// constructor takes a 16-bit length and refuses a wider integer at compile time, and a caller with
// more data splits it. A command without data has length 0.
//
// Stored form (after the command part):
//   u32  class version word, 1
//   u16  length n
//   u16  target class id
//   n    the bytes, when the data pointer is not null
// A restore takes the bytes only when all of them were read (it then owns them); a short read or a
// failed allocation leaves the command as it was and fails the carrier.
#pragma once

#include <cstdint>
#include <type_traits>

#include "framework/pipeline/GCommand.h"

class GPassThroughCommand : public GCommand {
 public:
  // No data, length 0, target 0.
  GPassThroughCommand() = default;
  // Refers to `data` (not owned). Null data gives length 0.
  GPassThroughCommand(const std::uint8_t* data,
                      std::uint16_t length,
                      RWClassID target,
                      std::uint32_t key = 0);
  // A length wider than 16 bits would be cut silently: not accepted.
  template <typename Length>
  requires(std::is_integral_v<Length> && (sizeof(Length) > sizeof(std::uint16_t)))
      GPassThroughCommand(const std::uint8_t* data,
                          Length length,
                          RWClassID target,
                          std::uint32_t key = 0)
  = delete;
  // Same length and target; owned bytes are duplicated (the copy owns the duplicate; when memory
  // is short it has no data and length 0), caller memory is shared.
  GPassThroughCommand(const GPassThroughCommand& other);
  GPassThroughCommand& operator=(const GPassThroughCommand& other);
  // Frees owned bytes.
  ~GPassThroughCommand() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The command part + 8 + the length.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, equal lengths, targets and owned flags, and the same data pointer
  // or, both non-null, equal bytes.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandlePassThroughCommand.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  const std::uint8_t* GetData() const { return data_; }
  std::uint16_t GetLength() const { return length_; }
  RWClassID GetTargetClassId() const { return target_; }
  // 1 when the command frees its bytes, else 0.
  std::int32_t GetOwned() const { return owned_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPassThroughCommand"; }
  static RWCollectable* Create();

 private:
  // Takes the other's pointer, length and target, duplicating owned bytes.
  void CopyData(const GPassThroughCommand& other);
  void FreeData();
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  const std::uint8_t* data_ = nullptr;
  std::uint16_t length_ = 0;
  RWClassID target_ = 0;
  std::int32_t owned_ = 0;
};
