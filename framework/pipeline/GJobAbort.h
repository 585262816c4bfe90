// GJobAbort: ends a job that failed or was cancelled, at any point after the document start. The
// device session sends it when a command came back as an error; stages go idle, and the stage that
// opened the output channel closes it. It has no names, no channel and no level key.
//
// Stored form: the command part, then its u32 class version word 1.
#pragma once

#include <cstdint>

#include "framework/pipeline/GCommand.h"

class GJobAbort : public GCommand {
 public:
  explicit GJobAbort(std::uint32_t key = 0) : GCommand(key) {}
  GJobAbort(const GJobAbort& other) = default;
  GJobAbort& operator=(const GJobAbort& other) = default;

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
  // HandleJobAbort.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId();
  static const char* ClassName() { return "GJobAbort"; }
  static RWCollectable* Create();
};
