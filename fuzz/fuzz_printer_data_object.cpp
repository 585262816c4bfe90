// Loads a named object from arbitrary printer data: the input is stored into a stand-in printer
// as a chunk count and chunks, and the services load the object named by them.
//
// Input: u32 count (little-endian), stored as the REG_DWORD under the bare name; then chunks, each
// a length byte L and L bytes (cut at the end of the input), stored as REG_BINARY "Obj:0", ...
//
// The load must answer null or an object, never crash, leak or end the process.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GOSServices.h"
#include "platform/spooler/PrinterStore.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "tests/support/FwTestOSServices.h"

namespace {

void IgnoreErrors(const RWErrorBase&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static GDeviceSession* session = [] {
    SetErrorHook(&IgnoreErrors);
    GRegisterFrameworkClasses();
    vel::platform::spooler::OpenStore("");
    vel::platform::spooler::PrinterRecord printer;
    printer.name = u"Fuzz";
    printer.driver_name = u"Model";
    vel::platform::spooler::PutPrinter(printer);
    auto* services = new vel::test::TestOSServices;
    return services->BindSession(u"Fuzz");
  }();
  namespace spooler = vel::platform::spooler;
  for (const auto& value : spooler::DumpPrinterData(u"Fuzz")) {
    spooler::DeletePrinterDataValue(u"Fuzz", value.name);
  }
  if (size < 4) {
    return 0;
  }
  spooler::SetPrinterDataValue(u"Fuzz", u"Obj", REG_DWORD, data, 4);
  std::size_t at = 4;
  for (std::uint32_t index = 0; at < size; ++index) {
    const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
    const std::u16string name = u"Obj:" + [index] {
      std::u16string digits;
      std::uint32_t n = index;
      do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
      } while (n != 0);
      return digits;
    }();
    spooler::SetPrinterDataValue(u"Fuzz", name, REG_BINARY, data + at + 1, length);
    at += 1 + length;
  }
  RWCollectable* object = GetOSServices()->LoadPrinterDataObject(session, u"Obj");
  delete object;
  return 0;
}
