// The job harness of the language back ends.
#include "tests/support/FwJobHarness.h"

#include <algorithm>
#include <atomic>
#include <string_view>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GMedia.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GPJL.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {

thread_local JobHarness* JobHarness::sending_ = nullptr;

// A memory channel that hands what it received to the harness when it is deleted.
class JobHarness::Port : public MemoryOutputPort {
 public:
  Port(JobHarness* harness, std::size_t index) : harness_(harness), index_(index) {
    KeepTally(&tally_);
  }
  ~Port() override {
    JobOutput output;
    output.bytes = bytes();
    output.writes = writes();
    output.closed_polls = closed_polls();
    KeepTally(nullptr);
    output.tally = tally_;
    output.tally.deletions = 1;
    harness_->finished_[index_] = std::move(output);
    harness_->finished_set_[index_] = true;
    if (harness_->live_port_ == this) {
      harness_->live_port_ = nullptr;
    }
  }
  JobOutput Snapshot() const {
    JobOutput output;
    output.bytes = bytes();
    output.writes = writes();
    output.closed_polls = closed_polls();
    output.tally = tally_;
    return output;
  }

 private:
  JobHarness* harness_;
  std::size_t index_;
  Tally tally_;
};

Bytes JobOutput::XLPart() const {
  static constexpr std::string_view kHeader = ") QZ-PCL XL";
  static constexpr std::string_view kExit = "\x1b%-12345X";
  const std::string text = Text();
  const std::size_t start = text.find(kHeader);
  if (start == std::string::npos) {
    return {};
  }
  std::size_t end = text.find(kExit, start);
  if (end == std::string::npos) {
    end = text.size();
  }
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(start),
               bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

void JobHarness::MakeProvider() {
  provider_.MakeOutput([this](const TestProvider::Request&) -> GOutputPort* {
    // The registry asks every provider in turn: only the harness that is sending answers.
    if (deliver_none_ || sending_ != this) {
      return nullptr;
    }
    const std::size_t index = finished_.size();
    finished_.emplace_back();
    finished_set_.push_back(false);
    auto* port = new Port(this, index);
    if (configure_) {
      configure_(*port);
    }
    if (fail_from_) {
      port->FailFromByte(*fail_from_);
      fail_from_.reset();
    }
    live_port_ = port;
    live_index_ = index;
    return port;
  });
  // Each harness under a name of its own, so that several can live side by side.
  static std::atomic<int> harnesses{0};
  name_ = std::string(kProviderName) + " " + std::to_string(++harnesses);
  registration_ = std::make_unique<ScopedRegistration>(&provider_, name_.c_str());
  settings_ = std::make_unique<GState>(vel::key::kDocumentGroup);
}

JobHarness::JobHarness(OverChain chain) : provider_(1) {
  MakeProvider();
  head_.reset(chain.head);
  configuration_ = dynamic_cast<GConfiguration*>(
      static_cast<GPeripheralComposite*>(BackEnd())->OwnConfiguration());
}

JobHarness::JobHarness(GPeripheral* back_end) : provider_(1) {
  MakeProvider();
  configuration_ = vel::data::BuildLanguageConfiguration();
  auto* devices = new GAttributeComposite(vel::key::kPaperHandlingDevices);
  auto* accessory = new GPaperHandlingDevice("Mailbox", 1, 1, 0, 0);
  for (std::uint16_t option = 1; option <= 2; ++option) {
    accessory->AddOption(option, new GAttributeComposite(0));
  }
  devices->Add(accessory);
  configuration_->Add(devices);
  auto* fonts = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
  fonts->Insert(new GDeviceFontList(vel::key::kDIMMFonts1));
  configuration_->Add(fonts);

  GPJL* pjl = vel::data::BuildPJL(nullptr);
  pjl->SetConfiguration(configuration_);
  if (back_end == nullptr) {
    back_end = vel::data::BuildKestrix(nullptr);
  }
  back_end->SetKey(vel::key::kLanguagePeripheral);
  back_end->SetConfiguration(configuration_);
  head_.reset(vel::data::BuildChain(nullptr, pjl, back_end));
}

JobHarness::~JobHarness() {
  head_.reset();
}

GPrinter& JobHarness::Printer() const {
  return *static_cast<GPrinter*>(head_->FindByKey(vel::key::kPrinterPeripheral));
}

GPJL* JobHarness::PJL() const {
  return dynamic_cast<GPJL*>(Printer().PJLChild());
}

GPeripheral* JobHarness::BackEnd() const {
  return Printer().LanguageChild();
}

GKestrix* JobHarness::Kestrix() const {
  return dynamic_cast<GKestrix*>(BackEnd());
}

void JobHarness::SetJobSetting(GBaseObject* attribute) {
  settings_->SetAttribute(attribute);
}

void JobHarness::SetJobValue(std::uint32_t key, std::uint16_t value) {
  SetJobSetting(new GValueAttribute(value, key));
}

void JobHarness::SetJobText(std::uint32_t key, const char* text) {
  SetJobSetting(new GStringAttribute(text, key));
}

std::uint16_t JobHarness::Collect(GCommand* answer) {
  GCommandRef held(answer);
  std::uint16_t first = 0;
  if (answer != nullptr && answer->IsA() == vel::classid::kGErrorCommand) {
    first = static_cast<GErrorCommand*>(answer)->GetStatus();
  }
  if (first != 0) {
    statuses_.push_back(first);
  }
  return first;
}

std::uint16_t JobHarness::Send(GCommand* command) {
  GCommandRef held(command);
  const RWClassID id = command != nullptr ? command->IsA() : 0;
  if (id == vel::classid::kGDocumentStart) {
    error_state_ = false;
  }
  if (error_state_) {
    return 0;
  }
  JobHarness* const outer = sending_;
  sending_ = this;
  const std::uint16_t status = Collect(head_->ProcessCommand(held.Release()));
  if (status != 0 && id != vel::classid::kGJobAbort) {
    error_state_ = true;
    Collect(head_->ProcessCommand(new GJobAbort));
  }
  sending_ = outer;
  return status;
}

std::uint16_t JobHarness::StartDocument(const std::u16string& job_name) {
  auto* bundle = static_cast<GState*>(settings_->DeepCopy());
  return Send(new GDocumentStart(RWWString(job_name.c_str()), RWWString(u"Office 5000"), nullptr,
                                 bundle, 0));
}

std::uint16_t JobHarness::StartPage(const PageSettings& page) {
  auto* bundle = new GState(vel::key::kPageGroup);
  if (page.orientation) {
    bundle->Add(new GValueAttribute(*page.orientation, vel::key::kOrientation));
  }
  if (page.tray) {
    bundle->Add(new GValueAttribute(*page.tray, vel::key::kTraySelection));
  }
  if (page.copies) {
    bundle->Add(new GValueAttribute(*page.copies, vel::key::kPageCopies));
  }
  if (page.media) {
    auto* media = new GMedia(*page.media);
    media->SetKey(vel::key::kSelectedMedia);
    bundle->Add(media);
  }
  return Send(new GPageStart(bundle, vel::key::kPageGroup));
}

std::uint16_t JobHarness::EndPage() {
  return Send(new GPageEnd);
}

std::uint16_t JobHarness::EndDocument() {
  return Send(new GDocumentEnd);
}

std::uint16_t JobHarness::AbortJob() {
  return Send(new GJobAbort);
}

std::uint16_t JobHarness::RunJob(const std::vector<PageSettings>& pages,
                                 const std::u16string& job_name) {
  std::uint16_t first = StartDocument(job_name);
  for (const PageSettings& page : pages) {
    const std::uint16_t started = StartPage(page);
    const std::uint16_t ended = EndPage();
    first = first != 0 ? first : (started != 0 ? started : ended);
  }
  const std::uint16_t ended = EndDocument();
  return first != 0 ? first : ended;
}

std::vector<JobOutput> JobHarness::Jobs() const {
  std::vector<JobOutput> jobs = finished_;
  if (live_port_ != nullptr) {
    jobs[live_index_] = static_cast<const Port*>(live_port_)->Snapshot();
  }
  return jobs;
}

JobOutput JobHarness::LastJob() const {
  const std::vector<JobOutput> jobs = Jobs();
  return jobs.empty() ? JobOutput() : jobs.back();
}

std::shared_ptr<const GMedia> MakeTestMedia(std::int16_t paper_id, std::int16_t width,
                                            std::int16_t height, const char* media_type,
                                            std::uint16_t resolution) {
  const std::int16_t size[2] = {width, height};
  const std::int16_t printable[2] = {static_cast<std::int16_t>(width - 200),
                                     static_cast<std::int16_t>(height - 200)};
  const std::int16_t origin[2] = {100, 100};
  return std::make_shared<const GMedia>("Paper", size, printable, origin, 0, paper_id, resolution,
                                        resolution, vel::key::kSelectedMedia, 0, "Paper",
                                        media_type);
}

}  // namespace vel::test
