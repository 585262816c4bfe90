// GGraphicBundle: the graphic state that travels with a drawing command, a GState holding at most
// one attribute of each kind (brush, line cap, clip, fill mode, line joint, pen, raster operation),
// each filed under the kind's key. The render module builds one per drawing call; stages merge it
// into their state and the output stages read the attributes from it. The order of the children
// is the order in which a stage replays them, so it reaches the output bytes.
//
// The bundle's own key is always 244 (the graphic level) when it is made; commands that adopt it
// may give it another.
//
// Stored form (after the GState part):
//   u32  class version word, 1
#pragma once

#include <cstdint>

#include "framework/core/GState.h"

class GBrush;
class GCap;
class GClipAttribute;
class GFillMode;
class GJoint;
class GPen;
class GRasterOperation;

class GGraphicBundle : public GState {
 public:
  // Key 244, no attributes.
  GGraphicBundle();
  // Key 244 as well: `key` is not used.
  explicit GGraphicBundle(std::uint32_t key);
  // The same key and serial number; shares every attribute.
  GGraphicBundle(const GGraphicBundle& other) = default;
  GGraphicBundle& operator=(const GGraphicBundle& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The GState part + 4.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 101, 758, 757, 753 and 751.
  bool IsKindOf(RWClassID id) const override;

  // The setters: null does nothing; else the attribute gets its kind's key and is filed by
  // SetAttribute (ownership passes to the bundle): an attribute of the same category and key is
  // replaced (taken out at index i, the new one inserted at i + 2 or appended), or, when it is
  // equal to the new one, kept while the new one is refused.
  virtual void SetBrush(GBrush* brush);
  virtual void SetCap(GCap* cap);
  virtual void SetClip(GClipAttribute* clip);
  virtual void SetFillMode(GFillMode* fill_mode);
  virtual void SetJoint(GJoint* joint);
  virtual void SetPen(GPen* pen);
  virtual void SetRasterOperation(GRasterOperation* operation);
  // The take operations: the attribute of the kind is taken out and handed to the caller (its own
  // copy when other references hold it), or null.
  virtual GBrush* TakeBrush();
  virtual GCap* TakeCap();
  virtual GClipAttribute* TakeClip();
  virtual GFillMode* TakeFillMode();
  virtual GJoint* TakeJoint();
  virtual GPen* TakePen();
  virtual GRasterOperation* TakeRasterOperation();
  // The find operations: the attribute of the kind, or null; it stays in the bundle and no
  // reference is added.
  virtual GBrush* GetBrush() const;
  virtual GCap* GetCap() const;
  virtual GClipAttribute* GetClip() const;
  virtual GFillMode* GetFillMode() const;
  virtual GJoint* GetJoint() const;
  virtual GPen* GetPen() const;
  virtual GRasterOperation* GetRasterOperation() const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GGraphicBundle"; }
  static RWCollectable* Create();

 protected:
  // A setter: null does nothing; else the attribute gets `key` and is filed by SetAttribute
  // (ownership passes to the bundle).
  void SetKind(GBaseObject* attribute, std::uint32_t key);
  // The attribute of type T under `key` (depth first), or null; no reference is added. A child of
  // another type under the key answers null.
  template <typename T>
  T* FindKind(std::uint32_t key) const {
    return dynamic_cast<T*>(FindByKey(key));
  }
  // Takes the attribute of type T under `key` out and hands it to the caller (its own copy when
  // other references hold it), or null when there is none of that type.
  template <typename T>
  T* TakeKind(std::uint32_t key) {
    T* found = FindKind<T>(key);
    return found == nullptr ? nullptr : dynamic_cast<T*>(RemoveObject(found));
  }
};
