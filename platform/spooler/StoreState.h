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

// A DEVMODE the store keeps: empty, or a record whose dmSize + dmDriverExtra (the words at
// offsets 68 and 70) is its length, so that a reader of the record's sizes stays inside it.
inline bool IsWholeDevMode(const std::vector<BYTE>& devmode) {
  if (devmode.empty()) {
    return true;
  }
  if (devmode.size() < 72) {
    return false;
  }
  std::size_t size = devmode[68] | devmode[69] << 8;
  std::size_t extra = devmode[70] | devmode[71] << 8;
  return size >= 72 && size + extra == devmode.size();
}

// The process's store; never destroyed (calls may come from exit handlers).
State& GetState();

// Text form of the state folder's files; the caller holds the state's lock.
std::string PrintersText(const State& state);
std::string FormsText(const State& state);
void ParsePrinters(const std::string& text, State& state, LoadReport& report);
void ParseForms(const std::string& text, State& state, LoadReport& report);

}  // namespace vel::platform::spooler::detail
