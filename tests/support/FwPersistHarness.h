// The persistence harness of the framework: every registered framework class, fed with a few sample
// objects, runs through the same checks on every carrier.
//
//   (a) the bytes SaveContents writes to a binary file equal StoredByteCount, and the bytes of the
//       object record equal TotalStoredSize;
//   (b) the object round-trips: the restored object has the same class, passes the sample's
//       equality check (IsSameKey by default), and saving it again gives the same bytes;
//   (b') the same for the contents alone: what SaveContents writes, RestoreContents of a new
//       object of the class reads back whole, with equal contents and the same bytes saved again;
//   (c) the stored bytes cut at every length restore soft: a failed carrier and no object, and
//       restored into an object the caller gives, a failed carrier and an object that is safe to
//       use and to delete;
//   (d) a class version word other than 1 at each level of the class chain (every checked word the
//       save writes, nested objects included) fails the carrier and hands out no object.
//
// Samples are registered per class id by each test file (FW_PERSIST_SAMPLES); a registered
// framework class without samples fails the harness test, so no class can be forgotten.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/core/GBaseObject.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwPersistTestClasses.h"

namespace vel::test {

struct FwSample {
  std::string name;
  // A new object, owned by the caller. It is an object of the class, or of a holder of it (a
  // class that is only saved in place, like the counted pointer).
  std::function<GBaseObject*()> make;
  // Equality of the original and the restored object; IsSameKey when empty.
  std::function<bool(const GBaseObject& original, const GBaseObject& restored)> equal;
};

// The samples of each class id.
std::map<RWClassID, std::vector<FwSample>>& FrameworkSamples();

struct FwSampleRegistrar {
  FwSampleRegistrar(RWClassID id, std::vector<FwSample> samples);
};

#define FW_PERSIST_SAMPLES_CONCAT2(a, b) a##b
#define FW_PERSIST_SAMPLES_CONCAT(a, b) FW_PERSIST_SAMPLES_CONCAT2(a, b)
// Registers samples for a class id in a test file: FW_PERSIST_SAMPLES(id, {{"name", make}, ...}).
#define FW_PERSIST_SAMPLES(id, ...)                                      \
  static const ::vel::test::FwSampleRegistrar FW_PERSIST_SAMPLES_CONCAT( \
      fw_persist_samples_, __LINE__)(id, std::vector<::vel::test::FwSample> __VA_ARGS__)

// The checks, each reporting through GoogleTest assertions.
void CheckStoredSizes(const FwSample& sample);
void CheckRoundTrip(const FwSample& sample, Carrier carrier);
void CheckContentsRoundTrip(const FwSample& sample, Carrier carrier);
void CheckTruncations(const FwSample& sample, Carrier carrier);
void CheckVersionWords(const FwSample& sample, Carrier carrier);

// The checked class version words that saving `object` writes.
std::uint32_t CountVersionWords(const GBaseObject& object);

// Frees a restored framework object (one that no counted pointer holds).
void DeleteRestored(RWCollectable* object);

}  // namespace vel::test
