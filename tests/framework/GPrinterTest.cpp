// The printer at the head of the output chain: routing to the PJL and language children, the
// job's output channel, its failures, the page group, the language name and the stored form.
#include "framework/core/GPrinter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestPeripheral.h"
#include "tests/support/FwTestProviders.h"

namespace vel::test {
namespace {

using Log = std::vector<std::string>;

std::string CommandName(const GCommand* command) {
  if (command == nullptr) {
    return "null";
  }
  switch (command->IsA()) {
    case vel::classid::kGDocumentStart:
      return "GDocumentStart";
    case vel::classid::kGDocumentEnd:
      return "GDocumentEnd";
    case vel::classid::kGPageStart:
      return "GPageStart";
    case vel::classid::kGPageEnd:
      return "GPageEnd";
    case vel::classid::kGJobAbort:
      return "GJobAbort";
    case vel::classid::kGErrorCommand:
      return "GErrorCommand";
    case vel::classid::kGPassThroughCommand:
      return "GPassThroughCommand";
    default:
      return "class " + std::to_string(command->IsA());
  }
}

// A child of the printer that writes "<tag>:<command>" to the log for every command it is given
// (with " +channel" for a document start that carries a channel), and optionally answers as a
// language peripheral.
class RecordingChild : public FwTestPeripheral {
 public:
  RecordingChild(Log* log, const char* tag, std::uint32_t key, bool language = false)
      : FwTestPeripheral(tag, key), log_(log), tag_(tag), language_(language) {}

  bool IsKindOf(RWClassID id) const override {
    return (language_ && id == vel::classid::kGLanguagePeripheral) || FwTestPeripheral::IsKindOf(id);
  }
  GCommand* ProcessCommand(GCommand* command) override {
    std::string line = tag_ + ":" + CommandName(command);
    if (command != nullptr && command->IsA() == vel::classid::kGDocumentStart &&
        static_cast<GDocumentStart*>(command)->GetOutputChannel() != nullptr) {
      line += " +channel";
    }
    log_->push_back(line);
    return FwTestPeripheral::ProcessCommand(command);
  }

 private:
  Log* log_;
  std::string tag_;
  bool language_;
};

// A memory channel that writes its job start, job end, abort (Close) and deletion to the log.
class LoggedPort : public MemoryOutputPort {
 public:
  explicit LoggedPort(Log* log) : log_(log) {}
  ~LoggedPort() override { log_->push_back("delete"); }

  std::uint16_t JobStart(const RWWString& job_name, std::int32_t framing) override {
    const std::uint16_t status = MemoryOutputPort::JobStart(job_name, framing);
    log_->push_back("job start \"" + std::string(GetJobName().Data()) + "\" framing " +
                    std::to_string(framing));
    return status;
  }
  std::uint16_t JobEnd() override {
    log_->push_back("job end");
    return MemoryOutputPort::JobEnd();
  }
  std::uint16_t Close() override {
    log_->push_back("abort");
    return MemoryOutputPort::Close();
  }

 private:
  Log* log_;
};

GDeviceSession* const kSession = reinterpret_cast<GDeviceSession*>(std::uintptr_t{0x5e55});

class GPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spooler_.MakeOutput([this](const TestProvider::Request&) -> GOutputPort* {
      log_.push_back("open");
      if (!deliver_) {
        return nullptr;
      }
      auto* port = new LoggedPort(&log_);
      ++ports_made_;
      port->KeepTally(&tally_);
      if (configure_) {
        configure_(*port);
      }
      last_port_ = port;
      return port;
    });
  }

  // A printer with a PJL child (key 106) and a language child (key 101), as chosen.
  void Build(bool with_pjl = true, bool with_language = true) {
    printer_ = std::make_unique<GPrinter>(RWCString("Office 5000"), nullptr, nullptr,
                                          vel::key::kPrinterPeripheral);
    if (with_pjl) {
      pjl_ = new RecordingChild(&log_, "pjl", vel::key::kPJLPeripheral);
      printer_->Add(pjl_);
    }
    if (with_language) {
      language_ = new RecordingChild(&log_, "lang", vel::key::kLanguagePeripheral, true);
      printer_->Add(language_);
    }
  }

  // Runs a command through the printer; the result, held.
  GCommandRef Send(GCommand* command) {
    GCommandRef held(command);
    return GCommandRef(printer_->ProcessCommand(held.Get()));
  }

  GCommand* DocumentStart(const char16_t* job = u"Report") {
    return new GDocumentStart(job, u"Office 5000", kSession, 0);
  }

  static std::uint16_t StatusOf(const GCommandRef& result) {
    if (result.Get() == nullptr || result->IsA() != vel::classid::kGErrorCommand) {
      return 0;
    }
    return static_cast<GErrorCommand*>(result.Get())->GetStatus();
  }

  Log log_;
  MemoryOutputPort::Tally tally_;
  TestProvider spooler_{3};
  ScopedRegistration registration_{&spooler_, "Basic Spooler"};
  bool deliver_ = true;
  std::function<void(LoggedPort&)> configure_;
  LoggedPort* last_port_ = nullptr;
  int ports_made_ = 0;
  std::unique_ptr<GPrinter> printer_;
  RecordingChild* pjl_ = nullptr;
  RecordingChild* language_ = nullptr;
};

TEST_F(GPrinterTest, JobReachesTheChildrenInOrderAroundTheChannel) {
  Build();
  const std::uint8_t data[] = {1, 2, 3};
  EXPECT_EQ(StatusOf(Send(DocumentStart())), 0);
  EXPECT_TRUE(printer_->IsInDocument());
  for (int page = 0; page < 2; ++page) {
    EXPECT_EQ(StatusOf(Send(new GPageStart(nullptr, 0))), 0);
    EXPECT_EQ(StatusOf(Send(new GPassThroughCommand(data, std::uint16_t{sizeof data}, 0))), 0);
    EXPECT_EQ(StatusOf(Send(new GPageEnd(nullptr, 0))), 0);
  }
  EXPECT_EQ(StatusOf(Send(new GDocumentEnd)), 0);
  EXPECT_FALSE(printer_->IsInDocument());
  EXPECT_EQ(printer_->GetOutputChannel(), nullptr);

  const Log page = {"lang:GPageStart", "lang:GPassThroughCommand", "lang:GPageEnd",
                    "pjl:GPageEnd"};
  Log expected = {"open", "job start \"Report\" framing 0", "pjl:GDocumentStart +channel",
                  "lang:GDocumentStart +channel"};
  expected.insert(expected.end(), page.begin(), page.end());
  expected.insert(expected.end(), page.begin(), page.end());
  expected.insert(expected.end(), {"lang:GDocumentEnd", "pjl:GDocumentEnd", "job end", "delete"});
  EXPECT_EQ(log_, expected);

  EXPECT_EQ(tally_.job_starts, 1);
  EXPECT_EQ(tally_.job_ends, 1);
  EXPECT_EQ(tally_.deletions, 1);
  const std::vector<TestProvider::Request> asked = spooler_.OutputRequests();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].owner, kSession);
  EXPECT_EQ(asked[0].flags, 0u);
  EXPECT_EQ(asked[0].argument, u"Office 5000");
}

TEST_F(GPrinterTest, ChannelThatCameWithTheCommandIsUsedButNotFramedOrDeleted) {
  Build();
  LoggedPort carried(&log_);
  carried.KeepTally(&tally_);
  GCommand* start = DocumentStart();
  static_cast<GDocumentStart*>(start)->SetOutputChannel(&carried);
  EXPECT_EQ(StatusOf(Send(start)), 0);
  EXPECT_EQ(printer_->GetOutputChannel(), &carried);
  EXPECT_FALSE(printer_->OwnsOutputChannel());
  EXPECT_EQ(StatusOf(Send(new GDocumentEnd)), 0);
  EXPECT_EQ(printer_->GetOutputChannel(), nullptr);
  EXPECT_EQ(log_, (Log{"pjl:GDocumentStart +channel", "lang:GDocumentStart +channel",
                       "lang:GDocumentEnd", "pjl:GDocumentEnd"}));
  EXPECT_EQ(tally_.job_starts + tally_.job_ends + tally_.deletions, 0);
  EXPECT_EQ(spooler_.OutputCalls(), 0);
}

TEST_F(GPrinterTest, NextJobDeletesTheLeftoverChannelBeforeOpeningItsOwn) {
  Build();
  Send(DocumentStart(u"first"));
  log_.clear();
  Send(DocumentStart(u"second"));
  ASSERT_GE(log_.size(), 3u);
  EXPECT_EQ(Log(log_.begin(), log_.begin() + 3),
            (Log{"delete", "open", "job start \"second\" framing 0"}));
  EXPECT_EQ(tally_.deletions, 1);
  EXPECT_EQ(printer_->GetOutputChannel(), last_port_);
}

TEST_F(GPrinterTest, JobAbortAbortsAndDeletesTheOwnedChannel) {
  Build();
  Send(DocumentStart());
  Send(new GPageStart(nullptr, 0));
  log_.clear();
  EXPECT_EQ(StatusOf(Send(new GJobAbort)), 0);
  // Closing an open job ends it first.
  EXPECT_EQ(log_, (Log{"lang:GJobAbort", "pjl:GJobAbort", "abort", "job end", "delete"}));
  EXPECT_EQ(printer_->GetOutputChannel(), nullptr);
  EXPECT_FALSE(printer_->IsInDocument());
}

TEST_F(GPrinterTest, FailuresBecomeErrorCommandsWithTheirStatus) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    bool with_language;
    bool end_the_job;  // the failure comes at the document end
    std::uint16_t status;
  };
  const Case cases[] = {
      {"unusable channel",
       [this] { configure_ = [](LoggedPort& port) { port.SetUsable(false); }; }, true, false, 601},
      {"no channel", [this] { deliver_ = false; }, true, false, 601},
      {"job start fails",
       [this] { configure_ = [](LoggedPort& port) { port.FailJobStart(7); }; }, true, false, 7},
      {"job end fails",
       [this] { configure_ = [](LoggedPort& port) { port.FailJobEnd(5); }; }, true, true, 5},
      {"no language child", [] {}, false, false, 601},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_.clear();
    tally_ = {};
    ports_made_ = 0;
    deliver_ = true;
    configure_ = nullptr;
    c.arrange();
    Build(true, c.with_language);
    GCommandRef result = Send(DocumentStart());
    if (c.end_the_job) {
      ASSERT_EQ(StatusOf(result), 0);
      result = Send(new GDocumentEnd);
    }
    ASSERT_EQ(StatusOf(result), c.status);
    // The failed command travels on in the error command, which the children pass on.
    const GCommand* failed = static_cast<GErrorCommand*>(result.Get())->GetCommand();
    EXPECT_EQ(failed->IsA(), c.end_the_job ? vel::classid::kGDocumentEnd
                                          : vel::classid::kGDocumentStart);
    if (!c.end_the_job) {
      EXPECT_NE(std::find(log_.begin(), log_.end(), "pjl:GErrorCommand"), log_.end());
    }
    printer_.reset();
    EXPECT_EQ(tally_.deletions, ports_made_) << "every channel the printer opened is deleted";
  }
  // No language child: the provider was never asked.
  EXPECT_EQ(log_.front(), "pjl:GErrorCommand");
}

TEST_F(GPrinterTest, PageEndWithoutAnOpenJobFails) {
  Build();
  EXPECT_EQ(StatusOf(Send(new GPageEnd(nullptr, 0))), 1);
  EXPECT_EQ(log_, (Log{"lang:GPageEnd", "pjl:GPageEnd"}));
}

TEST_F(GPrinterTest, MissingPJLChildIsSkipped) {
  Build(false, true);
  EXPECT_EQ(StatusOf(Send(DocumentStart())), 0);
  EXPECT_EQ(StatusOf(Send(new GPageEnd(nullptr, 0))), 0);
  EXPECT_EQ(StatusOf(Send(new GDocumentEnd)), 0);
  EXPECT_EQ(log_, (Log{"open", "job start \"Report\" framing 0", "lang:GDocumentStart +channel",
                       "lang:GPageEnd", "lang:GDocumentEnd", "job end", "delete"}));
}

TEST_F(GPrinterTest, PageBundleIsSentOnceAndLeavesThePageGroupDisabled) {
  Build();
  Send(DocumentStart());
  auto* bundle = new GState;
  bundle->Add(new GValueAttribute(2, 257));
  bundle->Add(new GStringAttribute("A4", 258));
  language_->ClearCalls();
  EXPECT_EQ(StatusOf(Send(new GPageStart(bundle, 0))), 0);

  const std::vector<std::string> names = language_->Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "HandleValueAttribute"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "HandleStringAttribute"), 1);
  auto* group = dynamic_cast<GAttributeComposite*>(
      printer_->JobState()->FindByKey(vel::key::kPageGroup));
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->Count(), 2u);
  for (std::uint32_t i = 0; i < group->Count(); ++i) {
    EXPECT_EQ(static_cast<const GAttribute*>(group->ChildAt(i))->GetEnabled(), 0) << i;
  }
}

TEST_F(GPrinterTest, CommandAnsweredInThePlaceOfTheHandledOneIsTheAnswerAndEachGoesOnce) {
  // The language child answers a pass-through command in place of each page end; the page end
  // still reaches the PJL child and the printer's own handler, then goes with its last reference.
  struct PageEnd : GPageEnd {
    explicit PageEnd(int* deleted) : GPageEnd(nullptr, 0), deleted_(deleted) {}
    ~PageEnd() override { ++*deleted_; }
    int* deleted_;
  };
  // A page end its caller holds goes through without a hold of the printer's own; one that nobody
  // holds is held by the printer while it runs. Either way the same.
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "held by the caller" : "held by nobody");
    Build();
    Send(DocumentStart());
    language_->SetReplacement([](GCommand& handled) -> GCommand* {
      return handled.IsA() == vel::classid::kGPageEnd ? new GPassThroughCommand : nullptr;
    });
    int deleted = 0;
    log_.clear();
    {
      GCommandRef result = held ? Send(new PageEnd(&deleted))
                                : GCommandRef(printer_->ProcessCommand(new PageEnd(&deleted)));
      ASSERT_NE(result.Get(), nullptr);
      EXPECT_EQ(result->IsA(), vel::classid::kGPassThroughCommand);
      EXPECT_EQ(deleted, 1);
    }
    EXPECT_EQ(log_, (Log{"lang:GPageEnd", "pjl:GPassThroughCommand"}));
    EXPECT_EQ(deleted, 1);
  }
}

TEST(GPrinter, IsColorWhenTheNameHoldsTheWord) {
  const struct {
    const char* name;
    bool color;
  } cases[] = {{"xCOLORx", true}, {"Color", true}, {"Office color 5", true},
               {"Office 5000", false}, {"Colo", false}, {"", false}};
  for (const auto& c : cases) {
    GPrinter printer(RWCString(c.name), nullptr, nullptr, 0);
    EXPECT_EQ(printer.IsColor(), c.color) << c.name;
  }
  GPrinter printer;
  EXPECT_FALSE(printer.IsFlagValueOne());
  printer.SetFlagValue(1);
  EXPECT_TRUE(printer.IsFlagValueOne());
}

const GStringAttribute* LanguageName(const GState* state) {
  return state != nullptr
             ? dynamic_cast<const GStringAttribute*>(state->FindByKey(vel::key::kLanguageName))
             : nullptr;
}

TEST(GPrinter, LanguagePeripheralCarriesItsNameWhileItIsAChild) {
  Log log;
  GPrinter printer;
  auto* pjl = new RecordingChild(&log, "PJL", vel::key::kPJLPeripheral);
  auto* language = new RecordingChild(&log, "PCL XL", vel::key::kLanguagePeripheral, true);
  printer.Add(pjl);
  printer.Add(language);
  EXPECT_EQ(printer.PJLChild(), pjl);
  EXPECT_EQ(printer.LanguageChild(), language);
  // The chain shares one job state, and the name is in it.
  EXPECT_EQ(language->JobState(), printer.JobState());
  EXPECT_EQ(pjl->JobState(), printer.JobState());
  ASSERT_NE(LanguageName(printer.JobState()), nullptr);
  EXPECT_EQ(LanguageName(printer.JobState())->GetValue(), "PCL XL");
  EXPECT_EQ(LanguageName(pjl->JobState()), LanguageName(printer.JobState()));

  GBaseObject* removed = printer.RemoveByKey(vel::key::kLanguagePeripheral);
  ASSERT_EQ(removed, language);
  EXPECT_EQ(printer.LanguageChild(), nullptr);
  EXPECT_EQ(LanguageName(printer.JobState()), nullptr);
  EXPECT_EQ(LanguageName(language->JobState()), nullptr);
  delete removed;
  // Not a language peripheral: no name.
  EXPECT_EQ(printer.PJLChild(), pjl);
  GPrinter other;
  other.Add(new RecordingChild(&log, "filter", 5));
  EXPECT_EQ(LanguageName(other.JobState()), nullptr);
}

TEST(GPrinter, ReplaceChildPutsTheCopyInPlaceOfTheChildWithTheKey) {
  Log log;
  GPrinter printer;
  printer.Add(new RecordingChild(&log, "PJL", vel::key::kPJLPeripheral));
  printer.Add(new RecordingChild(&log, "PostScript", vel::key::kLanguagePeripheral, true));
  // An accepted language peripheral, also standing in the job state under its key.
  printer.JobState()->Add(new GStringAttribute("accepted", vel::key::kLanguagePeripheral));
  auto* replacement = new RecordingChild(&log, "PCL XL", vel::key::kLanguagePeripheral, true);

  EXPECT_EQ(printer.ReplaceChild(vel::key::kLanguagePeripheral, replacement), 0);
  EXPECT_EQ(printer.LanguageChild(), replacement);
  EXPECT_EQ(printer.Count(), 2u);
  ASSERT_NE(LanguageName(printer.JobState()), nullptr);
  EXPECT_EQ(LanguageName(printer.JobState())->GetValue(), "PCL XL");
  EXPECT_EQ(printer.JobState()->FindByKey(vel::key::kLanguagePeripheral), nullptr);
}

TEST(GPrinter, ChildrenChangedThroughTheIteratorKeepTheRulesOfTheOtherChanges) {
  // A replacement through the printer's iterator puts the new language peripheral where the
  // routing finds it, with its name in the job state; a removal leaves no pointer to the child
  // that went, nor its name.
  Log log;
  GPrinter printer;
  printer.Add(new RecordingChild(&log, "PJL", vel::key::kPJLPeripheral));
  printer.Add(new RecordingChild(&log, "PostScript", vel::key::kLanguagePeripheral, true));
  auto* replacement = new RecordingChild(&log, "PCL XL", vel::key::kLanguagePeripheral, true);
  {
    const std::unique_ptr<GIterator> children(printer.CreateIterator());
    ASSERT_NE(children->Advance(), 0);
    ASSERT_NE(children->Advance(), 0);
    children->ReplaceCurrent(replacement);
  }
  EXPECT_EQ(printer.LanguageChild(), replacement);
  EXPECT_EQ(replacement->Listeners(), std::vector<GPeripheral*>{&printer});
  ASSERT_NE(LanguageName(printer.JobState()), nullptr);
  EXPECT_EQ(LanguageName(printer.JobState())->GetValue(), "PCL XL");

  {
    const std::unique_ptr<GIterator> children(printer.CreateIterator());
    while (children->Advance() != 0) {
      children->RemoveCurrent();
    }
  }
  EXPECT_EQ(printer.Count(), 0u);
  EXPECT_EQ(printer.PJLChild(), nullptr);
  EXPECT_EQ(printer.LanguageChild(), nullptr);
  EXPECT_EQ(LanguageName(printer.JobState()), nullptr);
}

bool SamePrinter(const GBaseObject& original, const GBaseObject& restored) {
  const auto& a = static_cast<const GPrinter&>(original);
  const auto& b = static_cast<const GPrinter&>(restored);
  if (!a.IsSameKey(&b) || b.Count() != a.Count()) {
    return false;
  }
  // The children are found again.
  const bool pjl = a.PJLChild() == nullptr
                       ? b.PJLChild() == nullptr
                       : b.PJLChild() != nullptr && b.PJLChild()->GetKey() == vel::key::kPJLPeripheral;
  const bool language = a.LanguageChild() == nullptr
                            ? b.LanguageChild() == nullptr
                            : b.LanguageChild() != nullptr &&
                                  b.LanguageChild()->GetKey() == vel::key::kLanguagePeripheral;
  return pjl && language;
}

FW_PERSIST_SAMPLES(vel::classid::kGPrinter,
                   {{"printer default", [] { return new GPrinter; }, SamePrinter},
                    {"printer with its two children and flag 1", [] {
                       auto* printer = new GPrinter(RWCString("Office Color"), nullptr, nullptr,
                                                    vel::key::kPrinterPeripheral);
                       printer->SetFlagValue(1);
                       printer->Add(new FwTestPeripheral("PJL", vel::key::kPJLPeripheral));
                       printer->Add(new FwTestPeripheral("PCL XL", vel::key::kLanguagePeripheral));
                       return printer;
                     }, SamePrinter}});

}  // namespace
}  // namespace vel::test
