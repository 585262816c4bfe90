// A font that a language back end has sent to the printer (or matched with one the printer holds):
// GDownloadedFontImp is the shared body with its printer name, state, printer memory and the set of
// glyphs already sent; GDownloadedFont is a counted handle on it. The back end's downloaded-font
// list holds one handle, and each font that uses the body another.
//
// Handles count themselves in the body. When the last handle but one goes (only the list still
// holds the font), the body is released: the printer forgets it and its memory is given back. The
// last handle deletes the body.
//
// Owner: the back end that sent the font, told of the memory the font takes and gives back and of
// fonts it must remove. The downloaded-font list detaches it from every body before its handles
// go, so that a body outliving its back end never calls into it.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/output/fonts/GSparseBitSet.h"
#include "rw/RWCString.h"

class GLanguagePeripheral;

class GDownloadedFontImp {
 public:
  // The state of a downloaded font.
  static constexpr std::uint32_t kNotDownloaded = 0;
  static constexpr std::uint32_t kResident = 1;  // a printer-resident font
  static constexpr std::uint32_t kBitmap = 2;    // bitmap font downloaded
  static constexpr std::uint32_t kTrueType = 3;  // TrueType font downloaded

  explicit GDownloadedFontImp(GLanguagePeripheral* owner);
  GDownloadedFontImp(const GDownloadedFontImp&) = delete;
  GDownloadedFontImp& operator=(const GDownloadedFontImp&) = delete;
  virtual ~GDownloadedFontImp() = default;

  // Marks the font invalid: the text handler drops it and looks it up again.
  virtual void Invalidate() { valid_ = 0; }
  virtual void SetState(std::uint32_t state) { state_ = state; }
  // The font takes `bytes` more of printer memory, reserved in the owner's budget.
  virtual void AddBytes(std::uint32_t bytes);
  // The resident font's description, or another identity the back end gives the font.
  virtual void SetId(std::uintptr_t id) { id_ = id; }
  // When the font takes printer memory: the owner removes it from the printer (unless it is
  // resident) and gets its memory back; glyph count, byte count and glyph set become empty.
  // Without an owner only the font's own bookkeeping is cleared. A font without memory is left as
  // it is.
  virtual void Release();
  virtual void SetSequence(std::uint16_t sequence) { sequence_ = sequence; }
  virtual void AddGlyphBytes(std::uint16_t count) { glyph_bytes_ += count; }
  virtual void SetLastUse(std::uint32_t last_use) { last_use_ = last_use; }
  virtual void SetExtra(std::uint32_t extra) { extra_ = extra; }
  // False when memory is short.
  virtual bool AddGlyph(std::uint32_t glyph) { return glyphs_.Add(glyph); }
  virtual void RemoveGlyph(std::uint32_t glyph) { glyphs_.Remove(glyph); }
  virtual std::uint32_t GetState() const { return state_; }
  virtual std::uint32_t GetByteCount() const { return byte_count_; }
  virtual std::uint32_t IsValid() const { return valid_; }
  virtual std::uintptr_t GetId() const { return id_; }
  virtual std::uint32_t GetLastUse() const { return last_use_; }
  virtual std::uint16_t GetSequence() const { return sequence_; }
  virtual std::uint16_t GetGlyphBytes() const { return glyph_bytes_; }
  virtual std::uint32_t GetExtra() const { return extra_; }
  virtual bool HasGlyph(std::uint32_t glyph) const { return glyphs_.Contains(glyph); }
  // Every glyph of the set, ascending; the last callback result (0 when none).
  virtual std::uint32_t ForEachGlyph(GSparseBitSet::Callback callback, void* context) const {
    return glyphs_.ForEach(callback, context);
  }

  const RWCString& GetName() const { return name_; }
  void SetName(const RWCString& name) { name_ = name; }
  GLanguagePeripheral* GetOwner() const { return owner_; }
  // The font no longer tells its back end anything.
  void DetachOwner() { owner_ = nullptr; }

  // The handles on the body.
  std::int16_t References() const { return references_.load(); }
  void AddReference() { references_.fetch_add(1); }
  // Answers the count left.
  std::int16_t DropReference() { return static_cast<std::int16_t>(references_.fetch_sub(1) - 1); }

 private:
  GLanguagePeripheral* owner_;
  RWCString name_;
  std::uintptr_t id_ = 0;
  std::uint32_t valid_ = 1;
  std::uint16_t sequence_ = 0xFFFF;
  std::uint16_t glyph_bytes_ = 0;
  std::uint32_t byte_count_ = 0;
  std::uint32_t last_use_ = 0;
  std::uint32_t state_ = kNotDownloaded;
  std::uint32_t extra_ = 0;
  GSparseBitSet glyphs_;
  std::atomic<std::int16_t> references_{0};
};

class GDownloadedFont {
 public:
  // Holds the body (one more handle); a null body makes a handle that answers 0 throughout.
  explicit GDownloadedFont(GDownloadedFontImp* body);
  GDownloadedFont(const GDownloadedFont&) = delete;
  GDownloadedFont& operator=(const GDownloadedFont&) = delete;
  // One handle less: at one left the body is released, at none it is deleted.
  virtual ~GDownloadedFont();

  virtual std::uint32_t GetState() const;
  virtual std::uint32_t GetByteCount() const;
  virtual std::uintptr_t GetId() const;
  virtual std::uint16_t GetSequence() const;
  virtual std::uint16_t GetGlyphBytes() const;
  virtual std::uint32_t GetLastUse() const;
  virtual std::uint32_t GetExtra() const;
  virtual bool HasGlyph(std::uint32_t glyph) const;
  virtual std::uint32_t ForEachGlyph(GSparseBitSet::Callback callback, void* context) const;
  virtual std::uint32_t IsValid() const;
  virtual void Invalidate();
  // A new handle of the same kind on the same body (null when memory is short).
  virtual GDownloadedFont* Clone() const = 0;
  virtual void SetState(std::uint32_t state);
  virtual void AddBytes(std::uint32_t bytes);
  virtual void SetId(std::uintptr_t id);
  virtual void Release();
  virtual void SetSequence(std::uint16_t sequence);
  virtual void AddGlyphBytes(std::uint16_t count);
  virtual void SetLastUse(std::uint32_t last_use);
  virtual void SetExtra(std::uint32_t extra);
  virtual bool AddGlyph(std::uint32_t glyph);
  virtual void RemoveGlyph(std::uint32_t glyph);

  // The printer font name (empty without a body).
  const RWCString& GetName() const;
  void SetName(const RWCString& name);
  GDownloadedFontImp* Body() const { return body_; }

 private:
  GDownloadedFontImp* body_;
};
