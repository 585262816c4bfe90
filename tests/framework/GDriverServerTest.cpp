// The driver server over the test services and stand-in printers whose driver data file is the
// model fixture: reading the file once per driver, two objects per printer, spares and their
// rebinding, cookies, closing, the out-of-memory step, and the printer handle of a document start.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/core/DriverError.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GDeviceSession.h"
#include "framework/core/GDriverServer.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/NewHandler.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "platform/PathMap.h"
#include "platform/spooler/PrinterStore.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestProviders.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestRenderDevice.h"
#include "tests/support/TempDir.h"
#include "tools/veldata/DriverData.h"
#include "vel_flavour.h"

namespace vel::test {
namespace {

constexpr bool kRender = vel::flavour::kIsRenderFlavour;
namespace key = vel::key;

std::vector<int>& Reports() {
  static std::vector<int> reports;
  return reports;
}

void RecordReport(std::int32_t, std::uint16_t id, const char*) {
  Reports().push_back(id);
  std::fprintf(stderr, "report %d\n", id);
}

int g_hook_runs = 0;
void CountHookRun() {
  ++g_hook_runs;
}

class DriverServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RegisterFrameworkTestClasses();
    Reports().clear();
    g_hook_runs = 0;
    previous_observer_ = vel::SetDriverErrorObserver(&RecordReport);
    vel::platform::SetPlatformRoot(root_.Path().string());
    vel::platform::spooler::OpenStore((root_.Path() / "state").string());
    const std::unique_ptr<MPersistentComposite> model(
        vel::data::BuildModel(vel::data::kDefaultModel));
    laser_file_ = root_.File("laser.dat");
    jet_file_ = root_.File("jet.dat");
    ASSERT_TRUE(vel::data::WriteDriverData(*model, laser_file_));
    ASSERT_TRUE(vel::data::WriteDriverData(*model, jet_file_));
    AddPrinter(u"Laser 1", u"vel-laser", laser_file_);
    AddPrinter(u"Laser 2", u"vel-laser", laser_file_);
    AddPrinter(u"Jet 1", u"vel-jet", jet_file_);

    services_ = new BothKindsServices;
    services_->make_render_device = [](const GPrinterKey& k) -> GDeviceSession* {
      return new TestRenderDevice(k);
    };
    services_->make_ui_driver = [this](const GPrinterKey& k) -> GDeviceSession* {
      auto* object = new TestUIObject(k);
      object->on_close = ui_close_;
      return object;
    };
    server_ = new GDriverServer;
    ASSERT_NE(server_, nullptr);
  }
  void TearDown() override {
    RemoveNewHandler();
    vel::DeleteDriverServer();
    vel::DeleteOSServices();
    vel::platform::spooler::ResetStore();
    vel::SetDriverErrorObserver(previous_observer_);
  }

  void AddPrinter(const std::u16string& name, const std::u16string& driver,
                  const std::string& file) {
    vel::platform::spooler::PrinterRecord printer;
    printer.name = name;
    printer.driver_name = driver;
    printer.port_name = u"LPT1:";
    printer.data_file = std::u16string(file.begin(), file.end());
    ASSERT_TRUE(vel::platform::spooler::PutPrinter(printer));
  }
  int Reads(const std::string& file) {
    return services_->FileReaderCount(std::u16string(file.begin(), file.end()));
  }
  GRenderDevice* OpenRender(const std::u16string& printer, const std::u16string& driver,
                            std::uint32_t* cookie) {
    return server_->OpenRenderDriver(new TestPrinterKey(printer, driver), cookie);
  }
  static std::string Name(const RWWString& text) { return std::string(text.Data(), text.Data() + text.Length()); }

  TempDir root_;
  std::string laser_file_;
  std::string jet_file_;
  BothKindsServices* services_ = nullptr;
  GDriverServer* server_ = nullptr;
  std::function<void()> ui_close_;
  vel::DriverErrorObserver previous_observer_ = nullptr;
};

TEST_F(DriverServerTest, EachDriverDataFileIsReadOnce) {
  std::uint32_t first_cookie = 0;
  GRenderDevice* first = OpenRender(u"Laser 1", u"vel-laser", &first_cookie);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first_cookie, 0u);
  EXPECT_EQ(first->GetCookie(), first_cookie);
  EXPECT_NE(first->GetConfiguration(), nullptr);
  EXPECT_NE(first->GetMediaMappingList(), nullptr);
  EXPECT_NE(first->GetTrayMappingList(), nullptr);
  EXPECT_EQ(Reads(laser_file_), 1);

  // Closed: kept as the spare; another printer of the same driver takes it and reads no file.
  server_->CloseRenderDriver(first_cookie);
  EXPECT_TRUE(server_->HasRenderSpare());
  std::uint32_t second_cookie = 0;
  GRenderDevice* second = OpenRender(u"Laser 2", u"vel-laser", &second_cookie);
  EXPECT_EQ(second, first);
  EXPECT_FALSE(server_->HasRenderSpare());
  EXPECT_EQ(Name(second->GetPrinterName()), "Laser 2");
  EXPECT_EQ(Reads(laser_file_), 1);

  // Closed again; a printer of another driver gets a new object from its own file, the spare stays.
  server_->CloseRenderDriver(second_cookie);
  std::uint32_t jet_cookie = 0;
  GRenderDevice* jet = OpenRender(u"Jet 1", u"vel-jet", &jet_cookie);
  ASSERT_NE(jet, nullptr);
  EXPECT_NE(jet, first);
  EXPECT_EQ(Reads(jet_file_), 1);
  EXPECT_TRUE(server_->HasRenderSpare());
  EXPECT_NE(jet->GetConfiguration(), nullptr);
}

TEST_F(DriverServerTest, TwoOpensForOnePrinterGiveTwoObjects) {
  std::uint32_t a_cookie = 0;
  std::uint32_t b_cookie = 0;
  GRenderDevice* a = OpenRender(u"Laser 1", u"vel-laser", &a_cookie);
  GRenderDevice* b = OpenRender(u"Laser 1", u"vel-laser", &b_cookie);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(a_cookie, b_cookie);
  EXPECT_NE(a->GetConfiguration(), b->GetConfiguration());
  EXPECT_EQ(server_->FindRenderDriver(a_cookie), a);
  EXPECT_EQ(server_->FindRenderDriver(b_cookie), b);
  std::uint32_t found = 0;
  EXPECT_EQ(server_->FindRenderCookie(b, &found), 1);
  EXPECT_EQ(found, b_cookie);
  EXPECT_EQ(server_->FindUICookie(b, &found), 0);
  EXPECT_EQ(server_->RenderCount(), 2u);
  EXPECT_EQ(Reads(laser_file_), 1);
}

TEST_F(DriverServerTest, AReusedSpareForgetsThePreviousPrinter) {
  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenRender(u"Laser 1", u"vel-laser", &cookie);
  ASSERT_NE(device, nullptr);
  // Under the first printer: a detected option changes its configuration, its job changes the
  // copies.
  auto* limit = dynamic_cast<GRangeAttribute*>(
      device->GetPrinterConfiguration()->FindByKey(key::kCopiesLimit));
  ASSERT_NE(limit, nullptr);
  limit->SetMax(5);
  std::int16_t granted = 0;
  device->SetCopyCount(4, &granted);
  device->SetJobNames(u"Old job", u"Laser 1");
  // What the device kept for its printer: the printer's installed fonts.
  device->SetOwnedObject("AddedFonts", new FwTestLeaf(1, 1));
  GFontDatabase* old_table = device->GetDownloadedFontTable();
  ASSERT_NE(old_table, nullptr);
  server_->CloseRenderDriver(cookie);
  EXPECT_EQ(device->GetDownloadedFontTable(), nullptr);

  GRenderDevice* reused = OpenRender(u"Laser 2", u"vel-laser", &cookie);
  ASSERT_EQ(reused, device);
  EXPECT_EQ(Name(reused->GetPrinterName()), "Laser 2");
  EXPECT_EQ(reused->GetJobName().Length(), 0u);
  const auto* fresh_limit = dynamic_cast<GRangeAttribute*>(
      reused->GetPrinterConfiguration()->FindByKey(key::kCopiesLimit));
  ASSERT_NE(fresh_limit, nullptr);
  EXPECT_EQ(fresh_limit->GetMax(), 999);
  EXPECT_EQ(reused->SetCopyCount(3, &granted), 3);  // the fixture's copies, not the old job's 4
  EXPECT_EQ(reused->FindOwnedObject("AddedFonts"), nullptr);
  ASSERT_NE(reused->GetDownloadedFontTable(), nullptr);
  EXPECT_EQ(reused->GetDownloadedFontTable()->Count(), 0u);
  // The services now answer for the new printer.
  RWWString file;
  services_->GetDriverDataFileName(file, reused);
  EXPECT_EQ(Name(file), laser_file_);
}

// The cookie a fold answers for every object.
std::uint32_t g_fold = 0;
std::uint32_t FixedFold(const GDeviceSession*) {
  return g_fold;
}

TEST_F(DriverServerTest, CookiesStartAtTheFoldAndStepPastThoseInUse) {
  server_->SetCookieFold(&FixedFold);
  struct FoldCase {
    std::uint32_t fold;
    std::vector<std::uint32_t> cookies;  // of successive opens
  };
  const FoldCase cases[] = {
      {0, {1, 2}},
      {0x1234, {0x1234, 0x1235, 0x1236}},
      {0xFFFFFFFFu, {0xFFFFFFFFu, 1, 2}},
  };
  for (const FoldCase& c : cases) {
    SCOPED_TRACE(c.fold);
    g_fold = c.fold;
    std::vector<std::uint32_t> cookies;
    for (std::size_t i = 0; i < c.cookies.size(); ++i) {
      std::uint32_t cookie = 0;
      ASSERT_NE(OpenRender(u"Laser 1", u"vel-laser", &cookie), nullptr);
      cookies.push_back(cookie);
    }
    EXPECT_EQ(cookies, c.cookies);
    server_->RemoveAll();
  }
}

TEST_F(DriverServerTest, ClosingWithSparesOffDeletesAndTheLastRenderCloseRunsTheHookOnce) {
  server_->SetRenderTableEmptyHook(&CountHookRun);
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  OpenRender(u"Laser 1", u"vel-laser", &a);
  OpenRender(u"Laser 1", u"vel-laser", &b);
  const int live = TestRenderDevice::live.load();
  server_->DisableSpares();
  EXPECT_TRUE(server_->SparesOff());
  server_->CloseRenderDriver(a);
  EXPECT_EQ(TestRenderDevice::live.load(), live - 1);
  EXPECT_EQ(g_hook_runs, 0);
  EXPECT_TRUE(server_->SparesOff());
  server_->CloseRenderDriver(b);
  EXPECT_EQ(TestRenderDevice::live.load(), live - 2);
  EXPECT_EQ(g_hook_runs, 1);
  EXPECT_FALSE(server_->SparesOff());
  EXPECT_FALSE(server_->HasRenderSpare());

  // With spares on, the closed device waits as the spare; the table is empty again.
  OpenRender(u"Laser 1", u"vel-laser", &a);
  server_->CloseRenderDriver(a);
  EXPECT_EQ(g_hook_runs, 2);
  EXPECT_TRUE(server_->HasRenderSpare());
  EXPECT_EQ(TestRenderDevice::live.load(), live - 1);
  EXPECT_EQ(server_->FindRenderDriver(a), nullptr);
  EXPECT_EQ(server_->FindRenderDriver(0), nullptr);
  EXPECT_EQ(server_->FindUIDriver(0), nullptr);
}

TEST_F(DriverServerTest, ClosingAnUnknownCookieReportsWhileSparesAreOn) {
  server_->DisableSpares();
  server_->CloseRenderDriver(0x77);
  server_->CloseUIDriver(0x77);
  EXPECT_TRUE(Reports().empty());
  server_->ReleaseSpares();
  std::uint32_t cookie = 0;
  OpenRender(u"Laser 1", u"vel-laser", &cookie);
  server_->CloseRenderDriver(cookie);  // the last: spares on again
  ASSERT_FALSE(server_->SparesOff());
  if (kRender) {
    server_->CloseRenderDriver(0x77);
    EXPECT_EQ(Reports(), std::vector<int>{GDriverServer::kUnknownCookie});
    return;
  }
  EXPECT_DEATH(server_->CloseUIDriver(0x77), "report 501");
}

TEST_F(DriverServerTest, ServicesThatMakeNoObjectLeaveTheTableAlone) {
  services_->make_render_device = nullptr;
  services_->make_ui_driver = nullptr;
  std::uint32_t cookie = 99;
  EXPECT_EQ(OpenRender(u"Laser 1", u"vel-laser", &cookie), nullptr);
  EXPECT_EQ(cookie, 0u);
  cookie = 99;
  EXPECT_EQ(server_->OpenUIDriver(new TestPrinterKey(u"Laser 1", u"vel-laser"), &cookie), nullptr);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(server_->RenderCount(), 0u);
  EXPECT_EQ(server_->UICount(), 0u);
  EXPECT_EQ(Reads(laser_file_), 0);
}

TEST_F(DriverServerTest, UIObjectsAreFiledAndRebound) {
  std::uint32_t cookie = 0;
  server_->OpenUIDriver(new TestPrinterKey(u"Laser 1", u"vel-laser"), &cookie);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(server_->UICount(), 1u);
  server_->CloseUIDriver(cookie);
  EXPECT_TRUE(server_->HasUISpare());
  server_->OpenUIDriver(new TestPrinterKey(u"Laser 2", u"vel-laser"), &cookie);
  EXPECT_FALSE(server_->HasUISpare());
  EXPECT_EQ(Reads(laser_file_), 1);
  EXPECT_TRUE(server_->ReleaseSpares() == false);
  server_->RemoveAll();
  EXPECT_EQ(server_->UICount(), 0u);
}

// --- The out-of-memory step ----------------------------------------------------------------------

TEST_F(DriverServerTest, OutOfMemoryFreesTheSpareAndTheAllocationSucceeds) {
  InstallNewHandler(1024);
  std::uint32_t cookie = 0;
  OpenRender(u"Laser 1", u"vel-laser", &cookie);
  server_->CloseRenderDriver(cookie);
  ASSERT_TRUE(server_->HasRenderSpare());
  char* block = nullptr;
  {
    FailingAllocation refuse(0, 1);
    block = new (std::nothrow) char[64];
    EXPECT_EQ(refuse.Refused(), 1);
  }
  EXPECT_NE(block, nullptr);
  delete[] block;
  EXPECT_FALSE(server_->HasRenderSpare());
  EXPECT_FALSE(server_->SparesOff());
  EXPECT_TRUE(Reports().empty());
}

TEST_F(DriverServerTest, OutOfMemoryWithNothingToFreeTurnsSparesOffAndReports) {
  InstallNewHandler(1024);
  if (!kRender) {
    EXPECT_DEATH(
        {
          FailingAllocation refuse(0, 1);
          char* block = new (std::nothrow) char[64];
          delete[] block;
        },
        "report 101");
    return;
  }
  {
    FailingAllocation refuse(0, 1);
    char* block = new (std::nothrow) char[64];
    EXPECT_EQ(block, nullptr);
  }
  EXPECT_TRUE(server_->SparesOff());
  EXPECT_EQ(Reports(), std::vector<int>{101});
}

TEST_F(DriverServerTest, AFailingAllocationInsideATableCompletesWithoutDeadlock) {
  InstallNewHandler(1024);
  // A UI object's Close runs under the UI lock; an allocation there fails once. The handler's
  // FreeMemory must not wait for the lock this thread holds. Spare render devices are freed.
  std::uint32_t render_cookie = 0;
  OpenRender(u"Laser 1", u"vel-laser", &render_cookie);
  server_->CloseRenderDriver(render_cookie);
  char* block = nullptr;
  int refused = 0;
  ui_close_ = [&] {
    FailingAllocation refuse(0, 1);
    block = new (std::nothrow) char[64];
    refused = refuse.Refused();
  };
  std::uint32_t cookie = 0;
  server_->OpenUIDriver(new TestPrinterKey(u"Laser 1", u"vel-laser"), &cookie);
  server_->CloseUIDriver(cookie);
  EXPECT_EQ(refused, 1);
  EXPECT_NE(block, nullptr);
  delete[] block;
  EXPECT_FALSE(server_->HasRenderSpare());
  EXPECT_TRUE(server_->HasUISpare());
}

// --- End to end --------------------------------------------------------------------------------

TEST_F(DriverServerTest, AJobThroughAFiledDeviceReachesTheSpoolerChannel) {
  TestProvider provider(3);
  // The printer deletes its channel at the document end: the port keeps its bytes here.
  class KeptPort : public MemoryOutputPort {
   public:
    explicit KeptPort(Bytes* kept) : kept_(kept) {}
    ~KeptPort() override { *kept_ = bytes(); }

   private:
    Bytes* kept_;
  };
  Bytes kept;
  int ports = 0;
  provider.MakeOutput([&](const TestProvider::Request&) -> GOutputPort* {
    ++ports;
    return new KeptPort(&kept);
  });
  ScopedRegistration registration(&provider, "Basic Spooler");
  ASSERT_EQ(registration.Result(), 0);

  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenRender(u"Laser 1", u"vel-laser", &cookie);
  ASSERT_NE(device, nullptr);
  ASSERT_NE(device->GetPrinterPeripheral(), nullptr);
  ASSERT_NE(device->GetMediaPool(), nullptr);
  device->ResetJob();
  device->SetJobNames(u"Quarterly", u"Laser 1");
  device->SetDocumentPending(1);
  for (int page = 0; page < 2; ++page) {
    device->SetPagePending(1);
    ASSERT_EQ(device->EnsureDocumentStarted(), 0);
    ASSERT_EQ(device->SendPendingPageStart(), 0);
    ASSERT_EQ(device->SendCommand(device->MakePageEnd()), 0);
  }
  ASSERT_EQ(device->SendCommand(device->MakeDocumentEnd()), 0);
  EXPECT_EQ(device->GetState(), 0);
  ASSERT_EQ(ports, 1);
  ASSERT_EQ(provider.OutputRequests().size(), 1u);
  EXPECT_EQ(provider.OutputRequests()[0].owner, static_cast<GDeviceSession*>(device));
  const std::string text(kept.begin(), kept.end());
  EXPECT_NE(text.find("@PJL"), std::string::npos);
  EXPECT_NE(text.find("PCL XL"), std::string::npos);
  EXPECT_GT(kept.size(), 200u);

  // Closed: the device waits as the spare; another printer of the driver reuses it.
  server_->CloseRenderDriver(cookie);
  EXPECT_TRUE(server_->HasRenderSpare());
  GRenderDevice* reused = OpenRender(u"Laser 2", u"vel-laser", &cookie);
  EXPECT_EQ(reused, device);
  EXPECT_EQ(Name(reused->GetPrinterName()), "Laser 2");
  EXPECT_EQ(Reads(laser_file_), 1);
}

// --- Persistence samples: a document start whose handle is a device filed in the server -------

// A device filed in the current server, made once per server (a world of its own when the test
// binary has none: services that make render devices and a server).
GDeviceSession* FiledSampleDevice() {
  static GDriverServer* filed_in = nullptr;
  static std::uint32_t cookie = 0;
  static GRenderDevice* device = nullptr;
  GDriverServer* server = GetDriverServer();
  if (server != nullptr && server == filed_in && server->FindRenderDriver(cookie) == device) {
    return device;
  }
  auto* services = dynamic_cast<BothKindsServices*>(GetOSServices());
  if (services == nullptr) {
    services = new BothKindsServices;
  }
  if (!services->make_render_device) {
    services->make_render_device = [](const GPrinterKey& k) -> GDeviceSession* {
      return new TestRenderDevice(k);
    };
  }
  if (server == nullptr) {
    server = CreateDriverServer();
  }
  device = server->OpenRenderDriver(new TestPrinterKey(u"Sample", u"vel-laser"), &cookie);
  filed_in = server;
  return device;
}

FW_PERSIST_SAMPLES(vel::classid::kGDocumentStart,
                   {{"document start with a filed handle", [] {
                       auto* bundle = new GState(key::kDocumentGroup);
                       bundle->Add(new GValueAttribute(3, key::kDocumentCopies));
                       return new GDocumentStart(RWWString(u"Job"), RWWString(u"Laser"),
                                                 FiledSampleDevice(), bundle, 5);
                     }}});

// --- The printer handle of a document start -----------------------------------------------------

TEST_F(DriverServerTest, ADocumentStartRestoresToTheSessionFiledUnderItsCookie) {
  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenRender(u"Laser 1", u"vel-laser", &cookie);
  ASSERT_NE(device, nullptr);
  const std::unique_ptr<GCommand> made(device->MakeDocumentStart(u"J", u"P"));
  const auto* start = dynamic_cast<const GDocumentStart*>(made.get());
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->GetPrinterHandle(), static_cast<GDeviceSession*>(device));
  for (Carrier carrier : kAllCarriers) {
    SCOPED_TRACE(CarrierName(carrier));
    Restored restored = RestoreGraph(carrier, SaveGraph(carrier, start));
    const auto* read = dynamic_cast<const GDocumentStart*>(restored.object);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetPrinterHandle(), static_cast<GDeviceSession*>(device));
    DeleteRestored(restored.object);
  }
  // Once the device is closed its cookie is unknown: the handle restores null.
  const Bytes saved = SaveGraph(Carrier::kBinary, start);
  server_->CloseRenderDriver(cookie);
  Restored unknown = RestoreGraph(Carrier::kBinary, saved);
  const auto* lost = dynamic_cast<const GDocumentStart*>(unknown.object);
  ASSERT_NE(lost, nullptr);
  EXPECT_FALSE(unknown.failed);
  EXPECT_EQ(lost->GetPrinterHandle(), nullptr);
  DeleteRestored(unknown.object);
}

std::uint32_t GoldenFold(const GDeviceSession*) {
  return 0x1234ABCD;
}

TEST_F(DriverServerTest, GoldenDocumentStartWithAHandle) {
  server_->SetCookieFold(&GoldenFold);
  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenRender(u"Laser 1", u"vel-laser", &cookie);
  ASSERT_NE(device, nullptr);
  ASSERT_EQ(cookie, 0x1234ABCDu);
  GDocumentStart command(RWWString(u"J"), RWWString(u"P"), device, 0);
  command.SetSerialNumber(0x11223344);
  command.GetGraphicBundle()->SetSerialNumber(0x11223344);
  // Object record header, command part, the group 246, the document command part (names "J" and
  // "P"), then the document start: version, flag 1 and the cookie.
  const Bytes golden = HexBytes(
      "88 88 00 00  C1 02  01 00 00 00  00 00 00 00  44 33 22 11  01 00 00 00  "
      "F6 02  01 00 00 00  F6 00 00 00  44 33 22 11  01 00 00 00  01 00 00 00  "
      "01 00 00 00  00 00 00 00  01 00 00 00  "
      "01 00 00 00  01 00 00 00 4A 00  01 00 00 00 50 00  "
      "01 00 00 00  01 00 00 00  CD AB 34 12");
  ASSERT_EQ(golden.size(), 84u);
  EXPECT_TRUE(BytesEqual(golden, SaveGraph(Carrier::kFile, &command)));
  EXPECT_EQ(command.TotalStoredSize(), 84u);
  Restored restored = RestoreGraph(Carrier::kFile, golden);
  const auto* read = dynamic_cast<const GDocumentStart*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetPrinterHandle(), static_cast<GDeviceSession*>(device));
  DeleteRestored(restored.object);
}

}  // namespace
}  // namespace vel::test
