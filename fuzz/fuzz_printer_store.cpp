// Loads the printer store's two state files from arbitrary text (the input up to its first NUL is
// printers.txt, the rest forms.txt). Whatever loads must save and load again to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/spooler/PrinterStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vel::platform::spooler;
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string printers = input.substr(0, split);
  std::string forms = split == std::string::npos ? std::string() : input.substr(split + 1);
  LoadStoreText(printers, forms);
  const std::string printers_saved = SavePrintersText();
  const std::string forms_saved = SaveFormsText();
  LoadReport again = LoadStoreText(printers_saved, forms_saved);
  if (!again.problems.empty() || SavePrintersText() != printers_saved ||
      SaveFormsText() != forms_saved) {
    std::abort();
  }
  return 0;
}
