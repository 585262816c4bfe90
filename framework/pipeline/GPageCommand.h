// The commands that frame a page: GPageCommand, their abstract base, GPageStart and GPageEnd. Their
// bundle is the page-level group (key 256) of the job's settings: media, tray, copies and the like.
//
// Stored forms (after the command part): GPageCommand adds its u32 class version word 1, and
// GPageStart and GPageEnd each add their own after it.
#pragma once

#include <cstdint>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GCommand.h"

class GPageCommand : public GCommand {
 public:
  // `bundle` gets key 256 and gains a reference; null (and the first form): a new GState with key
  // 256.
  explicit GPageCommand(std::uint32_t key = 0) : GPageCommand(nullptr, key) {}
  GPageCommand(GState* bundle, std::uint32_t key);
  GPageCommand(const GPageCommand& other) = default;
  GPageCommand& operator=(const GPageCommand& other) = default;

  // The command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 708, 601, 751.
  bool IsKindOf(RWClassID id) const override;
  // The class, then the command test.
  bool IsSameKey(const GBaseObject* other) const override;
  // Takes only a kind of GState, which gets key 256 and becomes the bundle. Anything else is
  // destroyed (unless a counted reference holds it) and the bundle stays; null and the bundle
  // already held change nothing.
  void SetGraphicBundle(GBaseObject* bundle) override;

  static RWClassID ClassId() { return vel::classid::kGPageCommand; }
};

class GPageStart : public GPageCommand {
 public:
  explicit GPageStart(std::uint32_t key = 0) : GPageCommand(key) {}
  GPageStart(GState* bundle, std::uint32_t key) : GPageCommand(bundle, key) {}
  GPageStart(const GPageStart& other) = default;
  GPageStart& operator=(const GPageStart& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The page command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // HandlePageStart.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId() { return vel::classid::kGPageStart; }
  static const char* ClassName() { return "GPageStart"; }
  static RWCollectable* Create();
};

class GPageEnd : public GPageCommand {
 public:
  explicit GPageEnd(std::uint32_t key = 0) : GPageCommand(key) {}
  GPageEnd(GState* bundle, std::uint32_t key) : GPageCommand(bundle, key) {}
  GPageEnd(const GPageEnd& other) = default;
  GPageEnd& operator=(const GPageEnd& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The page command part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // HandlePageEnd.
  std::uint16_t Accept(GTypedHandlers& handlers) override;

  static RWClassID ClassId() { return vel::classid::kGPageEnd; }
  static const char* ClassName() { return "GPageEnd"; }
  static RWCollectable* Create();
};
