// GDynamicLibrary: a dynamic library named by file, loaded on demand, whose exported entries are
// called with a block of pointer-sized argument words.
//
// An entry of such a library has C linkage and the form
//   uintptr_t Entry(const uintptr_t* arguments);
// it receives a pointer to the words given to Call, in order, and answers one word.
//
// The loaded module is shared by every copy of a library object: copies and assignments hold the
// same module, and it is unloaded when its last holder lets go (Unload or destruction), so no copy
// pulls the code out from under another. A load is attempted once: after a failed load the object
// counts as loaded, without a module, and every Call answers 0 until Unload.
//
// Only the UI flavour loads libraries; in the render flavour every load fails.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  file name length n in characters, then n 16-bit characters
// A restore unloads the library.
#pragma once

#include <cstdint>
#include <type_traits>

#include "framework/core/GBaseObject.h"
#include "rw/RWWString.h"

class GDynamicLibrary : public GBaseObject {
 public:
  GDynamicLibrary() = default;
  explicit GDynamicLibrary(const RWWString& file_name);
  // The root part, the name and the load state; the module is shared.
  GDynamicLibrary(const GDynamicLibrary& other);
  GDynamicLibrary& operator=(const GDynamicLibrary& other);
  // Unloads (the module goes with its last holder).
  ~GDynamicLibrary() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 8 + 2 bytes a character of the name.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 780, 751.
  bool IsKindOf(RWClassID id) const override;
  // Keys and file names equal.
  bool IsSameKey(const GBaseObject* other) const override;

  // Loads the library unless a load was attempted: loaded afterwards whatever the outcome.
  void Load();
  // Lets go of the module (unloaded with its last holder); not loaded afterwards.
  void Unload();
  bool IsLoaded() const { return loaded_ != 0; }
  // Loads, finds `entry` and calls it with a pointer to `words` (in order); its answer. 0 without
  // a module or without such an entry, and nothing is called.
  template <typename... Words>
  std::uintptr_t Call(const char* entry, Words... words) {
    const std::uintptr_t block[] = {Word(words)..., 0};
    return CallWith(entry, block);
  }
  std::uintptr_t CallWith(const char* entry, const std::uintptr_t* words);
  // Whether the loaded module exports `entry` (no load is attempted).
  bool HasEntry(const char* entry) const;

  const RWWString& GetFileName() const { return file_name_; }
  void SetFileName(const RWWString& file_name) { file_name_ = file_name; }
  // The loaded module, or null.
  void* Module() const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GDynamicLibrary"; }
  static RWCollectable* Create();

 private:
  class SharedModule;

  // An argument word: an integer or a pointer.
  template <typename T>
  static std::uintptr_t Word(T value) {
    if constexpr (std::is_pointer_v<T>) {
      return reinterpret_cast<std::uintptr_t>(value);
    } else {
      return static_cast<std::uintptr_t>(value);
    }
  }

  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  RWWString file_name_;
  std::int32_t loaded_ = 0;
  SharedModule* module_ = nullptr;
};
