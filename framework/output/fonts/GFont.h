// GFont: the font of a text command, a small persistent handle on a shared GFontImp (counted in
// the implementation) and on the render device whose downloaded-font table holds it.
//
// The class is abstract: the platform's module derives the bitmap and TrueType fonts.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  the device's cookie (0 without a device)
//   u32  the implementation's font id    } 0xFFFFFFFF and 0xFFFFFFFF without an implementation,
//   u32  the implementation's change count }  which no table ever answers
// Saving also marks the implementation for the next font file and adds it to the device's table.
// A restore finds the device by its cookie through the driver server and asks its table for the
// implementation with at least that change count; the font holds what comes back (one more
// reference), or none when the device is gone, the table lacks the id or holds an older copy.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/fonts/GAngle.h"
#include "framework/output/fonts/GFontRecords.h"

class GCharacterBuffer;
class GDownloadedFont;
class GFontImp;
class GRenderDevice;
class GTextString;

class GFont : public GBaseObject {
 public:
  // What a font without an implementation stores as font id and change count.
  static constexpr std::uint32_t kNoFontId = 0xFFFFFFFF;

  // No implementation, no device (what a restore fills).
  GFont() = default;
  // Holds the implementation (one more reference) and names the device.
  GFont(GFontImp* implementation, GRenderDevice* device);
  // Shares the implementation (one more reference) and the device.
  GFont(const GFont& other);
  GFont& operator=(const GFont& other);
  // One reference less; the implementation is deleted at none.
  ~GFont() override;

  // --- Supplied by the platform's fonts -----------------------------------------------------
  virtual std::uint32_t EncodingCode() const = 0;
  virtual std::int32_t FontKind() const = 0;

  // --- The implementation's values (empty records without one) ---------------------------
  const GFontFaceRecord& GetMetricBlock() const;
  const GFontInstanceRecord& GetTransform() const;
  GAngle GetCharAngle() const;
  std::uint32_t GetFlags() const { return GetTransform().flags; }

  // --- Forwarded to the implementation (0 or null without one) ---------------------------
  std::int32_t MapString(const GTextString& text, GCharacterBuffer& glyphs);
  std::int32_t MapRange(std::uint16_t first, std::uint16_t last, GCharacterBuffer& glyphs);
  std::int32_t CodeMetrics(std::uint32_t code, void* out);
  std::int32_t CodeBitmap(std::uint32_t code, void* out);
  GDownloadedFont* GetDownloadedFont() const;
  // The implementation takes over the downloaded font (deleting the one it held); answers it.
  // Without an implementation the font is deleted and null answered.
  GDownloadedFont* SetDownloadedFont(GDownloadedFont* font);
  GDownloadedFont* TakeDownloadedFont();
  std::uint32_t AddUsedGlyphs(const GTextString& text);
  std::int32_t EnsureDownloaded(const void* glyphs, std::uint32_t flags);

  GFontImp* GetImplementation() const { return implementation_; }
  GRenderDevice* GetDevice() const { return device_; }
  // Answers the device named before.
  GRenderDevice* SetDevice(GRenderDevice* device);
  // Clears the implementation's platform font handle (valid only while the platform call that
  // realised the font lasts); answers the implementation.
  GFontImp* DetachImplementation();

  // --- Persistence ---------------------------------------------------------------------------
  // The root part + 16.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 851 and the root's.
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class, equal keys, and the same implementation or equal ones.
  bool IsSameKey(const GBaseObject* other) const override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GFont"; }

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  void DropImplementation();

  GFontImp* implementation_ = nullptr;
  GRenderDevice* device_ = nullptr;
};
