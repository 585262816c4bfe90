// What the state probe writes into a printer store through the Win32 spooler calls, and the text
// dump of a store as those calls read it back; shared by the probe program and its test.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/spooler/PrinterStore.h"
#include "platform/win32/winspool.h"

namespace vel::test {

inline std::string Hex(const void* data, std::size_t size) {
  std::string text;
  const auto* bytes = static_cast<const unsigned char*>(data);
  char digits[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    text += digits;
  }
  return text;
}

inline HANDLE OpenProbePrinter() {
  std::u16string name = u"QZ 6400";
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  return OpenPrinterW(name.data(), &printer, &defaults) ? printer : nullptr;
}

// A printer with a 2884-byte DEVMODE, three printer-data values and two added forms.
inline bool WriteProbeState() {
  vel::platform::spooler::PrinterRecord record;
  record.name = u"QZ 6400";
  record.driver_name = u"QZ Lumavert 6400";
  record.port_name = u"LPT1:";
  if (!vel::platform::spooler::PutPrinter(record)) {
    return false;
  }
  HANDLE printer = OpenProbePrinter();
  if (printer == nullptr) {
    return false;
  }
  std::vector<BYTE> devmode(2884);
  for (std::size_t i = 0; i < devmode.size(); ++i) {
    devmode[i] = static_cast<BYTE>(i * 13 + 1);
  }
  const WORD sizes[2] = {220, 2664};
  std::memcpy(devmode.data() + offsetof(DEVMODEW, dmSize), sizes, sizeof sizes);
  PRINTER_INFO_2W info{};
  std::u16string port = u"LPT1:";
  info.pPortName = port.data();
  info.pDevMode = reinterpret_cast<DEVMODEW*>(devmode.data());
  bool ok = SetPrinterW(printer, 2, reinterpret_cast<LPBYTE>(&info), 0) != FALSE;
  DWORD number = 7;
  std::u16string names[] = {u"Number", u"Text", u"Blob:0"};
  std::u16string text = u"Quorvel";
  BYTE blob[5] = {0, 1, 2, 0xFE, 0xFF};
  ok = ok && SetPrinterDataW(printer, names[0].data(), REG_DWORD, reinterpret_cast<LPBYTE>(&number),
                             4) == ERROR_SUCCESS;
  ok =
      ok && SetPrinterDataW(printer, names[1].data(), REG_SZ, reinterpret_cast<LPBYTE>(text.data()),
                            static_cast<DWORD>(text.size() * 2)) == ERROR_SUCCESS;
  ok = ok && SetPrinterDataW(printer, names[2].data(), REG_BINARY, blob, 5) == ERROR_SUCCESS;
  for (const char16_t* form_name : {u"Custom A", u"Custom B"}) {
    std::u16string name = form_name;
    FORM_INFO_1W form{FORM_USER, name.data(), {100000 + name.back(), 200000}, {0, 0, 1000, 2000}};
    ok = ok && AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form)) != FALSE;
  }
  return ClosePrinter(printer) != FALSE && ok;
}

// One line each: the DEVMODE, every printer-data value, every added form.
inline std::string DumpProbeState() {
  std::string dump;
  HANDLE printer = OpenProbePrinter();
  if (printer == nullptr) {
    return "no printer\n";
  }
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  if (GetPrinterW(printer, 2, buffer.data(), needed, &needed)) {
    const DEVMODEW* devmode = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->pDevMode;
    dump += "devmode " +
            (devmode != nullptr ? Hex(devmode, devmode->dmSize + devmode->dmDriverExtra) : "-") +
            "\n";
  }
  for (const char16_t* value_name : {u"Number", u"Text", u"Blob:0", u"Missing"}) {
    std::u16string name = value_name;
    DWORD type = 0;
    std::vector<BYTE> bytes(64);
    const DWORD result = GetPrinterDataW(printer, name.data(), &type, bytes.data(), 64, &needed);
    dump += "data " + std::to_string(result) + " " + std::to_string(type) + " " +
            (result == ERROR_SUCCESS ? Hex(bytes.data(), needed) : "-") + "\n";
  }
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  DWORD count = 0;
  EnumFormsW(printer, 1, nullptr, 0, &needed, &count);
  buffer.assign(needed, 0);
  if (EnumFormsW(printer, 1, buffer.data(), needed, &needed, &count)) {
    const auto* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
    for (DWORD i = vel::platform::spooler::kBuiltinFormCount; i < count; ++i) {
      dump += "form " + std::to_string(i) + " " +
              Hex(forms[i].pName, std::char_traits<char16_t>::length(forms[i].pName) * 2) + " " +
              std::to_string(forms[i].Size.cx) + " " + std::to_string(forms[i].Size.cy) + "\n";
    }
  }
  ClosePrinter(printer);
  return dump;
}

}  // namespace vel::test
