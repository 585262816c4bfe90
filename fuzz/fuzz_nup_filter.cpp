// Derives n-up settings (the group 328 with 266, 267 and 268, a media 259 of any size and
// orientation, 265 and 253) and a few pages (each with or without its own media and orientation,
// and a graphic with or without a transform) from arbitrary bytes, and runs the document through
// the n-up filter into a counting sink. Nothing may crash or be undefined (float-to-integer
// conversions included), and the page starts and ends that reach the sink must balance.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheral.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace {

namespace key = vel::key;

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

GMedia* Media(Bytes& bytes) {
  const std::int16_t size[2] = {bytes.Short(), bytes.Short()};
  const std::int16_t printable[2] = {bytes.Short(), bytes.Short()};
  const std::int16_t origin[2] = {bytes.Short(), bytes.Short()};
  const std::int32_t orientation = bytes.Short();
  return new GMedia("fuzz", size, printable, origin, orientation, 1, 600, 600,
                    key::kSelectedMedia, 0, "", "");
}

// The sink at the end of the chain: counts what it is handed.
class Sink : public GPeripheral {
 public:
  RWCollectable* CreateInstance() const override { return nullptr; }
  RWCollectable* Clone() const override { return nullptr; }
  RWClassID IsA() const override { return 1999; }
  std::uint16_t HandlePageStart(GPageStart& object) override {
    ++starts;
    return GPeripheral::HandlePageStart(object);
  }
  std::uint16_t HandlePageEnd(GPageEnd& object) override {
    ++ends;
    return GPeripheral::HandlePageEnd(object);
  }

  int starts = 0;
  int ends = 0;
};

void Send(GNupFilter& filter, Sink& sink, GCommand* command) {
  GCommandRef held(command);
  GCommandRef filtered(filter.ProcessCommand(held.Release()));
  GCommandRef sunk(sink.ProcessCommand(filtered.Release()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const std::uint8_t flags = bytes.Byte();
  auto* document = new GState(key::kDocumentGroup);
  if ((flags & 1) != 0) {
    auto* group = new GState(key::kNupGroup);
    group->Add(new GValueAttribute(bytes.Word(), key::kPagesPerSheet));
    group->Add(new GValueAttribute(bytes.Word(), key::kPageOrder));
    group->Add(new GValueAttribute(bytes.Word(), key::kNupFrames));
    document->Add(group);
  }
  if ((flags & 2) != 0) {
    document->Add(Media(bytes));
  }
  if ((flags & 4) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kOrientation));
  }
  if ((flags & 8) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kDuplex));
  }
  GNupFilter filter;
  Sink sink;
  Send(filter, sink, new GDocumentStart(RWWString(), RWWString(), nullptr, document, 0));
  const int pages = bytes.Byte() % 9;
  for (int page = 0; page < pages; ++page) {
    const std::uint8_t kind = bytes.Byte();
    auto* state = new GState(key::kPageGroup);
    if ((kind & 1) != 0) {
      state->Add(Media(bytes));
    }
    if ((kind & 2) != 0) {
      state->Add(new GValueAttribute(bytes.Word(), key::kOrientation));
    }
    Send(filter, sink, new GPageStart(state, 0));
    auto* bundle = new GGraphicBundle;
    if ((kind & 4) != 0) {
      const GPoint translation{bytes.Short(), bytes.Short()};
      bundle->SetAttribute(new GTransformAttribute(bytes.Short(), translation, GScale{}));
    }
    const GRect bounds{bytes.Short(), bytes.Short(), bytes.Short(), bytes.Short()};
    Send(filter, sink, new GRectangleGraphic(bounds, bundle, 0));
    Send(filter, sink, new GPageEnd(0));
  }
  Send(filter, sink, new GDocumentEnd(0));
  if (sink.starts != sink.ends) {
    std::abort();
  }
  return 0;
}
