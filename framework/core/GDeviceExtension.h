// GDeviceExtension: the per-device object that the services make for a render device when it is
// built (GOSServices::CreateDeviceExtension). The render module keeps its cache of objects made for
// engine objects there; the device owns it and tells it when it closes, so that it can let go of
// what it made for the job.
#pragma once

class GDeviceExtension {
 public:
  GDeviceExtension() = default;
  GDeviceExtension(const GDeviceExtension&) = delete;
  GDeviceExtension& operator=(const GDeviceExtension&) = delete;
  virtual ~GDeviceExtension() = default;

  // The device closes (it is kept as a spare or about to be deleted).
  virtual void DeviceCloses() = 0;
};
