// GFontDownloader: the list of fonts a language back end has downloaded (or matched with resident
// fonts) in the current job, in the order they were added, with copies of the face and instance
// records of the font each was made for, so that a later text in the same font finds it again. It
// also frees printer memory by evicting the least recently used downloaded font.
//
// GXLFontDownloader is the PCL XL list; the PostScript back end derives its own.
#pragma once

#include <cstdint>

#include "framework/output/fonts/GFontRecords.h"

class GDownloadedFont;
class GFont;

class GFontDownloader {
 public:
  GFontDownloader() = default;
  GFontDownloader(const GFontDownloader&) = delete;
  GFontDownloader& operator=(const GFontDownloader&) = delete;
  // Detaches the back end from every listed font first, so that no font outliving the list calls
  // into it; then invalidates each font and deletes the list's handle.
  virtual ~GFontDownloader();

  // The printer memory all listed fonts take.
  virtual std::uint32_t TotalSize() const;
  // The listed font made for `font`, as a new handle given to the font; null when none suits.
  virtual GDownloadedFont* Find(GFont& font) = 0;
  // Appends an entry with copies of the records and takes the handle: 1, or 0 when memory is short
  // (the handle is then deleted).
  virtual int Add(const GFontFaceRecord& face, const GFontInstanceRecord& transform,
                  GDownloadedFont* font);
  // Releases the least recently used downloaded (bitmap or TrueType) font that takes memory, the
  // first of equals from the head; a font last used at 0xFFFFFFFF is never chosen. Answers the
  // bytes it took (0 when no font qualifies); the entry stays in the list.
  virtual std::uint32_t EvictOne();
  // Releases every listed font, head to tail.
  virtual void EndJob();

 protected:
  struct Entry {
    Entry* next = nullptr;
    GDownloadedFont* font = nullptr;
    GFontFaceRecord face;
    GFontInstanceRecord transform;
  };

  const Entry* Head() const { return head_; }
  // The first entry, from the head, whose face name, italic value, weight and character set
  // equal the font's, and then by the listed font's state:
  //   resident: the matched description is a scalable font of technology 1, or the detail values
  //             are equal (size, instance italic and weight, vertical flag, character angle and
  //             both scales);
  //   TrueType: the font allows outline download and the vertical flags are equal;
  //   bitmap:   the font allows bitmap download and the detail values are equal.
  // The font is given a new handle on the match (GFont::SetDownloadedFont), which is answered;
  // null when none suits.
  GDownloadedFont* FindSuited(GFont& font);
  // The values a resident or bitmap font must also share with the font it was made for: size,
  // instance italic and weight, vertical flag, character angle and both scales.
  static bool SameDetails(const Entry& entry, const GFont& font);

 private:
  Entry* head_ = nullptr;
  Entry* tail_ = nullptr;
};

class GXLFontDownloader : public GFontDownloader {
 public:
  GXLFontDownloader() = default;
  ~GXLFontDownloader() override = default;

  // FindSuited.
  GDownloadedFont* Find(GFont& font) override;
};
