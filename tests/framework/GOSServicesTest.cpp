// The services' shared operations (unique names, named objects in printer data, the accessor, the
// lock made once, the translator getter) and the test services over the stand-in platform.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/PrinterDataFormat.h"
#include "framework/core/DriverError.h"
#include "framework/core/GCharTranslator.h"
#include "framework/core/GLocaleInfo.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPlatformVersion.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/GPrinterData.h"
#include "framework/core/GRandom.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/GStreamHolders.h"
#include "framework/core/StringWidth.h"
#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/profile.h"
#include "platform/win32/winreg.h"
#include "rw/RWVirtualStream.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/TempDir.h"
#include "vel_flavour.h"

namespace {

using vel::test::TestOSServices;
constexpr bool kRender = vel::flavour::kIsRenderFlavour;

std::string Narrow(const RWWString& text) {
  RWCString narrow;
  NarrowString(text, narrow);
  return std::string(narrow.Data(), narrow.Length());
}

// Records the critical errors reported while it lives.
class ErrorRecorder {
 public:
  ErrorRecorder() {
    Ids().clear();
    previous_ = vel::SetDriverErrorObserver(&Record);
    previous_terminate_ = vel::SetTerminateStep(&NoTerminate);
  }
  ~ErrorRecorder() {
    vel::SetDriverErrorObserver(previous_);
    vel::SetTerminateStep(previous_terminate_);
  }
  static std::vector<int>& Ids() {
    static std::vector<int> ids;
    return ids;
  }

 private:
  static void Record(std::int32_t, std::uint16_t id, const char*) { Ids().push_back(id); }
  static void NoTerminate() {}
  vel::DriverErrorObserver previous_;
  vel::TerminateStep previous_terminate_;
};

class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vel::platform::SetPlatformRoot(root_.Path().string());
    std::filesystem::create_directories(root_.Path() / "C");
    vel::platform::ClearFailures();
    OpenState();
    services_ = new TestOSServices;
    session_ = services_->BindSession(u"Laser 1");
  }
  void TearDown() override {
    vel::ReleaseCodePageTranslator();
    vel::DeleteOSServices();
    vel::platform::ClearFailures();
    vel::platform::spooler::ResetStore();
  }
  void OpenState() {
    vel::platform::spooler::OpenStore((root_.Path() / "state").string());
    vel::platform::spooler::PrinterRecord printer;
    printer.name = u"Laser 1";
    printer.driver_name = u"Model 4000";
    printer.port_name = u"LPT1:";
    printer.data_file = u"C:\\drivers\\model.dat";
    if (!vel::platform::spooler::GetPrinter(u"Laser 1")) {
      ASSERT_TRUE(vel::platform::spooler::PutPrinter(printer));
    }
  }
  std::vector<vel::platform::spooler::PrinterDataValue> Values() {
    return vel::platform::spooler::DumpPrinterData(u"Laser 1");
  }

  vel::test::TempDir root_;
  TestOSServices* services_ = nullptr;
  GDeviceSession* session_ = nullptr;
};

// --- Unique names ----------------------------------------------------------------------------

TEST_F(ServicesTest, UniqueNamesFollowTheTemplateAndTheSeparatorRule) {
  const std::regex bare("^[0-9A-Z]{8}\\.[0-9A-Z]{3}$");
  RWWString name;
  services_->MakeUniqueFileName(name, RWWString(), RWWString(), 0);
  EXPECT_TRUE(std::regex_match(Narrow(name), bare)) << Narrow(name);
  services_->MakeUniqueFileName(name, u"C:\\temp\\", RWWString(), 0);
  EXPECT_TRUE(std::regex_match(Narrow(name), std::regex("^C:\\\\temp\\\\[0-9A-Z]{8}\\.[0-9A-Z]{3}$")))
      << Narrow(name);
  services_->MakeUniqueFileName(name, u"C:\\temp", u"pf&&.tmp", 0);
  EXPECT_TRUE(std::regex_match(Narrow(name), std::regex("^C:\\\\temp\\\\pf[0-9A-Z]{2}\\.tmp$")))
      << Narrow(name);
}

TEST_F(ServicesTest, APinnedSeedGivesTheSameNames) {
  RWWString first;
  RWWString second;
  vel::PinRandomSeed(77);
  services_->MakeUniqueFileName(first, u"C:\\", RWWString(), 0);
  vel::PinRandomSeed(77);
  services_->MakeUniqueFileName(second, u"C:\\", RWWString(), 0);
  EXPECT_EQ(Narrow(first), Narrow(second));
  for (int i = 0; i < 1000; ++i) {
    const std::int32_t value = services_->Random();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

TEST_F(ServicesTest, UniqueNamesGiveUpWithAnEmptyResult) {
  RWWString name;
  // A template without '&' is one candidate; it exists.
  ASSERT_EQ(services_->CreateEmptyFile(u"C:\\fixed.tmp"), 1);
  services_->MakeUniqueFileName(name, u"C:\\", u"fixed.tmp", 1);
  EXPECT_EQ(name.Length(), 0u);
  // A creation that always fails ends after the bound.
  vel::platform::FailCalls("CreateFileW", 0, -1);
  services_->MakeUniqueFileName(name, u"C:\\", RWWString(), 1);
  EXPECT_EQ(name.Length(), 0u);
  vel::platform::ClearFailures();
  // With creation the file is made.
  services_->MakeUniqueFileName(name, u"C:\\", RWWString(), 1);
  ASSERT_NE(name.Length(), 0u);
  EXPECT_EQ(services_->FileExists(name), 1);
}

// --- Named objects in printer data ----------------------------------------------------------

// An object whose portable record needs about `factor` times the byte count it claims.
class SizedObject : public GBaseObject {
 public:
  SizedObject(std::uint32_t claimed, std::uint32_t payload)
      : claimed_(claimed), payload_(payload, 'x') {}
  RWClassID IsA() const override { return 1993; }
  std::uint32_t StoredByteCount() const override { return claimed_; }
  void SaveContents(RWVirtualOutStream& stream) const override {
    stream.PutString(payload_.data(), payload_.size());
  }

 private:
  std::uint32_t claimed_;
  std::string payload_;
};

TEST_F(ServicesTest, StoreTriesThreeBufferSizes) {
  const struct {
    std::uint32_t payload;
    int writers;
    std::int32_t stored;
  } cases[] = {{100, 1, 1}, {380, 2, 1}, {980, 3, 1}, {1380, 3, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload);
    vel::platform::spooler::DeletePrinterDataValue(u"Laser 1", u"Sized");
    const int before = services_->MemoryWriterCount();
    SizedObject object(200, c.payload);
    EXPECT_EQ(services_->StorePrinterDataObject(session_, u"Sized", &object), c.stored);
    EXPECT_EQ(services_->MemoryWriterCount() - before, c.writers);
    vel::platform::spooler::PrinterDataValue value;
    EXPECT_EQ(vel::platform::spooler::GetPrinterDataValue(u"Laser 1", u"Sized", &value) == 0,
              c.stored == 1);
  }
}

TEST_F(ServicesTest, StoredObjectsAreChunkedAndLoadBack) {
  GLocaleInfo locale(5);
  locale.SetDecimalSeparator(",");
  std::string long_text(900, 'q');
  locale.SetLongDate(long_text.c_str());
  ASSERT_EQ(services_->StorePrinterDataObject(session_, u"Locale", &locale), 1);
  std::uint32_t count = 0;
  std::uint32_t total = 0;
  for (const auto& value : Values()) {
    if (value.name == u"Locale") {
      ASSERT_EQ(value.type, REG_DWORD);
      ASSERT_EQ(value.bytes.size(), 4u);
      count = value.bytes[0] | value.bytes[1] << 8;
    } else if (value.name.rfind(u"Locale:", 0) == 0) {
      EXPECT_EQ(value.type, REG_BINARY);
      EXPECT_LE(value.bytes.size(), 248u);
      total += static_cast<std::uint32_t>(value.bytes.size());
    }
  }
  EXPECT_EQ(count, total / 248 + 1);
  RWCollectable* loaded = services_->LoadPrinterDataObject(session_, u"Locale");
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->IsA(), GLocaleInfo::ClassId());
  EXPECT_TRUE(static_cast<GLocaleInfo*>(loaded)->IsSameKey(&locale));
  delete loaded;
}

TEST_F(ServicesTest, LoadOfWhatIsNoObjectGivesNull) {
  EXPECT_EQ(services_->LoadPrinterDataObject(session_, u"Missing"), nullptr);
  ASSERT_EQ(services_->SetPrinterDataNumber(session_, u"Zero", 0), 1);
  EXPECT_EQ(services_->LoadPrinterDataObject(session_, u"Zero"), nullptr);
  const std::string junk = "9999\n\"not an object\"\n{{{";
  ASSERT_EQ(services_->SetPrinterDataBinary(session_, u"Junk",
                                            reinterpret_cast<const std::uint8_t*>(junk.data()),
                                            static_cast<std::uint32_t>(junk.size())),
            1);
  EXPECT_EQ(services_->LoadPrinterDataObject(session_, u"Junk"), nullptr);
  EXPECT_EQ(services_->LoadPrinterDataObject(nullptr, u"Junk"), nullptr);
}

TEST_F(ServicesTest, AccessorNamesObjectsByTheirNumber) {
  GPrinterDataAccessor* accessor = services_->CreatePrinterDataAccessor(session_);
  ASSERT_NE(accessor, nullptr);
  GLocaleInfo locale;
  ASSERT_EQ(accessor->StoreObjectById(42, &locale), 1);
  vel::platform::spooler::PrinterDataValue value;
  EXPECT_EQ(vel::platform::spooler::GetPrinterDataValue(u"Laser 1", u"42", &value), 0u);
  EXPECT_EQ(vel::platform::spooler::GetPrinterDataValue(u"Laser 1", u"42:0", &value), 0u);
  RWCollectable* loaded = accessor->LoadObjectById(42);
  ASSERT_NE(loaded, nullptr);
  delete loaded;
  EXPECT_EQ(Narrow(GPrinterDataAccessor::IdName(0)), "0");
  EXPECT_EQ(Narrow(GPrinterDataAccessor::IdName(4294967295u)), "4294967295");
  ASSERT_EQ(accessor->SetNumber(u"N", 7), 1);
  EXPECT_EQ(accessor->GetNumber(u"N", 1), 7u);
  delete accessor;
}

TEST_F(ServicesTest, PrinterDataSurvivesANewInstanceAndAReopenedStore) {
  ASSERT_EQ(services_->SetPrinterDataNumber(session_, u"Copies", 3), 1);
  ASSERT_EQ(services_->SetPrinterDataString(session_, u"Owner", u"Ann"), 1);
  GLocaleInfo locale(9);
  ASSERT_EQ(services_->StorePrinterDataObject(session_, u"Obj", &locale), 1);
  vel::DeleteOSServices();
  vel::platform::spooler::ResetStore();
  OpenState();
  services_ = new TestOSServices;
  session_ = services_->BindSession(u"Laser 1");
  EXPECT_EQ(services_->GetPrinterDataNumber(session_, u"Copies", 0), 3u);
  RWWString owner;
  EXPECT_EQ(Narrow(services_->GetPrinterDataString(owner, session_, u"Owner", u"-")), "Ann");
  RWCollectable* loaded = services_->LoadPrinterDataObject(session_, u"Obj");
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(static_cast<GLocaleInfo*>(loaded)->IsSameKey(&locale));
  delete loaded;
  // A null session reads the defaults.
  EXPECT_EQ(services_->GetPrinterDataNumber(nullptr, u"Copies", 8), 8u);
}

// --- Temporary directory, driver data file, registry, locale -------------------------------

TEST_F(ServicesTest, TemporaryDirectoryComesFromPrinterDataThenTheFlavoursFallbacks) {
  RWWString directory;
  ASSERT_EQ(services_->SetPrinterDataString(session_, u"TempDirectoryLocation", u"Q:\\none"), 1);
  EXPECT_EQ(Narrow(services_->GetTempDirectory(directory, session_)), "Q:\\none");
  ASSERT_EQ(services_->SetPrinterDataString(session_, u"TempDirectoryLocation", u""), 1);
  ::setenv("TMP", "T:\\tmp", 1);
  services_->GetTempDirectory(directory, session_);
  EXPECT_EQ(Narrow(directory), kRender ? "\\SystemRoot\\System32\\Spool\\Printers" : "T:\\tmp");
  ::unsetenv("TMP");
  ::setenv("TEMP", "T:\\temp", 1);
  services_->GetTempDirectory(directory, session_);
  EXPECT_EQ(Narrow(directory), kRender ? "\\SystemRoot\\System32\\Spool\\Printers" : "T:\\temp");
  ::unsetenv("TEMP");
  EXPECT_EQ(Narrow(services_->GetTempDirectory(directory, session_)),
            "\\SystemRoot\\System32\\Spool\\Printers");
}

TEST_F(ServicesTest, DriverDataFileIsThePrintersAndReadsAreCounted) {
  RWWString file;
  services_->GetDriverDataFileName(file, session_);
  EXPECT_EQ(Narrow(file), "C:\\drivers\\model.dat");
  delete services_->CreateFileReader(file, 1);
  delete services_->CreateFileReader(file, 1);
  EXPECT_EQ(services_->FileReaderCount(u"C:\\drivers\\model.dat"), 2);
}

TEST_F(ServicesTest, RegistryReadsPerFlavour) {
  vel::platform::RegistrySetString(u"SOFTWARE\\Maker\\Driver", u"Name", u"Kestrel");
  vel::platform::RegistrySetDword(u"SOFTWARE\\Maker\\Driver", u"Level", 5);
  RWWString text;
  services_->GetRegistryString(text, u"SOFTWARE\\Maker\\Driver", u"Name", u"none");
  EXPECT_EQ(Narrow(text), kRender ? "none" : "Kestrel");
  EXPECT_EQ(services_->GetRegistryNumber(u"SOFTWARE\\Maker\\Driver", u"Level", 1), kRender ? 1u : 5u);
  EXPECT_EQ(services_->GetRegistryNumber(u"SOFTWARE\\Maker\\Driver", u"Name", 1), 1u);
  EXPECT_EQ(services_->RegistryKeyExists(u"SOFTWARE\\Maker\\Driver"), kRender ? 0 : 1);
  EXPECT_EQ(services_->RegistryKeyExists(u"SOFTWARE\\Nobody"), 0);
  vel::platform::ResetRegistry();
}

TEST_F(ServicesTest, PlatformVersionIsTheProbesRecord) {
  GPlatformVersion probed;
  ASSERT_EQ(probed.Probe(), 1);
  GPlatformVersion record{99, 99, 99};
  EXPECT_EQ(&services_->GetPlatformVersion(record), &record);
  EXPECT_EQ(record, probed);
  EXPECT_EQ(record.platform, 6u);  // the stand-in's default: Windows NT 4.0 workstation
  EXPECT_EQ(record.version, 0x40000u);
}

TEST_F(ServicesTest, LocaleInfoComesFromTheProfileInTheUIFlavour) {
  vel::platform::SetProfileString(u"Intl", u"sDecimal", u",");
  vel::platform::SetProfileString(u"Intl", u"iCountry", u"49");
  GLocaleInfo* locale = services_->CreateLocaleInfo();
  ASSERT_NE(locale, nullptr);
  EXPECT_EQ(std::string(locale->GetText(GLocaleInfo::kDecimalSeparator).Data()),
            kRender ? "." : ",");
  EXPECT_EQ(locale->GetNumber(GLocaleInfo::kCountry), kRender ? 1 : 49);
  EXPECT_EQ(std::string(locale->GetText(GLocaleInfo::kLongDate).Data()), "dddd, MMMM dd, yyyy");
  delete locale;
  vel::platform::ResetProfile();
}

// --- Locks --------------------------------------------------------------------------------

// Run under ThreadSanitizer too.
class ServicesThreadsTest : public ServicesTest {};

TEST_F(ServicesThreadsTest, EightThreadsMakeOneLock) {
  GSemaphore* lock = nullptr;
  std::atomic<int> go{0};
  std::vector<std::thread> threads;
  std::vector<GSemaphore*> seen(8, nullptr);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      go.fetch_add(1);
      while (go.load() < 8) {
      }
      services_->CreateLockOnce(&lock);
      seen[i] = std::atomic_ref<GSemaphore*>(lock).load();
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  ASSERT_NE(lock, nullptr);
  for (GSemaphore* s : seen) {
    EXPECT_EQ(s, lock);
  }
  EXPECT_EQ(lock->Acquire(), 0);
  EXPECT_EQ(lock->Release(), 0);
  delete lock;
}

TEST_F(ServicesTest, LockFailuresReport301And302) {
  if (kRender) {
    GTEST_SKIP() << "engine semaphores do not fail";
  }
  ErrorRecorder recorder;
  GSemaphore* lock = nullptr;
  vel::platform::FailCalls("WaitForSingleObject", 0, 1);
  vel::platform::FailCalls("ReleaseSemaphore", 0, 1);
  services_->CreateLockOnce(&lock);
  EXPECT_NE(lock, nullptr);
  EXPECT_EQ(ErrorRecorder::Ids(), (std::vector<int>{301, 302}));
  delete lock;
}

class CountingTranslator : public GCharTranslator {
 public:
  char16_t ToWide(std::uint16_t code, std::uint32_t) override { return code; }
  std::uint16_t ToMultiByte(char16_t c, std::uint32_t) override { return c; }
};

TEST_F(ServicesThreadsTest, TheTranslatorIsMadeOnceOrNotAtAll) {
  std::atomic<int> made{0};
  services_->make_translator = [&made]() -> GCharTranslator* {
    made.fetch_add(1);
    return new CountingTranslator;
  };
  std::vector<std::thread> threads;
  std::vector<GCharTranslator*> seen(8, nullptr);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&seen, i] { seen[i] = GetCodePageTranslator(); });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(made.load(), kRender ? 1 : 0);
  for (GCharTranslator* t : seen) {
    EXPECT_EQ(t, seen[0]);
    EXPECT_EQ(t == nullptr, !kRender);
  }
  EXPECT_EQ(GetCodePageTranslator(), seen[0]);
}

}  // namespace

namespace {

// Writes the seeds of fuzz_printer_data_object (fuzz/corpus/fuzz_printer_data_object) when
// VEL_WRITE_PRINTER_DATA_SEEDS names a folder: objects stored through the services, each as the
// count and the chunks the fuzz target's input holds.
TEST_F(ServicesTest, WritesPrinterDataSeedsWhenAsked) {
  const char* folder = std::getenv("VEL_WRITE_PRINTER_DATA_SEEDS");
  if (folder == nullptr) {
    GTEST_SKIP() << "VEL_WRITE_PRINTER_DATA_SEEDS is not set";
  }
  GLocaleInfo plain;
  GLocaleInfo changed(3);
  changed.SetLongDate(std::string(600, 'd').c_str());
  MPersistentComposite composite(8);
  composite.Add(new GPersistableLong(-5));
  composite.Add(new GLocaleInfo(4));
  const struct {
    const char* name;
    const RWCollectable* object;
  } seeds[] = {{"locale_default", &plain}, {"locale_long", &changed}, {"composite", &composite}};
  for (const auto& seed : seeds) {
    ASSERT_EQ(services_->StorePrinterDataObject(session_, u"Obj", seed.object), 1);
    vel::platform::spooler::PrinterDataValue count;
    ASSERT_EQ(vel::platform::spooler::GetPrinterDataValue(u"Laser 1", u"Obj", &count), 0u);
    std::string bytes(count.bytes.begin(), count.bytes.end());
    const std::uint32_t chunks = count.bytes[0] | count.bytes[1] << 8;
    for (std::uint32_t i = 0; i < chunks; ++i) {
      vel::platform::spooler::PrinterDataValue chunk;
      const std::u16string name = u"Obj:" + std::u16string(1, static_cast<char16_t>(u'0' + i));
      ASSERT_EQ(vel::platform::spooler::GetPrinterDataValue(u"Laser 1", name, &chunk), 0u);
      bytes.push_back(static_cast<char>(chunk.bytes.size()));
      bytes.append(chunk.bytes.begin(), chunk.bytes.end());
    }
    std::ofstream(std::string(folder) + "/" + seed.name, std::ios::binary) << bytes;
  }
}

}  // namespace
