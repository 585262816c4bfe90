// Framework objects for tests: a leaf that counts its live instances, and a holder of one counted
// pointer (the counted pointer is saved in place inside its holder, so the persistence harness runs
// it through this class).
//
// The classes live in the global namespace because a persistent class's name string is its class
// name. RegisterFrameworkTestClasses registers them with the class factory.
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtr.h"

// A leaf with an int value; stored as the root part, a version word and the value.
class FwTestLeaf : public GBaseObject {
 public:
  // Class ids of the framework's range that no class of the system uses.
  static constexpr RWClassID kClassId = 1992;

  explicit FwTestLeaf(int value = 0, std::uint32_t key = 0);
  FwTestLeaf(const FwTestLeaf& other);
  FwTestLeaf& operator=(const FwTestLeaf& other) = default;
  ~FwTestLeaf() override;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // Keys and values equal.
  bool IsSameKey(const GBaseObject* other) const override;

  int Value() const { return value_; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwTestLeaf"; }
  static RWCollectable* Create();
  // Instances alive right now, in the whole process.
  static int Live() { return live_.load(); }

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  int value_;
  static std::atomic<int> live_;
};

// A framework object holding one counted pointer; stored as the root part, a version word and the
// counted pointer's contents.
class FwPtrHolder : public GBaseObject {
 public:
  static constexpr RWClassID kClassId = 1991;

  FwPtrHolder() = default;
  explicit FwPtrHolder(GBaseObject* target, std::uint32_t key = 0)
      : GBaseObject(key), pointer_(target) {}
  FwPtrHolder(const FwPtrHolder& other) = default;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // Keys equal, and both targets null or IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;
  void ForgetRestoredMembers() override { pointer_.Reset(); }

  GCountedPtr& Pointer() { return pointer_; }
  const GCountedPtr& Pointer() const { return pointer_; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwPtrHolder"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GCountedPtr pointer_;
};

class GRecord;

// A framework object owning one record (records are not framework objects themselves, so the
// persistence harness runs them through this class); stored as the root part, a version word and
// the record as an object record.
class FwRecordHolder : public GBaseObject {
 public:
  static constexpr RWClassID kClassId = 1989;

  FwRecordHolder() = default;
  // Takes `record` over.
  explicit FwRecordHolder(GRecord* record) : record_(record) {}
  FwRecordHolder(const FwRecordHolder& other);
  FwRecordHolder& operator=(const FwRecordHolder&) = delete;
  ~FwRecordHolder() override;

  RWCollectable* CreateInstance() const override { return Create(); }
  RWCollectable* Clone() const override;
  RWClassID IsA() const override { return kClassId; }
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // Keys equal, and both records null or the same records.
  bool IsSameKey(const GBaseObject* other) const override;
  void ForgetRestoredMembers() override;

  GRecord* Record() const { return record_; }

  static RWClassID ClassId() { return kClassId; }
  static const char* ClassName() { return "FwRecordHolder"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  GRecord* record_ = nullptr;
};

// The foundation classes, the framework classes, the three classes above, the recording stage
// (tests/support/FwTestPeripheral.h) and the test shape (tests/support/FwTestShape.h).
void RegisterFrameworkTestClasses();
void UnregisterFrameworkTestClasses();
