// The driver server under threads: opening, finding and closing on both tables while another
// thread frees memory and releases spares. Every object is deleted exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/GDriverServer.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/MPersistentComposite.h"
#include "platform/PathMap.h"
#include "platform/spooler/PrinterStore.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestRenderDevice.h"
#include "tests/support/TempDir.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

TEST(DriverServerThreads, OpenFindAndCloseOnBothTablesWhileMemoryIsFreed) {
  RegisterFrameworkTestClasses();
  TempDir root;
  vel::platform::SetPlatformRoot(root.Path().string());
  vel::platform::spooler::OpenStore((root.Path() / "state").string());
  const std::string file = root.File("laser.dat");
  {
    const std::unique_ptr<MPersistentComposite> model(
        vel::data::BuildModel(vel::data::kDefaultModel));
    ASSERT_TRUE(vel::data::WriteDriverData(*model, file));
  }
  const std::u16string printers[] = {u"Laser 1", u"Laser 2"};
  for (const std::u16string& name : printers) {
    vel::platform::spooler::PrinterRecord printer;
    printer.name = name;
    printer.driver_name = u"vel-laser";
    printer.port_name = u"LPT1:";
    printer.data_file = std::u16string(file.begin(), file.end());
    ASSERT_TRUE(vel::platform::spooler::PutPrinter(printer));
  }
  auto* services = new BothKindsServices;
  services->make_render_device = [](const GPrinterKey& key) -> GDeviceSession* {
    return new TestRenderDevice(key);
  };
  services->make_ui_driver = [](const GPrinterKey& key) -> GDeviceSession* {
    return new TestUIObject(key);
  };
  const int render_live = TestRenderDevice::live.load();
  const int ui_live = TestUIObject::live.load();
  GDriverServer* server = CreateDriverServer();
  ASSERT_NE(server, nullptr);

  constexpr int kThreads = 8;
  constexpr int kRounds = 20;
  std::atomic<bool> done{false};
  std::atomic<int> mismatches{0};
  std::thread freer([&] {
    while (!done.load()) {
      server->FreeMemory();
      server->ReleaseSpares();
      std::this_thread::yield();
    }
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        const std::u16string& printer = printers[(t + round) % 2];
        std::uint32_t render_cookie = 0;
        GRenderDevice* device =
            server->OpenRenderDriver(new TestPrinterKey(printer, u"vel-laser"), &render_cookie);
        std::uint32_t ui_cookie = 0;
        server->OpenUIDriver(new TestPrinterKey(printer, u"vel-laser"), &ui_cookie);
        if (device == nullptr || server->FindRenderDriver(render_cookie) != device ||
            device->GetCookie() != render_cookie || ui_cookie == 0) {
          mismatches.fetch_add(1);
        }
        std::uint32_t found = 0;
        if (server->FindRenderCookie(device, &found) != 1 || found != render_cookie) {
          mismatches.fetch_add(1);
        }
        server->CloseRenderDriver(render_cookie);
        server->CloseUIDriver(ui_cookie);
      }
    });
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  done.store(true);
  freer.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(server->RenderCount(), 0u);
  EXPECT_EQ(server->UICount(), 0u);

  vel::DeleteDriverServer();
  EXPECT_EQ(TestRenderDevice::live.load(), render_live);
  EXPECT_EQ(TestUIObject::live.load(), ui_live);
  vel::DeleteOSServices();
  vel::platform::spooler::ResetStore();
}

}  // namespace
}  // namespace vel::test
