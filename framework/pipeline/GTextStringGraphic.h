// GTextStringGraphic: the drawing command of one run of text: a font, the character codes, the
// advance of each character and the position of the first one, in device pixels. The graphic owns
// its font, its text string and its escapements and deletes them with itself.
//
// Escapements from positions: with n characters at p[0] .. p[n-1], the x advances are kept when any
// two neighbouring positions differ in x, the y advances when any two differ in y; each kept list
// holds p[i+1] - p[i] for i below n - 1 and 0 last. A list that is not kept is absent (0 for every
// character). One character gets neither list; no characters give an empty text and empty
// escapements, and the origin (0, 0).
//
// Stored form (after the graphic part):
//   u32  class version word, 1
//        the font, the text string and the escapements as object records (the nil record for an
//        absent one)
//   u16  flags
//   i16  origin x, origin y
// Saving first asks the font to make sure the text's glyphs are downloaded (as MakeUnique does);
// saving the font registers it with its device's downloaded-font table. A restore takes the three
// objects and the fields only when all were read; a record of the wrong kind, a reference in place
// of a record, or a damaged record fails the carrier, and the objects read so far are freed.
#pragma once

#include <cstdint>

#include "framework/pipeline/GGraphic.h"
#include "framework/pipeline/GPoint.h"

class GDDAStepper;
class GFont;
class GGraphicBundle;
class GPointList;
class GTextEscapements;
class GTextString;

class GTextStringGraphic : public GGraphic {
 public:
  // No bundle, font, text or escapements; flags 0, origin (0, 0).
  GTextStringGraphic() = default;
  // `count` characters with codes at `codes` (16-bit, of encoding kind `kind`) placed at the first
  // `count` positions. The font is taken over. With `owned` 1 the codes were allocated with new[]
  // and are taken over too; otherwise they are borrowed and must outlive the text (or its
  // MakeUnique). A position list with fewer points than characters leaves the characters past its
  // end where the last point is. `bundle` (null allowed) gets key 244.
  GTextStringGraphic(GFont* font, const std::uint16_t* codes, std::int32_t owned,
                     std::uint32_t kind, const GPointList* positions, std::uint16_t count,
                     GGraphicBundle* bundle);
  GTextStringGraphic(GFont* font, const std::uint16_t* codes, std::int32_t owned,
                     std::uint32_t kind, const GPoint* positions, std::uint16_t count,
                     GGraphicBundle* bundle);
  // Shares the bundle; copies the font, the text and the escapements with their own copies.
  GTextStringGraphic(const GTextStringGraphic& other);
  GTextStringGraphic& operator=(const GTextStringGraphic&) = delete;
  ~GTextStringGraphic() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic part + 4 + the three object records (6 for an absent one) + 6.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: deletes the font, the text and the escapements and lets go of the bundle.
  void ForgetRestoredMembers() override;
  // 804, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, flags, origin, and font, text and escapements each the same
  // object (both absent included) or both present and equal.
  bool IsSameKey(const GBaseObject* other) const override;
  // With a font and a text: has the font make sure the text's glyphs are downloaded. Then makes
  // the text's codes its own.
  void MakeUnique() override;
  // HandleTextStringGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  GFont* GetFont() const { return font_; }
  GTextString* GetTextString() const { return text_; }
  GTextEscapements* GetEscapements() const { return escapements_; }
  std::uint16_t GetFlags() const { return flags_; }
  // The position of the first character.
  const GPoint& GetOrigin() const { return origin_; }
  // Deletes the font held and keeps `font`; the font already held changes nothing.
  void SetFont(GFont* font);

  // Character-set queries over the text's encoding kind and codes.
  // True when a code lies in the user-defined area of the text's kind (16, 17, 18, 21 and 23);
  // false for other kinds, no or an empty text and 8-bit codes.
  bool HasUserDefinedCharacters() const;
  // True when a code of the text is in `codes`: a 16-bit count followed by that many codes in
  // ascending order. False for a null or empty list. 8-bit texts compare their bytes.
  bool ContainsAnyCode(const std::uint16_t* codes) const;
  // True when `byte` opens a two-byte character of the double-byte kind `kind`.
  static bool IsLeadByte(std::uint32_t kind, std::uint8_t byte);
  // 1 for kinds 1 and 16, 2 for the double-byte kinds 17 to 23, 0 for any other.
  static std::uint32_t GetBytesPerCharacter(std::uint32_t kind);

  // Makes the x advances the graphic's own and answers their sum. Only when `stepper` is given
  // and has no steps left, each advance first gets a step: StepBoth for the font's break
  // character, StepAxis2 for every other character.
  std::int32_t SumAdvances(GDDAStepper* stepper);

  static RWClassID ClassId();
  static const char* ClassName() { return "GTextStringGraphic"; }
  static RWCollectable* Create();

 private:
  void Build(GFont* font, const std::uint16_t* codes, std::int32_t owned, std::uint32_t kind,
             const GPoint* positions, std::uint32_t available, std::uint16_t count);
  void EnsureDownloaded() const;
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  // Saving (a const operation) asks the font to download the text's glyphs.
  mutable GFont* font_ = nullptr;
  GTextString* text_ = nullptr;
  GTextEscapements* escapements_ = nullptr;
  std::uint16_t flags_ = 0;
  GPoint origin_;
};
