// What the booklet filter's tests share: services whose temporary directory is a test folder, a
// render device with a known cookie, jobs of Letter pages that each draw one rectangle keyed by
// its page number, the driver data's chain of page filters ahead of a transcript stage, and a
// rectangle class that counts its live instances and can refuse to be written.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/pipeline/GBookletFilter.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWFactory.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestRenderDevice.h"
#include "tests/support/FwTranscriptPeripheral.h"
#include "tests/support/TempDir.h"
#include "tools/veldata/DriverData.h"

namespace booklet_test {

namespace key = vel::key;

// A rectangle that counts its live instances; one marked `refuse` fails the file it is written to.
class CountedRectangle : public GRectangleGraphic {
 public:
  static constexpr RWClassID kClassId = 1986;

  CountedRectangle() { ++live; }
  CountedRectangle(const GRect& bounds, std::uint32_t key) : GRectangleGraphic(bounds, nullptr, key) {
    ++live;
  }
  CountedRectangle(const CountedRectangle& other) : GRectangleGraphic(other), refuse(other.refuse) {
    ++live;
  }
  ~CountedRectangle() override { --live; }

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override { return new CountedRectangle(*this); }
  RWClassID IsA() const override { return kClassId; }
  bool IsKindOf(RWClassID id) const override {
    return id == kClassId || GRectangleGraphic::IsKindOf(id);
  }
  void SaveContents(RWBinaryFile& file) const override {
    if (refuse) {
      file.SetError();
      return;
    }
    GRectangleGraphic::SaveContents(file);
  }
  using GRectangleGraphic::SaveContents;

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "CountedRectangle"; }
  static RWCollectable* Create() { return new CountedRectangle; }

  bool refuse = false;
  static inline std::atomic<int> live{0};
};

inline void RegisterClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFrameworkTestClasses();
    static const RWClassRegistration kClasses[] = {
        {&CountedRectangle::Create, CountedRectangle::ClassId(), CountedRectangle::ClassName()}};
    RWRegisterClasses(kClasses, 1);
  });
}

inline RWWString Wide(const std::string& text) {
  RWWString wide;
  (void)WidenString(RWCString(text.c_str()), wide);
  return wide;
}

// Test services whose temporary directory is what the test says.
class BookletServices : public vel::test::TestOSServices {
 public:
  RWWString& GetTempDirectory(RWWString& out, GDeviceSession* /*session*/) override {
    const std::lock_guard<std::mutex> guard(mutex);
    out = temp_directory;
    return out;
  }
  void SetTempDirectory(const std::string& directory) {
    const std::lock_guard<std::mutex> guard(mutex);
    temp_directory = Wide(directory);
  }

  std::mutex mutex;
  RWWString temp_directory;
};

// Letter at 600 units per inch.
inline GMedia* Letter(std::uint32_t media_key, std::int32_t orientation = 0) {
  const std::int16_t size[2] = {5100, 6600};
  const std::int16_t printable[2] = {4860, 6360};
  const std::int16_t origin[2] = {120, 120};
  return new GMedia("Letter", size, printable, origin, orientation, 1, 600, 600, media_key, 0, "",
                    "");
}

struct JobSettings {
  std::optional<int> booklet_mode = 1;
  std::optional<int> sheet_order;
  bool sheet_media = true;
  int duplex = 1;
};

// A document start of a Letter portrait job with the booklet settings.
inline GDocumentStart* DocumentStart(GDeviceSession* session, const JobSettings& settings) {
  auto* bundle = new GState(key::kDocumentGroup);
  bundle->Add(Letter(key::kSelectedMedia));
  bundle->Add(new GValueAttribute(0, key::kOrientation));
  bundle->Add(new GValueAttribute(static_cast<std::uint16_t>(settings.duplex), key::kDuplex));
  if (settings.booklet_mode) {
    bundle->Add(
        new GValueAttribute(static_cast<std::uint16_t>(*settings.booklet_mode), key::kBookletMode));
  }
  if (settings.sheet_order) {
    bundle->Add(new GValueAttribute(static_cast<std::uint16_t>(*settings.sheet_order),
                                    key::kBookletSheetOrder));
  }
  if (settings.sheet_media) {
    bundle->Add(Letter(key::kBookletSheetMedia));
  }
  return new GDocumentStart(u"booklet job", u"printer", session, bundle, 0);
}

inline GPageStart* PageStart() {
  auto* bundle = new GState(key::kPageGroup);
  bundle->Add(Letter(key::kSelectedMedia));
  bundle->Add(new GValueAttribute(0, key::kOrientation));
  return new GPageStart(bundle, 0);
}

// The rectangle of page `page`: keyed by the page number.
inline GRectangleGraphic* PageRectangle(std::uint32_t page) {
  return new GRectangleGraphic(GRect{100, 100, 200, 300}, new GGraphicBundle, page);
}

// The driver data's chain of page filters (scale-page, fit-to-size, watermark, booklet, n-up) with
// a transcript stage in place of the printer.
class BookletChain {
 public:
  // `sink` (taken over) stands in for the printer.
  explicit BookletChain(FwTranscriptPeripheral* sink = new FwTranscriptPeripheral)
      : head_(vel::data::BuildChain(nullptr, nullptr, nullptr)) {
    const std::unique_ptr<GBaseObject> printer(head_->RemoveByKey(key::kPrinterPeripheral));
    sink_ = sink;
    head_->Add(sink_);
    for (std::uint32_t i = 0; i < head_->Count(); ++i) {
      GPeripheral* stage = head_->ChildAt(i);
      if (booklet_ == nullptr) {
        booklet_ = dynamic_cast<GBookletFilter*>(stage);
      } else if (nup_ == nullptr) {
        nup_ = dynamic_cast<GNupFilter*>(stage);
      }
    }
    head_->Reset();
  }

  // What the chain answers for `command` (held, so that the caller decides when it goes).
  GCommandRef Send(GCommand* command) {
    GCommandRef held(command);
    return GCommandRef(head_->ProcessCommand(held.Release()));
  }

  // The pages given by their rectangles' keys, then the document end (its answer kept in Last()).
  void Pages(const std::vector<std::uint32_t>& pages) {
    for (const std::uint32_t page : pages) {
      (void)Send(PageStart());
      (void)Send(PageRectangle(page));
      (void)Send(new GPageEnd(0));
    }
  }
  void Job(GDeviceSession* session, const JobSettings& settings, std::uint32_t page_count) {
    (void)Send(DocumentStart(session, settings));
    std::vector<std::uint32_t> pages;
    for (std::uint32_t page = 1; page <= page_count; ++page) {
      pages.push_back(page);
    }
    Pages(pages);
    last_ = Send(new GDocumentEnd(0));
  }

  GBookletFilter& Booklet() { return *booklet_; }
  GNupFilter& Nup() { return *nup_; }
  FwTranscriptPeripheral& Sink() { return *sink_; }
  const std::vector<std::string>& Lines() const { return sink_->Lines(); }
  GCommandRef& Last() { return last_; }

  // The keys of the rectangles that reached the sink, in order.
  std::vector<std::uint32_t> RectangleKeys() const {
    std::vector<std::uint32_t> keys;
    for (const std::string& line : sink_->Lines()) {
      if (line.rfind("GRectangleGraphic ", 0) == 0) {
        keys.push_back(static_cast<std::uint32_t>(std::stoul(line.substr(18))));
      }
    }
    return keys;
  }

 private:
  std::unique_ptr<GPeripheralComposite> head_;
  // Held by the head.
  GBookletFilter* booklet_ = nullptr;
  GNupFilter* nup_ = nullptr;
  FwTranscriptPeripheral* sink_ = nullptr;
  GCommandRef last_;
};

// The names of the files in `folder` that end with `extension`.
inline std::vector<std::string> FilesEndingWith(const std::filesystem::path& folder,
                                                const std::string& extension) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
      names.push_back(name);
    }
  }
  return names;
}

// Services with the test folder as the temporary directory and a render device with a known
// cookie. The page files land in the folder as "\<key>.pg": the directory ends with '/' and the
// filter puts its own '\' behind it.
class BookletTestBase : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kCookie = 0x100;

  void SetUp() override {
    RegisterClasses();
    services_ = new BookletServices;
    services_->SetTempDirectory(folder_.Path().string() + "/");
    device_ = std::make_unique<vel::test::TestRenderDevice>(u"Booklet printer", u"vel-laser");
    device_->SetCookie(kCookie);
  }
  void TearDown() override {
    device_.reset();
    vel::DeleteOSServices();
  }

  std::vector<std::string> PageFiles() const { return FilesEndingWith(folder_.Path(), ".pg"); }
  std::vector<std::string> FontFiles() const { return FilesEndingWith(folder_.Path(), ".fnt"); }

  vel::test::TempDir folder_;
  BookletServices* services_ = nullptr;
  std::unique_ptr<vel::test::TestRenderDevice> device_;
};

}  // namespace booklet_test
