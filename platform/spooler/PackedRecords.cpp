// The spooler's printer and form records packed into a caller's buffer.
#include "platform/spooler/PackedRecords.h"

namespace vel::platform::spooler {

void PackPrinter(Packer& packer, const PrinterRecord& record) {
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(
      packer.Reserve(sizeof(PRINTER_INFO_2W), alignof(PRINTER_INFO_2W)));
  DEVMODEW* devmode = nullptr;
  if (!record.devmode.empty()) {
    BYTE* at = packer.Reserve(record.devmode.size(), 8);
    if (at != nullptr) {
      std::memcpy(at, record.devmode.data(), record.devmode.size());
      devmode = reinterpret_cast<DEVMODEW*>(at);
    }
  }
  LPWSTR server = record.server_name.empty() ? nullptr : packer.String(record.server_name);
  LPWSTR name = packer.String(record.name);
  LPWSTR port = packer.String(record.port_name);
  LPWSTR driver = packer.String(record.driver_name);
  if (info != nullptr) {
    std::memset(info, 0, sizeof *info);
    info->pServerName = server;
    info->pPrinterName = name;
    info->pPortName = port;
    info->pDriverName = driver;
    info->pDevMode = devmode;
    info->Attributes = record.attributes;
  }
}

void PackForms(Packer& packer, const std::vector<FormRecord>& forms) {
  auto* records = reinterpret_cast<FORM_INFO_1W*>(
      packer.Reserve(sizeof(FORM_INFO_1W) * forms.size(), alignof(FORM_INFO_1W)));
  for (std::size_t i = 0; i < forms.size(); ++i) {
    LPWSTR name = packer.String(forms[i].name);
    if (records != nullptr) {
      records[i].Flags = forms[i].flags;
      records[i].pName = name;
      records[i].Size = forms[i].size;
      records[i].ImageableArea = forms[i].imageable_area;
    }
  }
}

}  // namespace vel::platform::spooler
