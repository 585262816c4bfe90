// Restores an object record of any registered framework class from arbitrary bytes on each
// carrier: byte 0 picks the carrier (portable, binary, byte-order tagged stream, binary file), the
// rest is the stored record. Only the framework's classes are registered. With bit 2 of byte 0 set,
// bytes 1-2 name a class (little-endian id) and the rest is the contents of a new object of it,
// restored on their own (RestoreContents outside any record); the object must then be safe to save
// and to delete.
//
// A restore must not crash, leak or touch freed memory. A failed restore must answer null; one
// that succeeds must hand out a framework object that no counted pointer holds (or a record), report a stored
// size equal to what saving it to a file writes, save and restore again on its own carrier, and
// then be deleted. A restored bitmap (on its own, behind a handle or in a raster graphic) has every
// row read over several column ranges, each row into a buffer of exactly the size it asks for, and
// a raster graphic has its rectangles clipped. A restored text-string graphic is queried and
// copied.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/GRecord.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBitmapImp.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "framework/pipeline/GRasterPaint.h"
#include "framework/pipeline/GTextStringGraphic.h"
#include "platform/CallLog.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWPortableStream.h"

namespace {

void IgnoreErrors(const RWErrorBase&) {}

// The binary file reads an in-memory file, reached by name through /proc.
struct ScratchFile {
  int fd = memfd_create("fuzz_framework_persist", 0);
  std::string name = "/proc/self/fd/" + std::to_string(fd);

  void Fill(const std::string& bytes) const {
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
      std::abort();
    }
  }
  std::size_t Size() const { return static_cast<std::size_t>(lseek(fd, 0, SEEK_END)); }
};

ScratchFile& Scratch() {
  static ScratchFile file;
  return file;
}

RWCollectable* Restore(int carrier, const std::string& bytes, bool& failed) {
  RWCollectable* root = nullptr;
  if (carrier == 3) {
    Scratch().Fill(bytes);
    RWBinaryFile file(Scratch().name.c_str(), "rb");
    file >> root;
    failed = file.Eof() || file.Error();
    return root;
  }
  std::istringstream in(bytes);
  if (carrier == 0) {
    RWPortableInStream stream(in);
    stream >> root;
    failed = stream.Good() == 0;
  } else if (carrier == 1) {
    RWBinaryInStream stream(in);
    stream >> root;
    failed = stream.Good() == 0;
  } else {
    RWByteOrderInStream stream(in);
    stream >> root;
    failed = stream.Good() == 0;
  }
  return root;
}

std::string Save(int carrier, const RWCollectable* root) {
  if (carrier == 3) {
    Scratch().Fill("");
    RWBinaryFile file(Scratch().name.c_str(), "wb+");
    file << root;
    (void)file.Flush();
    return std::string(Scratch().Size(), '\0');  // only the length is used
  }
  std::ostringstream out;
  if (carrier == 0) {
    RWPortableOutStream stream(out);
    stream << root;
  } else if (carrier == 1) {
    RWBinaryOutStream stream(out);
    stream << root;
  } else {
    RWByteOrderOutStream stream(out, 2);
    stream << root;
  }
  return out.str();
}

// Reads every row of a restored image, whole, in parts and past its edges.
void ReadEveryRow(const GBitmapImp& image) {
  GRect bounds;
  image.GetBounds(bounds);
  const std::int32_t width = (std::int32_t{bounds.right} - bounds.left);
  const std::int32_t ranges[][2] = {{0, width},          {1, width},      {3, width - 2},
                                    {-5, width + 9},     {width / 2, width}, {7, 8}};
  std::vector<std::uint8_t> row;
  for (std::int32_t y = -1; y <= (std::int32_t{bounds.bottom} - bounds.top); ++y) {
    for (const auto& range : ranges) {
      for (std::int32_t grey = 0; grey < 2; ++grey) {
        const std::int32_t x0 = std::max(range[0], 0);
        const std::int32_t x1 = std::min(range[1], width);
        row.assign(image.GetRowByteCount(x0, x1), 0);
        if (image.GetRow(row.data(), range[0], range[1], y, grey) > row.size()) {
          std::abort();
        }
      }
    }
  }
}

void ReadEveryRow(const GBitmap& bitmap) {
  if (bitmap.GetImplementation() != nullptr) {
    ReadEveryRow(*bitmap.GetImplementation());
  }
}

// Reads both bitmaps of a raster graphic and clips its rectangles to its own source rectangle.
void ReadRaster(const GRasterGraphic& raster) {
  ReadEveryRow(raster.Image());
  GBitmap second;
  raster.GetSecondBitmap(second);
  ReadEveryRow(second);
  GRect rect;
  raster.GetSourceRect(rect);
  const GClipToSingleRectangle clip(rect, 0, 1, 0);
  GRect source;
  GRect destination;
  (void)raster.ComputeClippedRects(&clip, source, destination);
}

// Runs the queries of a restored text-string graphic over whatever text and escapements it holds,
// and copies it.
void QueryText(GTextStringGraphic& text) {
  static const std::uint16_t kCodes[] = {3, 0x20, 0x8140, 0xE000};
  (void)text.HasUserDefinedCharacters();
  (void)text.ContainsAnyCode(kCodes);
  GTextStringGraphic copy(text);
  if (!copy.IsSameKey(&text)) {
    std::abort();  // a copy holds equal copies of everything
  }
  copy.MakeUnique();
  (void)copy.SumAdvances(nullptr);
}

// Checks a restored root and deletes it.
void CheckAndDelete(RWCollectable* root, bool failed) {
  if (failed) {
    if (root != nullptr) {
      std::abort();  // a failed restore hands nothing over
    }
    return;
  }
  if (root == nullptr) {
    return;  // the nil record
  }
  // Framework objects, or records (the one registered family outside the framework's root).
  auto* object = dynamic_cast<GBaseObject*>(root);
  if ((object == nullptr && dynamic_cast<GRecord*>(root) == nullptr) ||
      (object != nullptr && object->References() != -1) ||
      root->TotalStoredSize() != Save(3, root).size()) {
    std::abort();
  }
  if (const auto* image = dynamic_cast<const GBitmapImp*>(root)) {
    ReadEveryRow(*image);
  } else if (const auto* bitmap = dynamic_cast<const GBitmap*>(root)) {
    ReadEveryRow(*bitmap);
  } else if (const auto* raster = dynamic_cast<const GRasterGraphic*>(root)) {
    ReadRaster(*raster);
  } else if (const auto* paint = dynamic_cast<const GRasterPaint*>(root)) {
    if (paint->GetImplementation() != nullptr) {
      ReadEveryRow(paint->GetImplementation()->GetBitmap());
    }
  } else if (const auto* pattern = dynamic_cast<const GRasterPaintImp*>(root)) {
    ReadEveryRow(pattern->GetBitmap());
  } else if (auto* text = dynamic_cast<GTextStringGraphic*>(root)) {
    QueryText(*text);
  }
  delete root;
}

// Restores the contents of a new object of class `id` on their own, then saves and deletes it.
void RestoreContentsAlone(int carrier, RWClassID id, const std::string& bytes) {
  RWCollectable* made = CreateByClassId(id);
  auto* object = dynamic_cast<GBaseObject*>(made);
  if (object == nullptr) {
    delete made;
    return;
  }
  if (carrier == 3) {
    Scratch().Fill(bytes);
    RWBinaryFile file(Scratch().name.c_str(), "rb");
    object->RestoreContents(file);
  } else {
    std::istringstream in(bytes);
    if (carrier == 0) {
      RWPortableInStream stream(in);
      object->RestoreContents(stream);
    } else if (carrier == 1) {
      RWBinaryInStream stream(in);
      object->RestoreContents(stream);
    } else {
      RWByteOrderInStream stream(in);
      object->RestoreContents(stream);
    }
  }
  (void)Save(carrier, object);
  delete object;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    SetErrorHook(&IgnoreErrors);
    GRegisterFrameworkClasses();
    // A stored add-on proxy names the library it loads: the fuzzer's inputs load none.
    vel::platform::FailCalls("LoadLibraryW", 0, -1);
    return true;
  }();
  (void)ready;
  if (size < 1) {
    return 0;
  }
  const int carrier = data[0] % 4;
  if ((data[0] & 4) != 0) {
    if (size >= 3) {
      const auto id = static_cast<RWClassID>(data[1] | (data[2] << 8));
      RestoreContentsAlone(carrier, id,
                           std::string(reinterpret_cast<const char*>(data) + 3, size - 3));
    }
    return 0;
  }
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  bool failed = false;
  RWCollectable* root = Restore(carrier, bytes, failed);
  if (!failed && root != nullptr && carrier != 3) {
    // What was accepted saves and restores again.
    bool again_failed = false;
    CheckAndDelete(Restore(carrier, Save(carrier, root), again_failed), again_failed);
  }
  CheckAndDelete(root, failed);
  return 0;
}
