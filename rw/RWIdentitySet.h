// A hashed set that holds each object at most once by address: members are hashed and matched by
// their addresses, and their own Hash and IsEqual are never called.
#pragma once

#include <cstdint>

#include "rw/RWSet.h"

inline constexpr RWClassID kRWIdentitySetClassId = 0x8025;

class RWIdentitySet : public RWSet {
 public:
  // `buckets` empty buckets; 0 gives 2.
  explicit RWIdentitySet(std::uint32_t buckets = kDefaultBuckets) : RWSet(buckets) {}
  RWIdentitySet(const RWIdentitySet&) = default;
  RWIdentitySet& operator=(const RWIdentitySet&) = default;
  ~RWIdentitySet() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The members' addresses in any order, with the class id and the count.
  std::uint32_t Hash() const override;

  // The member that is the item itself, or null.
  RWCollectable* Find(const RWCollectable* item) const override;
  // Adds the item unless it is already a member; returns it (null when refused).
  RWCollectable* Insert(RWCollectable* item) override;
  std::uint32_t OccurrencesOf(const RWCollectable* item) const override;
  RWCollectable* Remove(const RWCollectable* item) override;

  // The hash of an address folded to 32 bits, a: (a >> 3) XOR a.
  static std::uint32_t AddressHash(const void* address);

  static RWClassID ClassId() { return kRWIdentitySetClassId; }
  static const char* ClassName() { return "RWIdentitySet"; }
  // The default object: 64 buckets. Null when memory is short.
  static RWCollectable* Create();
};
