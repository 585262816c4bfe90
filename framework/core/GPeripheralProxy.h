// GPeripheralProxy: the stand-in in the output chain for an add-on, a stage that lives in a
// dynamic library. The proxy loads the library, asks its create entry for the add-on stage,
// forwards every command to that stage's ProcessCommand and hands the stage back to the library's
// destroy entry before the library is unloaded. It adds no processing of its own.
//
// Entry names by add-on kind (any other kind has none):
//   0 generic     _C_GENERIC_ADDON  _D_GENERIC_ADDON
//   1 PCL XL      _C_PCLXL_ADDON    _D_PCLXL_ADDON
//   2 PCL         _C_PCL_ADDON      _D_PCL_ADDON
//   3 PostScript  _C_PS_ADDON       _D_PS_ADDON
//   4 PJL         _C_PJL_ADDON      _D_PJL_ADDON
// The create entry receives two zero words and answers the address of a GPeripheral (0 for
// none); the destroy entry receives one word, that address, and disposes of the stage (see
// framework/core/GDynamicLibrary.h for the form of an entry). An add-on library shares the host's
// framework: it is built without a copy of its own and resolves the framework from the host.
//
// Modes: 0 the library is loaded, asked for a stage, given one command, asked to destroy the stage
// and unloaded for every command; 1 the stage is made once, when the proxy is made (or restored);
// 2 no add-on. A command that finds no add-on stage passes through unchanged.
//
// Copies share the add-on stage and the library's module. Only the holder of the last reference
// to a stage the library made hands it to the destroy entry (the object the create entry
// returned, never a copy); other holders just let go. A stage the library did not make (one given
// to the constructor or read from a stream) is never handed to the library.
//
// Stored form (after the stage part):
//   u32  class version word, 1
//        the library as an object record
//   u32  create entry name length n, n 16-bit characters; then the destroy entry name likewise
//   i32  add-on mode
//   i32  add-on kind
//        the add-on stage as an object record (nil record for none)
// A restore gives up a library stage it held first; it makes a new one only in mode 1, and a
// stored stage read while a library stage is held is discarded. The entry names are those of the
// kind read (the stored names are read over), so stored data cannot name other entries.
#pragma once

#include <cstdint>

#include "framework/core/GCountedPtr.h"
#include "framework/core/GDynamicLibrary.h"
#include "framework/core/GPeripheral.h"
#include "rw/RWWString.h"

class GPeripheralProxy : public GPeripheral {
 public:
  // No add-on, no entry names, kind 5, mode 2, a library without a name.
  GPeripheralProxy();
  // The same, holding `add_on` (which the library did not make).
  explicit GPeripheralProxy(GPeripheral* add_on);
  // The proxy a stage puts in front of its children: the library named, kind and mode as given,
  // the kind's entry names; in mode 1 the add-on stage is made at once.
  GPeripheralProxy(const RWWString& library, std::int32_t kind, std::int32_t mode);
  // The stage copy; shares the add-on stage and the library's module.
  GPeripheralProxy(const GPeripheralProxy& other);
  GPeripheralProxy& operator=(const GPeripheralProxy&) = delete;
  // DestroyAddOn; the library is let go.
  ~GPeripheralProxy() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The stage part + 4 + the library's record + each name's stored size + 8 + the add-on's record.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 779, 760, 753, 751.
  bool IsKindOf(RWClassID id) const override;
  // The stage parts the same, the libraries the same, equal kinds and modes, and both or neither
  // holding an add-on stage.
  bool IsSameKey(const GBaseObject* other) const override;

  // The add-on stage's ProcessCommand when a stage is held and the library is loaded; in mode 0 a
  // stage made for this command alone; otherwise the command unchanged.
  GCommand* ProcessCommand(GCommand* command) override;

  // Loads the library and asks its create entry (two zero words) for a stage: its address, or
  // null. The caller holds the result.
  GPeripheral* MakeAddOn();
  // Lets go of the add-on stage: the last holder of a stage the library made hands it to the
  // destroy entry (or, when the library has none, deletes it); then the library is let go.
  void DestroyAddOn();

  GPeripheral* AddOn() const { return static_cast<GPeripheral*>(add_on_.Get()); }
  const GDynamicLibrary& Library() const { return library_; }
  const RWWString& CreateEntryName() const { return create_name_; }
  const RWWString& DestroyEntryName() const { return destroy_name_; }
  std::int32_t Kind() const { return kind_; }
  std::int32_t Mode() const { return mode_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPeripheralProxy"; }
  static RWCollectable* Create();

 private:
  // Holds a stage the library made.
  void HoldMade(GPeripheral* add_on);
  void SetEntryNames();
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GCountedPtr add_on_;
  // The held stage was made by the library's create entry.
  bool library_made_ = false;
  RWWString create_name_;
  RWWString destroy_name_;
  std::int32_t kind_ = kAddOnNone;
  std::int32_t mode_ = kNoAddOns;
  GDynamicLibrary library_;
};
