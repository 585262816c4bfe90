// Derives the settings of the page filters from arbitrary bytes and runs a document through the
// chain the driver data file holds ahead of the printer: scale-page, fit-to-size, watermark (over a
// device whose watermark operations check their handles), booklet (recording its pages in a folder
// of its own) and n-up, into a counting sink. The settings: the n-up group 328 (266, 267, 268), a
// media 259 of any size and orientation, 265, 253, the percentage 269, the print-document-on switch
// 270 with 271 and a target media 273 of any size and orientation, the watermark group 379 (382,
// 381, 388, 390), and the booklet's 279, 288 and sheet media 281 of any size and orientation. The
// pages: each with or without its own media, orientation and transform, a graphic with or without
// a transform, and a job abort in mid-page; a graphic may come before the first page. An error
// command in the chain's answer ends the job with a job abort, as the render device does. Nothing
// may crash or be undefined (float-to-integer conversions included); the page starts and ends that
// reach the sink must balance (unless the job was aborted), the booklet lock must be free after
// the job, the device may never be asked to release a handle it did not hand out, or one twice,
// and no page file may outlive the job nor a font file the device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <set>
#include <string>

#include <unistd.h>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GMedia.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/pipeline/BookletLock.h"
#include "framework/pipeline/GBookletFilter.h"
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

// Services that give the booklet a temporary directory of its own; everything else is refused.
class Services : public GOSServices {
 public:
  explicit Services(const std::string& directory) {
    (void)WidenString(RWCString(directory.c_str()), directory_);
  }
  GDeviceSession* CreateUIDriverObject(const GPrinterKey& /*key*/) override { return nullptr; }
  GDeviceSession* CreateRenderDevice(const GPrinterKey& /*key*/) override { return nullptr; }
  GDeviceExtension* CreateDeviceExtension(GRenderDevice* /*device*/) override { return nullptr; }
  GOutputPort* CreateOutputPort(GDeviceSession* /*device*/, const RWWString* /*argument*/,
                                std::uint32_t /*flags*/) override {
    return nullptr;
  }
  GBitmapFontManager* CreateBitmapFontManager() override { return nullptr; }
  GFontMetrics* CreateFontMetrics() override { return nullptr; }
  GCharTranslator* CreateCharacterTranslator() override { return nullptr; }
  GStreamReaderBase* CreateMemoryReader(const std::uint8_t* /*data*/, std::uint32_t /*length*/,
                                        std::int32_t /*format*/) override {
    return nullptr;
  }
  GStreamReaderBase* CreateFileReader(const RWWString& /*name*/, std::int32_t /*format*/) override {
    return nullptr;
  }
  GStreamWriterBase* CreateMemoryWriter(std::uint8_t* /*data*/, std::uint32_t /*capacity*/,
                                        std::int32_t /*format*/) override {
    return nullptr;
  }
  GStreamWriterBase* CreateFileWriter(const RWWString& /*name*/, std::int32_t /*format*/) override {
    return nullptr;
  }
  GSemaphore* CreateSemaphore() override { return nullptr; }
  RWWString& GetDriverDataFileName(RWWString& out, GDeviceSession* /*session*/) override {
    return out = RWWString();
  }
  GLocaleInfo* CreateLocaleInfo() override { return nullptr; }
  RWWString& GetTempDirectory(RWWString& out, GDeviceSession* /*session*/) override {
    return out = directory_;
  }
  void SeedRandom() override {}
  std::int32_t Random() override { return 0; }
  std::int32_t FileExists(const RWWString& /*name*/) override { return 0; }
  std::int32_t CreateEmptyFile(const RWWString& /*name*/) override { return 0; }
  std::int32_t SetPrinterDataNumber(GDeviceSession* /*session*/, const RWWString& /*name*/,
                                    std::uint32_t /*value*/) override {
    return 0;
  }
  std::int32_t SetPrinterDataString(GDeviceSession* /*session*/, const RWWString& /*name*/,
                                    const RWWString& /*value*/) override {
    return 0;
  }
  std::int32_t SetPrinterDataBinary(GDeviceSession* /*session*/, const RWWString& /*name*/,
                                    const std::uint8_t* /*data*/, std::uint32_t /*size*/) override {
    return 0;
  }
  std::uint32_t GetPrinterDataNumber(GDeviceSession* /*session*/, const RWWString& /*name*/,
                                     std::uint32_t dflt) override {
    return dflt;
  }
  RWWString& GetPrinterDataString(RWWString& out, GDeviceSession* /*session*/,
                                  const RWWString& /*name*/, const RWWString& dflt) override {
    return out = dflt;
  }
  std::int32_t GetPrinterDataBinary(GDeviceSession* /*session*/, const RWWString& /*name*/,
                                    std::uint8_t* /*buffer*/, std::uint32_t /*capacity*/,
                                    std::uint32_t* /*size_out*/) override {
    return 0;
  }
  RWWString& GetRegistryString(RWWString& out, const RWWString& /*key*/,
                               const RWWString& /*value*/, const RWWString& dflt) override {
    return out = dflt;
  }
  std::uint32_t GetRegistryNumber(const RWWString& /*key*/, const RWWString& /*value*/,
                                  std::uint32_t dflt) override {
    return dflt;
  }
  std::int32_t RegistryKeyExists(const RWWString& /*key*/) override { return 0; }

 private:
  RWWString directory_;
};

// The booklet's folder, made once per process (with a '/' at its end: the booklet puts its own
// separator behind it).
const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("fuzz_nup_filter_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    new Services(path.string() + "/");
    return path;
  }();
  return folder;
}

bool FolderHolds(const char* extension) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder(), error)) {
    if (entry.path().extension() == extension) {
      return true;
    }
  }
  return false;
}

// Whether the chain's answer is, or holds, an error command.
bool HoldsError(GBaseObject* object) {
  if (object == nullptr) {
    return false;
  }
  if (object->IsA() == vel::classid::kGErrorCommand) {
    return true;
  }
  if (!object->IsKindOf(vel::classid::kGCommandComposite) &&
      !object->IsKindOf(vel::classid::kGCommandCompositeOnDisk)) {
    return false;
  }
  const std::unique_ptr<GIterator> it(object->CreateIterator());
  while (it && it->Advance() != 0) {
    if (HoldsError(it->Current())) {
      return true;
    }
  }
  return false;
}

// Sends the command unless the job has ended; an error in the answer ends the job with a job
// abort, as the render device does.
void Send(GPeripheralComposite& chain, GCommand* command, bool& aborted) {
  GCommandRef held(command);
  if (aborted) {
    return;
  }
  GCommandRef out(chain.ProcessCommand(held.Release()));
  if (HoldsError(out.Get())) {
    GCommandRef abort_result(chain.ProcessCommand(new GJobAbort(0)));
    aborted = true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)Folder();
  Bytes bytes(data, size);
  const std::uint8_t flags = bytes.Byte();
  const std::uint8_t booklet = bytes.Byte();
  auto* document = new GState(key::kDocumentGroup);
  if ((booklet & 1) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kBookletMode));
  }
  if ((booklet & 2) != 0) {
    document->Add(new GValueAttribute(bytes.Word(), key::kBookletSheetOrder));
  }
  if ((booklet & 4) != 0) {
    document->Add(Media(bytes, key::kBookletSheetMedia));
  }
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
    chain.Add(new GBookletFilter);
    chain.Add(new GNupFilter);
    chain.Add(sink);
    chain.Reset();
    bool aborted = false;
    Send(chain, new GDocumentStart(RWWString(), RWWString(), &device, document, 0), aborted);
    if ((booklet & 8) != 0) {
      Send(chain, new GRectangleGraphic(GRect{0, 0, 10, 10}, nullptr, 0), aborted);
    }
    const int pages = bytes.Byte() % 9;
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
      Send(chain, (kind & 32) != 0 ? new GPageStart(0) : new GPageStart(state, 0), aborted);
      if ((kind & 32) != 0) {
        delete state;
      }
      auto* bundle = new GGraphicBundle;
      if ((kind & 4) != 0) {
        const GPoint translation{bytes.Short(), bytes.Short()};
        bundle->SetAttribute(new GTransformAttribute(bytes.Short(), translation, GScale{}));
      }
      const GRect bounds{bytes.Short(), bytes.Short(), bytes.Short(), bytes.Short()};
      Send(chain, new GRectangleGraphic(bounds, bundle, 0), aborted);
      if ((kind & 16) != 0) {
        Send(chain, new GJobAbort(0), aborted);
        aborted = true;
      }
      Send(chain, new GPageEnd(0), aborted);
    }
    Send(chain, new GDocumentEnd(0), aborted);
    if (!aborted && sink->starts != sink->ends) {
      std::abort();
    }
  }
  if (!vel::BookletLock::Instance().IsFree()) {
    std::abort();
  }
  if (!device.outstanding.empty() || FolderHolds(".pg")) {
    std::abort();
  }
  // The font files written beside the pages go with the device.
  device.Close();
  if (FolderHolds(".fnt")) {
    std::abort();
  }
  return 0;
}
