// The two marker commands, which no stage handles: GNoCommand, which stages pass on untouched, and
// GNullCommand, a command that travels where nothing is to be drawn (a page filter puts its
// transform into the bundle of one that follows the page start). Accept of either calls no handler
// and answers 0.
//
// Stored form of each: the command part, then its u32 class version word 1.
#pragma once

#include <cstdint>

#include "framework/pipeline/GCommand.h"

class GNoCommand : public GCommand {
 public:
  explicit GNoCommand(std::uint32_t key = 0) : GCommand(key) {}
  GNoCommand(const GNoCommand& other) = default;
  GNoCommand& operator=(const GNoCommand& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class, then the command test.
  bool IsSameKey(const GBaseObject* other) const override;
  // Calls no handler; 0.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GNoCommand"; }
  static RWCollectable* Create();
};

class GNullCommand : public GCommand {
 public:
  explicit GNullCommand(std::uint32_t key = 0) : GCommand(key) {}
  GNullCommand(GState* bundle, std::uint32_t key) : GCommand(bundle, key) {}
  GNullCommand(const GNullCommand& other) = default;
  GNullCommand& operator=(const GNullCommand& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The class, then the command test.
  bool IsSameKey(const GBaseObject* other) const override;
  // Calls no handler; 0.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GNullCommand"; }
  static RWCollectable* Create();
};
