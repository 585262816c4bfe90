// Stand-in Win32 spooler calls over the printer store.
#include "platform/win32/winspool.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/spooler/PackedRecords.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/text.h"

namespace spooler = vel::platform::spooler;

namespace {

// The size protocol over the shared packer: a short or null buffer sets 122.
template <typename Pack>
bool PackInto(LPBYTE buffer, DWORD size, LPDWORD needed, Pack pack) {
  if (!spooler::PackInto(buffer, size, needed, pack)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  return true;
}

// A record of pointer fields filled by `fill(record, packer)`, packed before its strings.
template <typename Record, typename Fill>
void PackRecord(spooler::Packer& packer, Fill fill) {
  auto* at = reinterpret_cast<Record*>(packer.Reserve(sizeof(Record), alignof(Record)));
  Record record{};
  fill(record, packer);
  if (at != nullptr) {
    std::memcpy(at, &record, sizeof record);
  }
}

std::string Result(BOOL ok) {
  return ok ? "TRUE" : "FALSE error " + std::to_string(GetLastError());
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The printer of a live handle.
std::optional<spooler::PrinterRecord> PrinterOf(HANDLE printer) {
  std::optional<std::u16string> name = spooler::HandlePrinterName(printer);
  if (!name) {
    return std::nullopt;
  }
  return spooler::GetPrinter(*name);
}

bool CanAdminister(HANDLE printer) {
  std::optional<DWORD> access = spooler::HandleAccess(printer);
  return access && (*access & PRINTER_ACCESS_ADMINISTER) != 0;
}

std::string HandleText(HANDLE printer) {
  std::optional<std::u16string> name = spooler::HandlePrinterName(printer);
  return name ? vel::platform::ToUtf8(*name) : "(bad handle)";
}

// The store's form from a caller's FORM_INFO_1W; false when it has no name.
bool FormFrom(const BYTE* form, spooler::FormRecord* record) {
  const auto* info = reinterpret_cast<const FORM_INFO_1W*>(form);
  if (info == nullptr || info->pName == nullptr || info->pName[0] == 0) {
    return false;
  }
  record->name = info->pName;
  record->flags = info->Flags;
  record->size = info->Size;
  record->imageable_area = info->ImageableArea;
  return true;
}

// The error that stops a form call before it reaches the store; 0 when none does.
DWORD FormCallError(const char* call, HANDLE printer, DWORD level) {
  if (vel::platform::ShouldFail(call)) {
    return ERROR_GEN_FAILURE;
  }
  if (!spooler::IsPrinterHandle(printer)) {
    return ERROR_INVALID_HANDLE;
  }
  return level == 1 ? ERROR_SUCCESS : ERROR_INVALID_LEVEL;
}

}  // namespace

BOOL OpenPrinterW(LPCWSTR printer_name, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
  ACCESS_MASK access = defaults != nullptr ? defaults->DesiredAccess : 0;
  if (access == 0) {
    access = PRINTER_ACCESS_USE;
  }
  BOOL ok = FALSE;
  if (printer == nullptr) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (*printer = nullptr; vel::platform::ShouldFail("OpenPrinterW")) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
  } else if (printer_name == nullptr || !spooler::GetPrinter(printer_name)) {
    Fail(ERROR_INVALID_PRINTER_NAME);
  } else if ((access & PRINTER_ACCESS_ADMINISTER) != 0 && !spooler::UserIsAdministrator()) {
    Fail(ERROR_ACCESS_DENIED);
  } else {
    DWORD error = ERROR_INVALID_PRINTER_NAME;
    *printer = spooler::OpenPrinterHandle(printer_name, access, &error);
    ok = *printer != nullptr ? TRUE : Fail(error);
  }
  char access_text[16];
  std::snprintf(access_text, sizeof access_text, "0x%X", access);
  vel::platform::LogCall("OpenPrinterW(" + vel::platform::LogText(printer_name) + ", " +
                         access_text + ") = " + Result(ok));
  return ok;
}

BOOL ClosePrinter(HANDLE printer) {
  const std::string name = HandleText(printer);
  BOOL ok = FALSE;
  if (vel::platform::ShouldFail("ClosePrinter")) {
    Fail(ERROR_GEN_FAILURE);
  } else {
    ok = spooler::ClosePrinterHandle(printer) ? TRUE : Fail(ERROR_INVALID_HANDLE);
  }
  vel::platform::LogCall("ClosePrinter(" + name + ") = " + Result(ok));
  return ok;
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  BOOL ok = FALSE;
  std::optional<spooler::PrinterRecord> record = PrinterOf(printer);
  if (vel::platform::ShouldFail("GetPrinterW")) {
    Fail(ERROR_GEN_FAILURE);
  } else if (!record) {
    Fail(ERROR_INVALID_HANDLE);
  } else if (level != 2) {
    Fail(ERROR_INVALID_LEVEL);
  } else {
    ok = PackInto(buffer, size, needed,
                  [&](spooler::Packer& packer) { spooler::PackPrinter(packer, *record); });
  }
  vel::platform::LogCall("GetPrinterW(" + HandleText(printer) + ", " + std::to_string(level) +
                         ", " + std::to_string(size) + ") = " + Result(ok));
  return ok;
}

BOOL SetPrinterW(HANDLE printer, DWORD level, const BYTE* buffer, DWORD command) {
  BOOL ok = FALSE;
  std::optional<spooler::PrinterRecord> record = PrinterOf(printer);
  if (vel::platform::ShouldFail("SetPrinterW")) {
    Fail(ERROR_GEN_FAILURE);
  } else if (!record) {
    Fail(ERROR_INVALID_HANDLE);
  } else if (!CanAdminister(printer)) {
    Fail(ERROR_ACCESS_DENIED);
  } else if (level == 0) {
    ok = command != 0 ? TRUE : Fail(ERROR_INVALID_PARAMETER);
  } else if (level != 2) {
    Fail(ERROR_INVALID_LEVEL);
  } else if (buffer == nullptr || command != 0) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (spooler::IsStoreReadOnly()) {
    Fail(ERROR_ACCESS_DENIED);
  } else {
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer);
    if (info->pPortName != nullptr) {
      record->port_name = info->pPortName;
    }
    if (info->pDriverName != nullptr) {
      record->driver_name = info->pDriverName;
    }
    record->attributes = info->Attributes;
    bool valid = true;
    if (info->pDevMode != nullptr) {
      const std::size_t bytes =
          std::size_t{info->pDevMode->dmSize} + std::size_t{info->pDevMode->dmDriverExtra};
      // The public part must at least reach its own size fields.
      valid = info->pDevMode->dmSize >= offsetof(DEVMODEW, dmFields);
      const auto* first = reinterpret_cast<const BYTE*>(info->pDevMode);
      record->devmode.assign(first, first + (valid ? bytes : 0));
    }
    ok = valid && spooler::PutPrinter(*record) ? TRUE : Fail(ERROR_INVALID_PARAMETER);
  }
  vel::platform::LogCall("SetPrinterW(" + HandleText(printer) + ", " + std::to_string(level) +
                         ") = " + Result(ok));
  return ok;
}

BOOL GetPrinterDriverW(HANDLE printer,
                       LPCWSTR,
                       DWORD level,
                       LPBYTE buffer,
                       DWORD size,
                       LPDWORD needed) {
  BOOL ok = FALSE;
  std::optional<spooler::PrinterRecord> record = PrinterOf(printer);
  if (vel::platform::ShouldFail("GetPrinterDriverW")) {
    Fail(ERROR_GEN_FAILURE);
  } else if (!record) {
    Fail(ERROR_INVALID_HANDLE);
  } else if (level == 1) {
    ok = PackInto(buffer, size, needed, [&](spooler::Packer& packer) {
      PackRecord<DRIVER_INFO_1W>(packer, [&](DRIVER_INFO_1W& info, spooler::Packer& strings) {
        info.pName = strings.String(record->driver_name);
      });
    });
  } else if (level == 2) {
    ok = PackInto(buffer, size, needed, [&](spooler::Packer& packer) {
      PackRecord<DRIVER_INFO_2W>(packer, [&](DRIVER_INFO_2W& info, spooler::Packer& strings) {
        info.cVersion = 2;
        info.pName = strings.String(record->driver_name);
        info.pEnvironment = strings.String(u"Windows NT x86");
        info.pDriverPath = strings.String(record->driver_path);
        info.pDataFile = strings.String(record->data_file);
        info.pConfigFile = strings.String(record->config_file);
      });
    });
  } else {
    Fail(ERROR_INVALID_LEVEL);
  }
  vel::platform::LogCall("GetPrinterDriverW(" + HandleText(printer) + ", " + std::to_string(level) +
                         ", " + std::to_string(size) + ") = " + Result(ok));
  return ok;
}

DWORD GetPrinterDataW(HANDLE printer,
                      LPCWSTR value_name,
                      LPDWORD type,
                      LPBYTE data,
                      DWORD size,
                      LPDWORD needed) {
  DWORD result = ERROR_SUCCESS;
  std::optional<std::u16string> name = spooler::HandlePrinterName(printer);
  spooler::PrinterDataValue value;
  if (vel::platform::ShouldFail("GetPrinterDataW")) {
    result = ERROR_FILE_NOT_FOUND;
  } else if (!name) {
    result = ERROR_INVALID_HANDLE;
  } else if (needed == nullptr || value_name == nullptr) {
    result = ERROR_INVALID_PARAMETER;
  } else {
    result = spooler::GetPrinterDataValue(*name, value_name, &value);
    if (result == ERROR_INVALID_PRINTER_NAME) {
      result = ERROR_INVALID_HANDLE;
    }
  }
  if (result == ERROR_SUCCESS) {
    if (type != nullptr) {
      *type = value.type;
    }
    *needed = static_cast<DWORD>(value.bytes.size());
    if (value.bytes.size() > size || (data == nullptr && !value.bytes.empty())) {
      result = ERROR_MORE_DATA;
    } else if (!value.bytes.empty()) {
      std::memcpy(data, value.bytes.data(), value.bytes.size());
    }
  }
  vel::platform::LogCall("GetPrinterDataW(" + HandleText(printer) + ", " +
                         vel::platform::LogText(value_name) + ", " + std::to_string(size) +
                         ") = " + std::to_string(result));
  return result;
}

DWORD SetPrinterDataW(HANDLE printer,
                      LPCWSTR value_name,
                      DWORD type,
                      const BYTE* data,
                      DWORD size) {
  DWORD result = ERROR_SUCCESS;
  std::optional<std::u16string> name = spooler::HandlePrinterName(printer);
  if (vel::platform::ShouldFail("SetPrinterDataW")) {
    result = ERROR_ACCESS_DENIED;
  } else if (!name) {
    result = ERROR_INVALID_HANDLE;
  } else if (value_name == nullptr || (data == nullptr && size != 0)) {
    result = ERROR_INVALID_PARAMETER;
  } else if (!CanAdminister(printer)) {
    result = ERROR_ACCESS_DENIED;
  } else {
    result = spooler::SetPrinterDataValue(*name, value_name, type, data, size);
    if (result == ERROR_INVALID_PRINTER_NAME) {
      result = ERROR_INVALID_HANDLE;
    }
  }
  vel::platform::LogCall("SetPrinterDataW(" + HandleText(printer) + ", " +
                         vel::platform::LogText(value_name) + ", " + std::to_string(type) + ", " +
                         std::to_string(size) + ") = " + std::to_string(result));
  return result;
}

BOOL EnumFormsW(HANDLE printer,
                DWORD level,
                LPBYTE buffer,
                DWORD size,
                LPDWORD needed,
                LPDWORD returned) {
  BOOL ok = FALSE;
  if (returned != nullptr) {
    *returned = 0;
  }
  if (const DWORD error = FormCallError("EnumFormsW", printer, level)) {
    Fail(error);
  } else {
    const std::vector<spooler::FormRecord> forms = spooler::Forms();
    ok = PackInto(buffer, size, needed,
                  [&](spooler::Packer& packer) { spooler::PackForms(packer, forms); });
    if (ok && returned != nullptr) {
      *returned = static_cast<DWORD>(forms.size());
    }
  }
  vel::platform::LogCall("EnumFormsW(" + HandleText(printer) + ", " + std::to_string(size) +
                         ") = " + Result(ok));
  return ok;
}

BOOL GetFormW(HANDLE printer,
              LPCWSTR form_name,
              DWORD level,
              LPBYTE buffer,
              DWORD size,
              LPDWORD needed) {
  BOOL ok = FALSE;
  std::optional<spooler::FormRecord> form;
  if (const DWORD error = FormCallError("GetFormW", printer, level)) {
    Fail(error);
  } else if (form_name == nullptr || !(form = spooler::GetForm(form_name))) {
    Fail(ERROR_INVALID_FORM_NAME);
  } else {
    ok = PackInto(buffer, size, needed,
                  [&](spooler::Packer& packer) { spooler::PackForms(packer, {*form}); });
  }
  vel::platform::LogCall("GetFormW(" + HandleText(printer) + ", " +
                         vel::platform::LogText(form_name) + ", " + std::to_string(size) +
                         ") = " + Result(ok));
  return ok;
}

BOOL AddFormW(HANDLE printer, DWORD level, const BYTE* form) {
  BOOL ok = FALSE;
  spooler::FormRecord record;
  if (const DWORD error = FormCallError("AddFormW", printer, level)) {
    Fail(error);
  } else if (!FormFrom(form, &record)) {
    Fail(ERROR_INVALID_PARAMETER);
  } else {
    const DWORD error = spooler::AddForm(record);
    ok = error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  vel::platform::LogCall("AddFormW(" + HandleText(printer) + ", " +
                         vel::platform::ToUtf8(record.name) + ") = " + Result(ok));
  return ok;
}

BOOL SetFormW(HANDLE printer, LPCWSTR form_name, DWORD level, const BYTE* form) {
  BOOL ok = FALSE;
  spooler::FormRecord record;
  if (const DWORD error = FormCallError("SetFormW", printer, level)) {
    Fail(error);
  } else if (form_name == nullptr || !FormFrom(form, &record)) {
    Fail(ERROR_INVALID_PARAMETER);
  } else {
    const DWORD error = spooler::SetForm(form_name, record);
    ok = error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  vel::platform::LogCall("SetFormW(" + HandleText(printer) + ", " +
                         vel::platform::LogText(form_name) + ") = " + Result(ok));
  return ok;
}

BOOL DeleteFormW(HANDLE printer, LPCWSTR form_name) {
  BOOL ok = FALSE;
  if (const DWORD error = FormCallError("DeleteFormW", printer, 1)) {
    Fail(error);
  } else if (form_name == nullptr) {
    Fail(ERROR_INVALID_FORM_NAME);
  } else {
    const DWORD error = spooler::DeleteForm(form_name);
    ok = error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  vel::platform::LogCall("DeleteFormW(" + HandleText(printer) + ", " +
                         vel::platform::LogText(form_name) + ") = " + Result(ok));
  return ok;
}
