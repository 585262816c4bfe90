// GTextString: the character codes of one run of text, with their width (8- or 16-bit codes) and
// the encoding kind that says which code set they belong to, and the conversion of a run from one
// kind to another through the process's character translator.
//
// Encoding kinds: 16 is the kind the character translator converts to and from (16-bit
// characters); 1 and 2 are two further kinds; 3 to 12, 14, 15 and 24 to 52 are single-byte kinds;
// 17 to 23 are double-byte kinds.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u16  length n
//   u32  character size: 1 or 2 (any other value: no codes follow)
//   u32  encoding kind
//   n    codes: n bytes for size 1, n 16-bit values for size 2
// Restored codes are owned by the string. A restore takes the fields only when all were read.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/GCharacterBuffer.h"

class GCharTranslator;

class GTextString : public GBaseObject {
 public:
  static constexpr std::uint32_t kTranslatorKind = 16;

  // No codes, length 0, size 0, kind 0.
  GTextString() = default;
  // Takes over `codes`.
  GTextString(GCharacterBuffer codes, std::uint16_t length, std::uint32_t char_size,
              std::uint32_t kind);
  // The same length, size and kind; the codes copied into an owned buffer.
  GTextString(const GTextString& other);
  // `source` converted to `kind`. Conversions to kind 2 of 16-bit codes go through `translator`;
  // the others through the process's character translator (GetCodePageTranslator). A missing
  // translator converts every code to 0.
  GTextString(const GTextString& source, std::uint32_t kind, GCharTranslator* translator);
  GTextString& operator=(const GTextString& other);
  ~GTextString() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 14 + length x character size (sizes 1 and 2).
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class, equal keys, length, size and kind, and the same buffer or
  // equal codes.
  bool IsSameKey(const GBaseObject* other) const override;

  std::uint16_t GetLength() const { return length_; }
  std::uint32_t GetCharSize() const { return char_size_; }
  std::uint32_t GetEncoding() const { return kind_; }
  // The first code, or null for an empty buffer.
  const void* GetData() const { return codes_.Data(); }
  // The code at `index`; 0 at or past the buffer's end.
  std::uint16_t GetCharAt(std::uint32_t index) const { return codes_.At(index); }
  // The GetLength() codes as 16-bit values into `out`; 0 at or past the buffer's end.
  void CopyCodes(std::uint16_t* out) const { codes_.CopyTo(out, length_); }
  // Copies borrowed codes into an owned buffer; the data pointer (null when empty).
  virtual const void* MakeOwned();

  static bool IsSingleByteKind(std::uint32_t kind);

  static RWClassID ClassId();
  static const char* ClassName() { return "GTextString"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GCharacterBuffer codes_;
  std::uint16_t length_ = 0;
  std::uint32_t char_size_ = 0;
  std::uint32_t kind_ = 0;
};
