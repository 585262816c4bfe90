// The engine's printer calls over the spooler's printer store: printer information, printer data,
// forms, the driver data file's name and job output.
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <mutex>
#include <string>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineLedger.h"
#include "platform/engine/winddi.h"
#include "platform/spooler/PackedRecords.h"
#include "platform/spooler/PrinterStore.h"

namespace spooler = vel::platform::spooler;
using vel::platform::LogCall;
using vel::platform::ShouldFail;
using vel::platform::ToUtf8;

namespace {

std::string Text(LPCWSTR text) {
  return text == nullptr ? std::string("null")
                         : ToUtf8(std::u16string_view(text, vel::platform::WideLength(text)));
}

using spooler::Packer;
using spooler::PackForms;
using spooler::PackInto;
using spooler::PackPrinter;

std::optional<std::u16string> PrinterOf(HANDLE printer) {
  return spooler::HandlePrinterName(printer);
}

struct Bindings {
  std::mutex mutex;
  // The data file name of each bound device, owned here while the device is bound.
  std::map<HDEV, std::unique_ptr<std::u16string>> data_files;
};

Bindings& GetBindings() {
  static Bindings* bindings = new Bindings;
  return *bindings;
}

}  // namespace

BOOL EngGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  BOOL result = FALSE;
  DWORD error = ERROR_SUCCESS;
  std::optional<std::u16string> name = PrinterOf(printer);
  std::optional<spooler::PrinterRecord> record;
  if (name) {
    record = spooler::GetPrinter(*name);
  }
  if (ShouldFail("EngGetPrinter")) {
    error = ERROR_GEN_FAILURE;
  } else if (!record) {
    error = ERROR_INVALID_HANDLE;
  } else if (level != 2) {
    error = ERROR_INVALID_LEVEL;
  } else if (needed == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else if (!PackInto(buffer, size, needed,
                       [&](Packer& packer) { PackPrinter(packer, *record); })) {
    error = ERROR_INSUFFICIENT_BUFFER;
  } else {
    result = TRUE;
  }
  if (error != ERROR_SUCCESS) {
    EngSetLastError(error);
  }
  LogCall("EngGetPrinter(" + std::to_string(level) + ", " + std::to_string(size) + ") = " +
          (result ? std::string("TRUE") : "FALSE, " + std::to_string(error)) +
          (needed != nullptr ? ", needed " + std::to_string(*needed) : ""));
  return result;
}

DWORD EngGetPrinterData(HANDLE printer, LPWSTR value_name, LPDWORD type, LPBYTE data, DWORD size,
                        LPDWORD needed) {
  DWORD result = ERROR_SUCCESS;
  std::optional<std::u16string> name = PrinterOf(printer);
  spooler::PrinterDataValue value;
  if (ShouldFail("EngGetPrinterData")) {
    result = ERROR_FILE_NOT_FOUND;
  } else if (!name) {
    result = ERROR_INVALID_HANDLE;
  } else if (value_name == nullptr || needed == nullptr || (data == nullptr && size > 0)) {
    result = ERROR_INVALID_PARAMETER;
  } else {
    result = spooler::GetPrinterDataValue(
        *name, std::u16string_view(value_name, vel::platform::WideLength(value_name)), &value);
    if (result == ERROR_INVALID_PRINTER_NAME) {
      result = ERROR_INVALID_HANDLE;
    }
  }
  if (result == ERROR_SUCCESS) {
    if (type != nullptr) {
      *type = value.type;
    }
    *needed = static_cast<DWORD>(value.bytes.size());
    if (value.bytes.size() > size) {
      result = ERROR_MORE_DATA;
    } else if (!value.bytes.empty()) {
      std::memcpy(data, value.bytes.data(), value.bytes.size());
    }
  }
  LogCall("EngGetPrinterData(" + Text(value_name) + ", " + std::to_string(size) + ") = " +
          std::to_string(result) +
          (result == ERROR_SUCCESS || result == ERROR_MORE_DATA
               ? ", type " + std::to_string(value.type) + ", size " +
                     std::to_string(value.bytes.size())
               : ""));
  return result;
}

DWORD EngSetPrinterData(HANDLE printer, LPWSTR value_name, DWORD type, LPBYTE data, DWORD size) {
  DWORD result = ERROR_SUCCESS;
  std::optional<std::u16string> name = PrinterOf(printer);
  if (ShouldFail("EngSetPrinterData")) {
    result = ERROR_ACCESS_DENIED;
  } else if (!name) {
    result = ERROR_INVALID_HANDLE;
  } else if (value_name == nullptr || (data == nullptr && size > 0)) {
    result = ERROR_INVALID_PARAMETER;
  } else {
    result = spooler::SetPrinterDataValue(
        *name, std::u16string_view(value_name, vel::platform::WideLength(value_name)), type, data,
        size);
    if (result == ERROR_INVALID_PRINTER_NAME) {
      result = ERROR_INVALID_HANDLE;
    }
  }
  LogCall("EngSetPrinterData(" + Text(value_name) + ", " + std::to_string(type) + ", " +
          std::to_string(size) + ") = " + std::to_string(result));
  return result;
}

BOOL EngEnumForms(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned) {
  BOOL result = FALSE;
  DWORD error = ERROR_SUCCESS;
  std::vector<spooler::FormRecord> forms;
  if (returned != nullptr) {
    *returned = 0;
  }
  if (ShouldFail("EngEnumForms")) {
    error = ERROR_GEN_FAILURE;
  } else if (!PrinterOf(printer)) {
    error = ERROR_INVALID_HANDLE;
  } else if (level != 1) {
    error = ERROR_INVALID_LEVEL;
  } else if (needed == nullptr || returned == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else {
    forms = spooler::Forms();
    if (!PackInto(buffer, size, needed, [&](Packer& packer) { PackForms(packer, forms); })) {
      error = ERROR_INSUFFICIENT_BUFFER;
    } else {
      *returned = static_cast<DWORD>(forms.size());
      result = TRUE;
    }
  }
  if (error != ERROR_SUCCESS) {
    EngSetLastError(error);
  }
  LogCall("EngEnumForms(" + std::to_string(level) + ", " + std::to_string(size) + ") = " +
          (result ? "TRUE, " + std::to_string(forms.size()) : "FALSE, " + std::to_string(error)));
  return result;
}

BOOL EngGetForm(HANDLE printer, LPWSTR form_name, DWORD level, LPBYTE buffer, DWORD size,
                LPDWORD needed) {
  BOOL result = FALSE;
  DWORD error = ERROR_SUCCESS;
  std::optional<spooler::FormRecord> form;
  if (ShouldFail("EngGetForm")) {
    error = ERROR_GEN_FAILURE;
  } else if (!PrinterOf(printer)) {
    error = ERROR_INVALID_HANDLE;
  } else if (level != 1) {
    error = ERROR_INVALID_LEVEL;
  } else if (form_name == nullptr || needed == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else if (!(form = spooler::GetForm(
                   std::u16string_view(form_name, vel::platform::WideLength(form_name))))) {
    error = ERROR_INVALID_FORM_NAME;
  } else if (!PackInto(buffer, size, needed, [&](Packer& packer) { PackForms(packer, {*form}); })) {
    error = ERROR_INSUFFICIENT_BUFFER;
  } else {
    result = TRUE;
  }
  if (error != ERROR_SUCCESS) {
    EngSetLastError(error);
  }
  LogCall("EngGetForm(" + Text(form_name) + ", " + std::to_string(size) + ") = " +
          (result ? std::string("TRUE") : "FALSE, " + std::to_string(error)));
  return result;
}

LPWSTR EngGetPrinterDataFileName(HDEV hdev) {
  LPWSTR name = nullptr;
  if (!ShouldFail("EngGetPrinterDataFileName")) {
    Bindings& bindings = GetBindings();
    std::lock_guard<std::mutex> lock(bindings.mutex);
    auto it = bindings.data_files.find(hdev);
    if (it != bindings.data_files.end()) {
      name = it->second->data();
    }
  }
  LogCall("EngGetPrinterDataFileName = " + Text(name));
  return name;
}

BOOL EngWritePrinter(HANDLE printer, LPVOID buffer, DWORD size, LPDWORD written) {
  BOOL result = FALSE;
  DWORD error = ERROR_SUCCESS;
  std::size_t taken = 0;
  if (written != nullptr) {
    *written = 0;
  }
  if (ShouldFail("EngWritePrinter")) {
    error = ERROR_WRITE_FAULT;
  } else if (written == nullptr || (buffer == nullptr && size > 0)) {
    error = ERROR_INVALID_PARAMETER;
  } else if (std::optional<std::size_t> took = spooler::WriteOutput(printer, buffer, size)) {
    taken = *took;
    *written = static_cast<DWORD>(taken);
    result = TRUE;
  } else {
    error = spooler::IsPrinterHandle(printer) ? ERROR_WRITE_FAULT : ERROR_INVALID_HANDLE;
  }
  if (error != ERROR_SUCCESS) {
    EngSetLastError(error);
  }
  LogCall("EngWritePrinter(" + std::to_string(size) + ") = " +
          (result ? std::to_string(taken) : "FALSE, " + std::to_string(error)));
  return result;
}

namespace vel::platform::engine {

void BindDevice(HDEV hdev, HANDLE printer) {
  std::u16string data_file;
  if (std::optional<std::u16string> name = spooler::HandlePrinterName(printer)) {
    if (std::optional<spooler::PrinterRecord> record = spooler::GetPrinter(*name)) {
      data_file = record->data_file;
    }
  }
  Bindings& bindings = GetBindings();
  std::lock_guard<std::mutex> lock(bindings.mutex);
  bindings.data_files[hdev] = std::make_unique<std::u16string>(std::move(data_file));
}

void UnbindDevice(HDEV hdev) {
  Bindings& bindings = GetBindings();
  std::lock_guard<std::mutex> lock(bindings.mutex);
  bindings.data_files.erase(hdev);
}

}  // namespace vel::platform::engine
