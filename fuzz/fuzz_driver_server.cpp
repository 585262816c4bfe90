// A driver data file from arbitrary bytes: the driver server reads it for a stand-in printer and
// fills a new render device with what it holds (the head of the peripheral chain, the media and
// tray mapping lists); the device then runs a short job (document start, a page, document end)
// through that chain and is closed, kept as the spare and reused for a second printer of the
// driver. Every driver data file is read afresh (the server forgets what it read after each input).
//
// Nothing may crash, leak or end the process; a file that is not a driver data file leaves the
// device without a chain, and the job then fails with a status.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GDriverServer.h"
#include "framework/core/GRenderDevice.h"
#include "platform/CallLog.h"
#include "platform/spooler/PrinterStore.h"
#include "rw/RWError.h"
#include "tests/support/FwTestRenderDevice.h"

namespace {

void IgnoreErrors(const RWErrorBase&) {}

// The driver data file: an in-memory file, named by its path under /proc.
struct ScratchFile {
  int fd = memfd_create("fuzz_driver_server", 0);
  std::string name = "/proc/self/fd/" + std::to_string(fd);

  void Fill(const std::uint8_t* data, std::size_t size) const {
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
      std::abort();
    }
  }
};

GDriverServer* Setup(const ScratchFile& file) {
  SetErrorHook(&IgnoreErrors);
  GRegisterFrameworkClasses();
  vel::platform::spooler::OpenStore("");
  for (const char16_t* name : {u"Fuzz 1", u"Fuzz 2"}) {
    vel::platform::spooler::PrinterRecord printer;
    printer.name = name;
    printer.driver_name = u"Model";
    printer.port_name = u"LPT1:";
    printer.data_file = std::u16string(file.name.begin(), file.name.end());
    vel::platform::spooler::PutPrinter(printer);
  }
  auto* services = new vel::test::BothKindsServices;
  services->make_render_device = [](const GPrinterKey& key) -> GDeviceSession* {
    return new vel::test::TestRenderDevice(key);
  };
  return CreateDriverServer();
}

void RunJob(GRenderDevice& device) {
  device.ResetJob();
  device.SetJobNames(u"Fuzz", u"Fuzz 1");
  device.SetDocumentPending(1);
  device.SetPagePending(1);
  if (device.EnsureDocumentStarted() == 0 && device.SendPendingPageStart() == 0) {
    (void)device.SendCommand(device.MakePageEnd());
  }
  (void)device.SendCommand(device.MakeDocumentEnd());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFile file;
  static GDriverServer* server = Setup(file);
  file.Fill(data, size);
  std::uint32_t cookie = 0;
  GRenderDevice* device =
      server->OpenRenderDriver(new vel::test::TestPrinterKey(u"Fuzz 1", u"Model"), &cookie);
  if (device != nullptr) {
    RunJob(*device);
    server->CloseRenderDriver(cookie);
    device = server->OpenRenderDriver(new vel::test::TestPrinterKey(u"Fuzz 2", u"Model"), &cookie);
    if (device != nullptr) {
      RunJob(*device);
      server->CloseRenderDriver(cookie);
    }
  }
  server->ReleaseSpares();
  server->RemoveAll();
  vel::platform::ClearCallLog();
  return 0;
}
