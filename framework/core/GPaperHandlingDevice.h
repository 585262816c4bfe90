// GPaperHandlingDevice: one paper-handling accessory of a printer: its model name, its type,
// whether it is optional and installed, and a table of options of which one is selected. Each
// option is a shared object (a collection whose children are the trays that configuration of the
// device provides) held by a counted reference.
//
// Device types: 0, a device whose trays are offered to the user; 1, a device whose option is
// chosen from a value the printer reports.
//
// The option table: a fixed number of buckets (16 for a new device, the source's for a copy); an
// id lives in bucket id mod bucket count, each bucket a list in insertion order. Ids are unique and
// no entry holds an empty reference.
//
// Stored form (after the attribute part):
//   u32     class version word, 1
//   string  name (u32 length, bytes)
//   i32     device type
//   i32     optional, 1 or 0
//   i32     installed, 1 or 0
//   u16     selected option id, 0 for none
//   u32     entry count n
//   n       entries, bucket by bucket from bucket 0, each bucket in list order:
//             u16  option id
//                  the option object as an object record
// A restore that meets another class version leaves the table as it was. Otherwise it empties the
// table, reads the fields and appends each entry read (an id read again takes the new object in
// its entry); the selected option stays as read.
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "framework/core/GCountedPtr.h"
#include "rw/RWCString.h"

class GPaperHandlingDevice : public GAttribute {
 public:
  static constexpr std::uint32_t kDefaultBuckets = 16;

  GPaperHandlingDevice();
  // Installed becomes 1 when the device is not optional.
  GPaperHandlingDevice(const char* name,
                       std::int32_t device_type,
                       std::int32_t optional,
                       std::int32_t installed,
                       std::uint32_t key);
  // Every field; a table of the same bucket count sharing the source's option objects.
  GPaperHandlingDevice(const GPaperHandlingDevice& other);
  GPaperHandlingDevice& operator=(const GPaperHandlingDevice& other) = delete;
  ~GPaperHandlingDevice() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The attribute part + 26 + the name + for each entry 2 + the option's object record.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: the table lets go of what it holds.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, equal name, type, flags and selected option and the
  // same number of options (the option objects are not compared).
  bool IsSameKey(const GBaseObject* other) const override;
  // The selected option's own iterator (over its trays); a GNullIterator when no option is
  // selected or the selected id is not in the table. Owned by the caller.
  GIterator* CreateIterator() const override;
  // 1; no handler.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // Copies the name into `name` and answers it.
  RWCString& GetName(RWCString& name) const;
  std::int32_t GetDeviceType() const { return device_type_; }
  std::int32_t IsOptional() const { return optional_; }
  std::int32_t IsInstalled() const { return installed_; }
  std::uint16_t GetSelectedOption() const { return selected_; }
  std::uint32_t GetOptionCount() const { return count_; }
  // Stores the flag; 0 also makes the device installed.
  void SetOptional(std::int32_t optional);
  // Only for an optional device: stores the flag and answers 1; else 0 and nothing changes.
  int SetInstalled(std::int32_t installed);

  bool HasOption(std::uint16_t id) const;
  // The option object (the device keeps its reference), or null.
  GBaseObject* GetOption(std::uint16_t id) const;
  // 1 and the id selected when the table holds it, else 0.
  int SelectOption(std::uint16_t id);
  // Holds `object` under `id` (taking it over), replacing an entry of the same id; the first
  // option of a device without a selection becomes selected. Null is refused (answer 0); when
  // memory is short the object is refused as the root's rule says. Answers 1 when added.
  int AddOption(std::uint16_t id, GBaseObject* object);
  // The same with a reference shared with others; an empty reference is refused.
  int AddOption(std::uint16_t id, const GCountedPtr& reference);
  // Takes the entry out and hands the object to the caller (a copy when others still hold it);
  // null for an unknown id. When it was the selected option, the first remaining option in table
  // order becomes selected (none when none remain).
  GBaseObject* RemoveOption(std::uint16_t id);
  // The Count of the selected option's object, 0 without one.
  std::uint32_t GetSelectedOptionCount() const;
  // The smallest non-zero Count among the option objects, 0 when there is none.
  std::uint32_t GetSmallestOptionCount() const;
  // The option ids in table order.
  template <typename Function>
  void ForEachOption(const Function& function) const {
    for (std::uint32_t b = 0; b < bucket_count_; ++b) {
      for (const Entry* entry = buckets_[b]; entry != nullptr; entry = entry->next) {
        function(entry->id, entry->option.Get());
      }
    }
  }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPaperHandlingDevice"; }
  static RWCollectable* Create();

 private:
  struct Entry {
    std::uint16_t id;
    GCountedPtr option;
    Entry* next;
  };

  // Allocates `count` empty buckets (none when memory is short).
  void MakeBuckets(std::uint32_t count);
  void Empty();
  Entry* Find(std::uint16_t id) const;
  // Puts the reference under `id`: into the entry of that id, else a new entry at the end of its
  // bucket. False when memory is short.
  bool Put(std::uint16_t id, const GCountedPtr& reference);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  bool RestoreEntries(Carrier& carrier, std::uint32_t count);

  RWCString name_;
  std::int32_t device_type_ = 0;
  std::int32_t optional_ = 1;
  std::int32_t installed_ = 0;
  std::uint16_t selected_ = 0;
  Entry** buckets_ = nullptr;
  std::uint32_t bucket_count_ = 0;
  std::uint32_t count_ = 0;
};
