// The spooler's printer store: printers, printer data, forms, open handles and their output.
#include "platform/spooler/PrinterStore.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/WideText.h"
#include "platform/spooler/BuiltinForms.h"
#include "platform/spooler/StoreState.h"

namespace vel::platform::spooler {

using detail::GetState;
using detail::OpenHandle;
using detail::Printer;
using detail::State;

namespace detail {

State& GetState() {
  static State* state = new State;
  return *state;
}

}  // namespace detail

namespace {

constexpr char kPrintersFile[] = "printers.txt";
constexpr char kFormsFile[] = "forms.txt";

std::atomic<std::int64_t> g_short_write_after{-1};

// Writes a file of the state folder through a temporary file and a rename, so that a reader
// never sees half of it.
void WriteStateFile(const std::string& folder, const char* name, const std::string& text) {
  if (folder.empty()) {
    return;
  }
  std::filesystem::path path = std::filesystem::path(folder) / name;
  std::filesystem::path temp = path;
  temp += ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
      return;
    }
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);
}

void SavePrinters(const State& state) {
  WriteStateFile(state.folder, kPrintersFile, detail::PrintersText(state));
}

void SaveForms(const State& state) {
  WriteStateFile(state.folder, kFormsFile, detail::FormsText(state));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return {};
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Printer* FindPrinter(State& state, std::u16string_view name) {
  auto it = state.printers.find(FoldCase(name));
  return it == state.printers.end() ? nullptr : &it->second;
}

FormRecord BuiltinRecord(int index) {
  const BuiltinForm& form = BuiltinForms()[index];
  FormRecord record;
  record.name = form.name;
  record.flags = FORM_BUILTIN;
  record.size = SIZEL{form.width, form.height};
  record.imageable_area = RECTL{0, 0, form.width, form.height};
  return record;
}

int BuiltinIndex(std::u16string_view name) {
  const BuiltinForm* forms = BuiltinForms();
  for (int i = 0; i < kBuiltinFormCount; ++i) {
    if (EqualsIgnoringCase(forms[i].name, name)) {
      return i;
    }
  }
  return -1;
}

int AddedIndex(const State& state, std::u16string_view name) {
  for (std::size_t i = 0; i < state.added_forms.size(); ++i) {
    if (EqualsIgnoringCase(state.added_forms[i].name, name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::shared_ptr<OpenHandle> FindHandle(HANDLE handle) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto it = state.handles.find(handle);
  return it == state.handles.end() ? nullptr : it->second;
}

void Clear(State& state) {
  state.folder.clear();
  state.printers.clear();
  state.added_forms.clear();
  state.form_limit = 256;
  state.read_only = false;
  state.user_is_administrator = true;
  state.handles.clear();
  g_short_write_after = -1;
}

}  // namespace

LoadReport OpenStore(const std::string& state_folder) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Clear(state);
  LoadReport report;
  if (state_folder.empty()) {
    return report;
  }
  std::error_code error;
  std::filesystem::create_directories(state_folder, error);
  state.folder = state_folder;
  std::filesystem::path folder(state_folder);
  detail::ParsePrinters(ReadFile(folder / kPrintersFile), state, report);
  detail::ParseForms(ReadFile(folder / kFormsFile), state, report);
  return report;
}

void ResetStore() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Clear(state);
}

std::string StateFolder() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.folder;
}

LoadReport LoadStoreText(const std::string& printers_text, const std::string& forms_text) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.printers.clear();
  state.added_forms.clear();
  LoadReport report;
  detail::ParsePrinters(printers_text, state, report);
  detail::ParseForms(forms_text, state, report);
  return report;
}

std::string SavePrintersText() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return detail::PrintersText(state);
}

std::string SaveFormsText() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return detail::FormsText(state);
}

// --- Printers ---------------------------------------------------------------------------------

bool PutPrinter(const PrinterRecord& printer) {
  if (printer.name.empty() || !detail::IsWholeDevMode(printer.devmode)) {
    return false;
  }
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer& entry = state.printers[FoldCase(printer.name)];
  std::u16string kept_name = entry.record.name.empty() ? printer.name : entry.record.name;
  entry.record = printer;
  entry.record.name = kept_name;
  SavePrinters(state);
  return true;
}

bool DeletePrinter(std::u16string_view name) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.printers.erase(FoldCase(name)) == 0) {
    return false;
  }
  SavePrinters(state);
  return true;
}

std::optional<PrinterRecord> GetPrinter(std::u16string_view name) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer* printer = FindPrinter(state, name);
  if (printer == nullptr) {
    return std::nullopt;
  }
  return printer->record;
}

std::vector<std::u16string> PrinterNames() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::vector<std::u16string> names;
  for (const auto& [key, printer] : state.printers) {
    names.push_back(printer.record.name);
  }
  return names;
}

namespace {

template <typename Change>
bool ChangePrinter(std::u16string_view name, Change change) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer* printer = FindPrinter(state, name);
  if (printer == nullptr) {
    return false;
  }
  change(printer->record);
  SavePrinters(state);
  return true;
}

}  // namespace

bool SetPrinterDevMode(std::u16string_view name, const std::vector<BYTE>& devmode) {
  if (!detail::IsWholeDevMode(devmode)) {
    return false;
  }
  return ChangePrinter(name, [&](PrinterRecord& record) { record.devmode = devmode; });
}

bool SetPrinterDataFile(std::u16string_view name, std::u16string_view path) {
  return ChangePrinter(name, [&](PrinterRecord& record) { record.data_file = path; });
}

bool SetPrinterPort(std::u16string_view name, std::u16string_view port) {
  return ChangePrinter(name, [&](PrinterRecord& record) { record.port_name = port; });
}

bool SetPrinterModules(std::u16string_view name, std::u16string_view driver_path,
                       std::u16string_view config_file) {
  return ChangePrinter(name, [&](PrinterRecord& record) {
    record.driver_path = driver_path;
    record.config_file = config_file;
  });
}

// --- Printer data -----------------------------------------------------------------------------

DWORD GetPrinterDataValue(std::u16string_view printer_name, std::u16string_view value_name,
                          PrinterDataValue* value) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer* printer = FindPrinter(state, printer_name);
  if (printer == nullptr) {
    return ERROR_INVALID_PRINTER_NAME;
  }
  auto it = printer->values.find(FoldCase(value_name));
  if (it == printer->values.end()) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (value != nullptr) {
    *value = it->second;
  }
  return ERROR_SUCCESS;
}

DWORD SetPrinterDataValue(std::u16string_view printer_name, std::u16string_view value_name,
                          DWORD type, const void* bytes, std::size_t size) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer* printer = FindPrinter(state, printer_name);
  if (printer == nullptr) {
    return ERROR_INVALID_PRINTER_NAME;
  }
  if (state.read_only) {
    return ERROR_ACCESS_DENIED;
  }
  PrinterDataValue& value = printer->values[FoldCase(value_name)];
  if (value.name.empty()) {
    value.name = value_name;
  }
  value.type = type;
  const auto* data = static_cast<const BYTE*>(bytes);
  value.bytes.assign(data, size == 0 ? data : data + size);
  SavePrinters(state);
  return ERROR_SUCCESS;
}

DWORD DeletePrinterDataValue(std::u16string_view printer_name, std::u16string_view value_name) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer* printer = FindPrinter(state, printer_name);
  if (printer == nullptr) {
    return ERROR_INVALID_PRINTER_NAME;
  }
  if (state.read_only) {
    return ERROR_ACCESS_DENIED;
  }
  if (printer->values.erase(FoldCase(value_name)) == 0) {
    return ERROR_FILE_NOT_FOUND;
  }
  SavePrinters(state);
  return ERROR_SUCCESS;
}

std::vector<PrinterDataValue> DumpPrinterData(std::u16string_view printer_name) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::vector<PrinterDataValue> values;
  if (Printer* printer = FindPrinter(state, printer_name)) {
    for (const auto& [key, value] : printer->values) {
      values.push_back(value);
    }
  }
  return values;
}

// --- Forms ------------------------------------------------------------------------------------

std::vector<FormRecord> Forms() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::vector<FormRecord> forms;
  forms.reserve(kBuiltinFormCount + state.added_forms.size());
  for (int i = 0; i < kBuiltinFormCount; ++i) {
    forms.push_back(BuiltinRecord(i));
  }
  forms.insert(forms.end(), state.added_forms.begin(), state.added_forms.end());
  return forms;
}

std::optional<FormRecord> GetForm(std::u16string_view name, int* index) {
  int builtin = BuiltinIndex(name);
  if (builtin >= 0) {
    if (index != nullptr) {
      *index = builtin;
    }
    return BuiltinRecord(builtin);
  }
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  int added = AddedIndex(state, name);
  if (added < 0) {
    return std::nullopt;
  }
  if (index != nullptr) {
    *index = kBuiltinFormCount + added;
  }
  return state.added_forms[added];
}

DWORD AddForm(const FormRecord& form) {
  if (form.name.empty() || form.flags == FORM_BUILTIN) {
    return ERROR_INVALID_PARAMETER;
  }
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.read_only) {
    return ERROR_ACCESS_DENIED;
  }
  if (BuiltinIndex(form.name) >= 0 || AddedIndex(state, form.name) >= 0) {
    return ERROR_FILE_EXISTS;
  }
  if (state.form_limit >= 0 &&
      state.added_forms.size() >= static_cast<std::size_t>(state.form_limit)) {
    return ERROR_NOT_ENOUGH_QUOTA;
  }
  state.added_forms.push_back(form);
  SaveForms(state);
  return ERROR_SUCCESS;
}

DWORD SetForm(std::u16string_view name, const FormRecord& form) {
  if (BuiltinIndex(name) >= 0) {
    return ERROR_ACCESS_DENIED;
  }
  if (form.name.empty() || form.flags == FORM_BUILTIN) {
    return ERROR_INVALID_PARAMETER;
  }
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  int added = AddedIndex(state, name);
  if (added < 0) {
    return ERROR_INVALID_FORM_NAME;
  }
  if (state.read_only) {
    return ERROR_ACCESS_DENIED;
  }
  int other = AddedIndex(state, form.name);
  if (BuiltinIndex(form.name) >= 0 || (other >= 0 && other != added)) {
    return ERROR_FILE_EXISTS;
  }
  state.added_forms[added] = form;
  SaveForms(state);
  return ERROR_SUCCESS;
}

DWORD DeleteForm(std::u16string_view name) {
  if (BuiltinIndex(name) >= 0) {
    return ERROR_ACCESS_DENIED;
  }
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  int added = AddedIndex(state, name);
  if (added < 0) {
    return ERROR_INVALID_FORM_NAME;
  }
  if (state.read_only) {
    return ERROR_ACCESS_DENIED;
  }
  state.added_forms.erase(state.added_forms.begin() + added);
  SaveForms(state);
  return ERROR_SUCCESS;
}

void SeedForms(const std::vector<FormRecord>& forms) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.added_forms = forms;
  SaveForms(state);
}

void SetFormLimit(int limit) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.form_limit = limit < 0 ? -1 : limit;
}

// --- Handles and output -----------------------------------------------------------------------

HANDLE OpenPrinterHandle(std::u16string_view name, DWORD access, DWORD* error) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Printer* printer = FindPrinter(state, name);
  if (printer == nullptr) {
    if (error != nullptr) {
      *error = ERROR_INVALID_PRINTER_NAME;
    }
    return nullptr;
  }
  auto handle = std::make_shared<OpenHandle>();
  handle->printer = printer->record.name;
  handle->access = access;
  void* key = handle.get();
  state.handles.emplace(key, std::move(handle));
  if (error != nullptr) {
    *error = ERROR_SUCCESS;
  }
  return key;
}

bool ClosePrinterHandle(HANDLE handle) {
  std::shared_ptr<OpenHandle> closing;
  {
    State& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto it = state.handles.find(handle);
    if (it == state.handles.end()) {
      return false;
    }
    closing = std::move(it->second);
    state.handles.erase(it);
  }
  // A write still running on another thread keeps the record alive until it returns.
  return true;
}

bool IsPrinterHandle(HANDLE handle) { return FindHandle(handle) != nullptr; }

std::optional<std::u16string> HandlePrinterName(HANDLE handle) {
  std::shared_ptr<OpenHandle> open = FindHandle(handle);
  if (open == nullptr) {
    return std::nullopt;
  }
  return open->printer;
}

std::optional<DWORD> HandleAccess(HANDLE handle) {
  std::shared_ptr<OpenHandle> open = FindHandle(handle);
  if (open == nullptr) {
    return std::nullopt;
  }
  return open->access;
}

bool SetOutputFile(HANDLE handle, const std::string& path) {
  std::shared_ptr<OpenHandle> open = FindHandle(handle);
  if (open == nullptr) {
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  std::lock_guard<std::mutex> lock(open->mutex);
  if (open->file != nullptr) {
    std::fclose(open->file);
  }
  open->file = file;
  return true;
}

std::optional<std::size_t> WriteOutput(HANDLE handle, const void* bytes, std::size_t size) {
  std::shared_ptr<OpenHandle> open = FindHandle(handle);
  if (open == nullptr) {
    return std::nullopt;
  }
  std::lock_guard<std::mutex> lock(open->mutex);
  std::size_t take = size;
  std::int64_t limit = g_short_write_after.load(std::memory_order_relaxed);
  if (limit >= 0) {
    std::uint64_t room = open->taken >= static_cast<std::uint64_t>(limit)
                             ? 0
                             : static_cast<std::uint64_t>(limit) - open->taken;
    take = static_cast<std::size_t>(std::min<std::uint64_t>(take, room));
  }
  if (take == 0) {
    return 0;
  }
  if (open->file != nullptr) {
    if (std::fwrite(bytes, 1, take, open->file) != take) {
      return std::nullopt;
    }
  } else {
    const auto* data = static_cast<const BYTE*>(bytes);
    open->memory.insert(open->memory.end(), data, data + take);
  }
  open->taken += take;
  return take;
}

std::vector<BYTE> OutputBytes(HANDLE handle) {
  std::shared_ptr<OpenHandle> open = FindHandle(handle);
  if (open == nullptr) {
    return {};
  }
  std::lock_guard<std::mutex> lock(open->mutex);
  return open->memory;
}

// --- Switches ---------------------------------------------------------------------------------

void SetStoreReadOnly(bool read_only) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.read_only = read_only;
}

bool IsStoreReadOnly() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.read_only;
}

void SetUserIsAdministrator(bool administrator) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.user_is_administrator = administrator;
}

bool UserIsAdministrator() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.user_is_administrator;
}

void SetShortWriteAfter(std::int64_t bytes) { g_short_write_after = bytes < 0 ? -1 : bytes; }

}  // namespace vel::platform::spooler
