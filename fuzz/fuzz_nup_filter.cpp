// Derives the settings of the page filters from arbitrary bytes and runs a document through the
// chain the driver data file holds ahead of the printer: scale-page, fit-to-size, watermark (over a
// device whose watermark operations check their handles) and n-up, into a counting sink. The
// settings: the n-up group 328 (266, 267, 268), a media 259 of any size and orientation, 265, 253,
// the percentage 269, the print-document-on switch 270 with 271 and a target media 273 of any size
// and orientation, and the watermark group 379 (382, 381, 388, 390). The pages: each with or
// without its own media, orientation and transform, a graphic with or without a transform, and a
// job abort in mid-page. Nothing may crash or be undefined (float-to-integer conversions included);
// the page starts and ends that reach the sink must balance (unless the job was aborted), and the
// device may never be asked to release a handle it did not hand out, or one twice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <set>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GFitToSizeFilter.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GScalePageFilter.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "framework/pipeline/GWatermarkFilter.h"

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

GMedia* Media(Bytes& bytes, std::uint32_t k) {
  const std::int16_t size[2] = {bytes.Short(), bytes.Short()};
  const std::int16_t printable[2] = {bytes.Short(), bytes.Short()};
  const std::int16_t origin[2] = {bytes.Short(), bytes.Short()};
  const std::int32_t orientation = bytes.Short();
  const std::uint16_t resolution = bytes.Word();
  return new GMedia("fuzz", size, printable, origin, orientation, 1, resolution, resolution, k, 0,
                    "", "");
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

// A device whose watermark operations hand out handles (or none) and check every release.
class Device : public GRenderDevice {
 public:
  explicit Device(bool prepares, bool makes) : prepares_(prepares), makes_(makes) {}
  GAttributeComposite* CreateDefaultAttributes() override { return nullptr; }
  GAttributeComposite* CreateAttributeGroup() override { return nullptr; }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  GAttributeComposite* DelegateToOwner() override { return nullptr; }
  std::uint16_t EnsureDocumentStarted() override { return 0; }

  std::uint32_t PrepareWatermark(const GWatermarkDescription& /*description*/,
                                 std::int16_t /*paper_width*/,
                                 std::int16_t /*paper_height*/) override {
    if (!prepares_) {
      return 0;
    }
    outstanding.insert(++last_);
    return last_;
  }
  void ReleaseWatermark(std::uint32_t* handle) override {
    if (handle == nullptr || outstanding.erase(*handle) != 1) {
      std::abort();
    }
  }
  GCommand* MakeWatermark(const RWWString& /*text*/,
                          std::uint32_t handle,
                          const GRGBColor& /*colour*/,
                          const GMedia& media,
                          std::int16_t /*value_387*/) override {
    if (outstanding.count(handle) != 1) {
      std::abort();
    }
    if (!makes_) {
      return nullptr;
    }
    GRect area;
    media.GetPrintableRect(&area.left, &area.top, &area.right, &area.bottom);
    return new GRectangleGraphic(area, nullptr, 0);
  }

  std::set<std::uint32_t> outstanding;

 private:
  bool prepares_;
  bool makes_;
  std::uint32_t last_ = 0;
};

void Send(GPeripheralComposite& chain, GCommand* command) {
  GCommandRef held(command);
  GCommandRef out(chain.ProcessCommand(held.Release()));
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
    document->Add(Media(bytes, key::kSelectedMedia));
  }
  if ((flags & 4) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kOrientation));
  }
  if ((flags & 8) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kDuplex));
  }
  if ((flags & 16) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kScalePercentage));
  }
  if ((flags & 32) != 0) {
    document->Add(new GValueAttribute(bytes.Byte() % 3, key::kSecondMediaRequest));
    document->Add(new GValueAttribute(bytes.Byte(), key::kScaleToFit));
  }
  if ((flags & 64) != 0) {
    document->Add(Media(bytes, key::kSecondMedia));
  }
  std::uint8_t device_kind = 0;
  if ((flags & 128) != 0) {
    device_kind = bytes.Byte();
    auto* group = new GState(key::kWatermarkGroup);
    if ((device_kind & 1) != 0) {
      group->Add(new GValueAttribute(bytes.Byte() % 4, key::kWatermarkPages));
    }
    if ((device_kind & 2) != 0) {
      group->Add(new GValueAttribute(bytes.Byte() % 2, key::kWatermarkNamed));
    }
    group->Add(new GValueAttribute(bytes.Word(), key::kWatermarkStyle));
    group->Add(new GValueAttribute(bytes.Word(), key::kWatermarkSize));
    group->Add(new GStringAttribute("Draft", key::kWatermarkText));
    document->Add(group);
  }
  Device device((device_kind & 4) == 0, (device_kind & 8) == 0);
  auto* sink = new Sink;
  {
    GPeripheralComposite chain;
    chain.Add(new GScalePageFilter);
    chain.Add(new GFitToSizeFilter);
    chain.Add(new GWatermarkFilter);
    chain.Add(new GNupFilter);
    chain.Add(sink);
    chain.Reset();
    Send(chain, new GDocumentStart(RWWString(), RWWString(), &device, document, 0));
    const int pages = bytes.Byte() % 9;
    bool aborted = false;
    for (int page = 0; page < pages && !aborted; ++page) {
      const std::uint8_t kind = bytes.Byte();
      auto* state = new GState(key::kPageGroup);
      if ((kind & 1) != 0) {
        state->Add(Media(bytes, key::kSelectedMedia));
      }
      if ((kind & 2) != 0) {
        state->Add(new GValueAttribute(bytes.Word(), key::kOrientation));
      }
      if ((kind & 8) != 0) {
        const GPoint origin{bytes.Short(), bytes.Short()};
        state->Add(new GTransformAttribute(0, origin, GScale{}));
      }
      Send(chain, (kind & 32) != 0 ? new GPageStart(0) : new GPageStart(state, 0));
      if ((kind & 32) != 0) {
        delete state;
      }
      auto* bundle = new GGraphicBundle;
      if ((kind & 4) != 0) {
        const GPoint translation{bytes.Short(), bytes.Short()};
        bundle->SetAttribute(new GTransformAttribute(bytes.Short(), translation, GScale{}));
      }
      const GRect bounds{bytes.Short(), bytes.Short(), bytes.Short(), bytes.Short()};
      Send(chain, new GRectangleGraphic(bounds, bundle, 0));
      if ((kind & 16) != 0) {
        Send(chain, new GJobAbort(0));
        aborted = true;
        break;
      }
      Send(chain, new GPageEnd(0));
    }
    if (!aborted) {
      Send(chain, new GDocumentEnd(0));
      if (sink->starts != sink->ends) {
        std::abort();
      }
    }
  }
  if (!device.outstanding.empty()) {
    std::abort();
  }
  return 0;
}
