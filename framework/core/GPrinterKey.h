// GPrinterKey: what identifies a printer to the driver server. Both modules' keys carry the
// printer, driver and port names; each module's key adds its own handles and decides what "the
// same printer" means.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"

class GPrinterKey {
 public:
  GPrinterKey() = default;
  GPrinterKey(const RWWString& printer, const RWWString& driver, const RWWString& port)
      : printer_name_(printer), driver_name_(driver), port_name_(port) {}
  virtual ~GPrinterKey() = default;

  // Non-zero when both keys name the same printer. The base knows no printer: 0.
  virtual std::int32_t IsSamePrinter(const GPrinterKey& other) const;
  // Non-zero when both keys name printers of the same driver.
  virtual std::int32_t IsSameDriver(const GPrinterKey& other) const = 0;

  // The names, so that a per-printer object reused for another printer can take them over.
  const RWWString& PrinterName() const { return printer_name_; }
  const RWWString& DriverName() const { return driver_name_; }
  const RWWString& PortName() const { return port_name_; }

 protected:
  void SetNames(const RWWString& printer, const RWWString& driver, const RWWString& port) {
    printer_name_ = printer;
    driver_name_ = driver;
    port_name_ = port;
  }

 private:
  RWWString printer_name_;
  RWWString driver_name_;
  RWWString port_name_;
};
