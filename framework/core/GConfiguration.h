// GConfiguration: the composite that holds a device's configuration, attributes and nested
// configurations. It refuses an object equal (IsSameKey) to a child it already holds.
//
// Stored form: the composite's, then its own u32 class version word 1.
#pragma once

#include <cstdint>

#include "framework/core/MPersistentComposite.h"

class GConfiguration : public MPersistentComposite {
 public:
  GConfiguration() = default;
  explicit GConfiguration(std::uint32_t key) : MPersistentComposite(key) {}
  GConfiguration(const GConfiguration& other) = default;
  GConfiguration& operator=(const GConfiguration& other) = default;
  ~GConfiguration() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;

  bool IsKindOf(RWClassID id) const override;
  // Null is ignored and so is one of the configuration's own children. A nested configuration is
  // appended. Any other object is appended unless it IsSameKey with a child: then it is refused
  // (deleted when no counted pointer holds it) and the configuration is unchanged.
  void Add(GBaseObject* object) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GConfiguration"; }
  static RWCollectable* Create();
};
