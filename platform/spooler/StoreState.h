// The printer store's in-memory state, shared by the store's units (not part of its interface).
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/spooler/PrinterStore.h"

namespace vel::platform::spooler::detail {

struct Printer {
  PrinterRecord record;
  // Printer-data values by their case-folded name.
  std::map<std::u16string, PrinterDataValue> values;
};

struct OpenHandle {
  std::u16string printer;  // the name as the printer had it when opened
  DWORD access = 0;
  std::mutex mutex;        // guards the sink below
  std::FILE* file = nullptr;
  std::vector<BYTE> memory;
  std::uint64_t taken = 0;
  ~OpenHandle() {
    if (file != nullptr) {
      std::fclose(file);
    }
  }
};

struct State {
  std::mutex mutex;
  std::string folder;
  std::map<std::u16string, Printer> printers;  // by case-folded name
  std::vector<FormRecord> added_forms;
  int form_limit = 256;
  bool read_only = false;
  bool user_is_administrator = true;
  std::map<void*, std::shared_ptr<OpenHandle>> handles;
};

// The process's store; never destroyed (calls may come from exit handlers).
State& GetState();

// Text form of the state folder's files; the caller holds the state's lock.
std::string PrintersText(const State& state);
std::string FormsText(const State& state);
void ParsePrinters(const std::string& text, State& state, LoadReport& report);
void ParseForms(const std::string& text, State& state, LoadReport& report);

}  // namespace vel::platform::spooler::detail
