// GStatusProvider: the abstract base of the components that can supply a job's output channel or a
// printer's status channel. Providers register under a name with the provider registry
// (GProviderRegistry), which asks them for channels by the capability flags they report.
//
// Capability flags: the low 16 bits are output-channel features, 0x10000 the status-channel
// capability. A provider may report both kinds.
//
// Stored form (after the root part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GDeviceSession;
class GOutputPort;
class GStatusChannel;
class RWCString;
class RWWString;

namespace vel {
// Every bit of the output-channel features.
inline constexpr std::uint32_t kProviderOutputMask = 0xFFFF;
// The status-channel capability.
inline constexpr std::uint32_t kProviderStatus = 0x10000;
}  // namespace vel

class GStatusProvider : public GBaseObject {
 public:
  GStatusProvider() = default;
  explicit GStatusProvider(std::uint32_t key) : GBaseObject(key) {}
  GStatusProvider(const GStatusProvider& other) = default;
  GStatusProvider& operator=(const GStatusProvider& other) = default;
  ~GStatusProvider() override = default;

  // The root part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 952 and the root's id.
  bool IsKindOf(RWClassID id) const override;

  // A new status channel for `owner`, owned by the caller, or null. `registered_name` is the name
  // the provider is registered under; `argument` names what the channel is for (may be null).
  // The base has none.
  virtual GStatusChannel* OpenStatusChannel(GDeviceSession* owner,
                                            const RWCString& registered_name,
                                            std::uint32_t flags,
                                            const RWWString* argument);
  // A new output channel for `owner`, owned by the caller, or null. The base has none.
  virtual GOutputPort* OpenOutputChannel(GDeviceSession* owner,
                                         const RWCString& registered_name,
                                         std::uint32_t flags,
                                         const RWWString* argument);
  virtual std::uint32_t GetProviderFlags() const = 0;
  // Non-zero when every bit of `flags` is among the capabilities (so flags 0 are always
  // supported).
  virtual std::int32_t Supports(std::uint32_t flags) const;

  static RWClassID ClassId();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
};
