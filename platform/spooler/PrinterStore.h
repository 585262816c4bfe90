// The spooler's printer store: one per process, shared by the engine's printer calls, the Win32
// spooler calls and the hosts and tests that set printers up. It holds the printers with their
// printer data, the form list and the open printer handles with their output sinks, and persists
// printers and added forms in a state folder.
//
// Every function is thread-safe. Names of printers, printer-data values and forms compare
// ignoring ASCII case and keep the case they were first given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

namespace vel::platform::spooler {

// One printer's record (what the spooler keeps besides its printer data).
struct PrinterRecord {
  std::u16string name;
  std::u16string driver_name;  // the driver (model) name
  std::u16string port_name;
  std::u16string server_name;  // empty for a local printer
  DWORD attributes = 0;
  std::u16string driver_path;  // the render module
  std::u16string data_file;    // the driver data file
  std::u16string config_file;  // the configuration (UI) module
  // The printer's default DEVMODE, dmSize + dmDriverExtra bytes; empty when it has none. The
  // store refuses a record whose length is not the sum of those two words.
  std::vector<BYTE> devmode;
};

struct PrinterDataValue {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

struct FormRecord {
  std::u16string name;
  DWORD flags = FORM_USER;  // FORM_USER, FORM_BUILTIN or FORM_PRINTER
  SIZEL size{};             // micrometres
  RECTL imageable_area{};   // micrometres
};

// What loading a state folder found: how much was taken, and one line per damaged part.
struct LoadReport {
  int printers = 0;
  int values = 0;
  int forms = 0;
  std::vector<std::string> problems;
};

// --- The store and its state folder -----------------------------------------------------------

// Empties the store (printers, added forms, switches, open handles are forgotten) and, with a
// non-empty folder, loads what that folder holds and saves every later change there. An empty
// folder keeps the store in memory only. The folder is created when missing.
LoadReport OpenStore(const std::string& state_folder);

// Empties the store and detaches it from its folder (the folder's files are kept).
void ResetStore();

// The folder the store persists in; empty when it is kept in memory.
std::string StateFolder();

// --- Printers ---------------------------------------------------------------------------------

// Adds a printer, or replaces the record of the printer of that name (its printer data stays).
// false for an empty name or a DEVMODE that is not whole.
bool PutPrinter(const PrinterRecord& printer);
bool DeletePrinter(std::u16string_view name);
std::optional<PrinterRecord> GetPrinter(std::u16string_view name);
std::vector<std::u16string> PrinterNames();

// Field setters of the fixture; false when the printer does not exist (or the DEVMODE is not
// whole).
bool SetPrinterDevMode(std::u16string_view name, const std::vector<BYTE>& devmode);
bool SetPrinterDataFile(std::u16string_view name, std::u16string_view path);
bool SetPrinterPort(std::u16string_view name, std::u16string_view port);
bool SetPrinterModules(std::u16string_view name, std::u16string_view driver_path,
                       std::u16string_view config_file);

// --- Printer data -----------------------------------------------------------------------------

// ERROR_SUCCESS with the value, ERROR_FILE_NOT_FOUND when the value is absent,
// ERROR_INVALID_PRINTER_NAME when the printer is.
DWORD GetPrinterDataValue(std::u16string_view printer, std::u16string_view value_name,
                          PrinterDataValue* value);
// ERROR_SUCCESS; ERROR_ACCESS_DENIED when the store is read-only; ERROR_INVALID_PRINTER_NAME.
DWORD SetPrinterDataValue(std::u16string_view printer, std::u16string_view value_name, DWORD type,
                          const void* bytes, std::size_t size);
DWORD DeletePrinterDataValue(std::u16string_view printer, std::u16string_view value_name);
// Every value of the printer, sorted by name (ignoring case).
std::vector<PrinterDataValue> DumpPrinterData(std::u16string_view printer);

// --- Forms ------------------------------------------------------------------------------------

// The built-in forms come first, in paper-code order (form i, counting from 1, is paper code i,
// 1 to kBuiltinFormCount), then the added forms in the order they were added.
inline constexpr int kBuiltinFormCount = 118;

std::vector<FormRecord> Forms();
// The form of that name; its 0-based position in the list through `index` when not null.
std::optional<FormRecord> GetForm(std::u16string_view name, int* index = nullptr);
// ERROR_SUCCESS; ERROR_FILE_EXISTS when a form of that name exists; ERROR_INVALID_PARAMETER for
// an empty name or the built-in flag; ERROR_NOT_ENOUGH_QUOTA past the limit of added forms;
// ERROR_ACCESS_DENIED when the store is read-only.
DWORD AddForm(const FormRecord& form);
// Replaces an added form, keeping its position. ERROR_INVALID_FORM_NAME when missing,
// ERROR_ACCESS_DENIED for a built-in form or a read-only store.
DWORD SetForm(std::u16string_view name, const FormRecord& form);
// Deletes an added form; later forms move down one position. Errors as SetForm.
DWORD DeleteForm(std::u16string_view name);
// Replaces the added forms by `forms` (fixture seeding; no limit applies).
void SeedForms(const std::vector<FormRecord>& forms);
// The largest number of added forms (default 256); -1 for no limit.
void SetFormLimit(int limit);

// --- Open printer handles and their output ----------------------------------------------------

// Opens a handle on the printer of that name with the given access word (kept for the caller:
// the store grants everything). Null with ERROR_INVALID_PRINTER_NAME through `error` when there
// is no such printer. The handle's output goes to memory until SetOutputFile names a file.
HANDLE OpenPrinterHandle(std::u16string_view name, DWORD access, DWORD* error = nullptr);
bool ClosePrinterHandle(HANDLE handle);
bool IsPrinterHandle(HANDLE handle);
// The name of the printer a handle was opened on; nullopt for an unknown handle.
std::optional<std::u16string> HandlePrinterName(HANDLE handle);
std::optional<DWORD> HandleAccess(HANDLE handle);

// Sends the handle's later output to a host file (created or truncated). false when the file
// cannot be opened or the handle is unknown.
bool SetOutputFile(HANDLE handle, const std::string& path);
// Appends bytes to the handle's sink; the bytes taken (fewer under the short-write switch, or
// nullopt when the handle is unknown or the sink failed).
std::optional<std::size_t> WriteOutput(HANDLE handle, const void* bytes, std::size_t size);
// What the handle's memory sink holds.
std::vector<BYTE> OutputBytes(HANDLE handle);

// --- Switches ---------------------------------------------------------------------------------

// A read-only store refuses every change of printer data and forms with ERROR_ACCESS_DENIED.
void SetStoreReadOnly(bool read_only);
bool IsStoreReadOnly();
// Each handle's sink takes at most `bytes` bytes in all; later writes take what remains (0 when
// nothing does). -1 switches it off.
void SetShortWriteAfter(std::int64_t bytes);
// Whether the user is an administrator (default true): the Win32 spooler calls grant administer
// access to printer handles only then.
void SetUserIsAdministrator(bool administrator);
bool UserIsAdministrator();

// --- The state folder's text format (exposed for the fuzz target and tests) --------------------

// Reads printers and added forms from the two files' text, into the store (replacing what it
// holds), reporting damage. Used by OpenStore.
LoadReport LoadStoreText(const std::string& printers_text, const std::string& forms_text);
std::string SavePrintersText();
std::string SaveFormsText();

}  // namespace vel::platform::spooler
