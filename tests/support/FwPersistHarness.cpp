// The persistence harness of the framework.
#include "tests/support/FwPersistHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "framework/core/ClassVersion.h"

namespace vel::test {

namespace {

struct Deleter {
  void operator()(GBaseObject* object) const { delete object; }
};
using Owned = std::unique_ptr<GBaseObject, Deleter>;

bool Equal(const FwSample& sample, const GBaseObject& original, const GBaseObject& restored) {
  return sample.equal ? sample.equal(original, restored) : original.IsSameKey(&restored);
}

}  // namespace

std::map<RWClassID, std::vector<FwSample>>& FrameworkSamples() {
  static std::map<RWClassID, std::vector<FwSample>> samples;
  return samples;
}

FwSampleRegistrar::FwSampleRegistrar(RWClassID id, std::vector<FwSample> samples) {
  auto& all = FrameworkSamples()[id];
  for (FwSample& sample : samples) {
    all.push_back(std::move(sample));
  }
}

void DeleteRestored(RWCollectable* object) {
  delete object;
}

std::uint32_t CountVersionWords(const GBaseObject& object) {
  ScopedClassVersionPatch count(0xFFFFFFFFu, 1);
  (void)SaveGraph(Carrier::kFile, &object);
  return count.Written();
}

void CheckStoredSizes(const FwSample& sample) {
  SCOPED_TRACE(sample.name);
  Owned object(sample.make());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(SaveContentsOf(Carrier::kFile, *object).size(), object->StoredByteCount());
  EXPECT_EQ(SaveGraph(Carrier::kFile, object.get()).size(), object->TotalStoredSize());
}

void CheckRoundTrip(const FwSample& sample, Carrier carrier) {
  SCOPED_TRACE(sample.name);
  Owned object(sample.make());
  ASSERT_NE(object, nullptr);
  const Bytes bytes = SaveGraph(carrier, object.get());
  const Restored restored = RestoreGraph(carrier, bytes);
  ASSERT_FALSE(restored.failed);
  auto* copy = dynamic_cast<GBaseObject*>(restored.object);
  ASSERT_NE(copy, nullptr);
  Owned owned(copy);
  EXPECT_EQ(copy->IsA(), object->IsA());
  EXPECT_EQ(copy->References(), -1);
  EXPECT_TRUE(Equal(sample, *object, *copy));
  EXPECT_TRUE(BytesEqual(bytes, SaveGraph(carrier, copy)));
}

void CheckContentsRoundTrip(const FwSample& sample, Carrier carrier) {
  SCOPED_TRACE(sample.name);
  Owned object(sample.make());
  ASSERT_NE(object, nullptr);
  const Bytes bytes = SaveContentsOf(carrier, *object);
  Owned given(dynamic_cast<GBaseObject*>(object->CreateInstance()));
  ASSERT_NE(given, nullptr);
  ASSERT_FALSE(RestoreContentsOf(carrier, bytes, *given).failed);
  EXPECT_TRUE(Equal(sample, *object, *given));
  EXPECT_TRUE(BytesEqual(bytes, SaveContentsOf(carrier, *given)));
}

void CheckTruncations(const FwSample& sample, Carrier carrier) {
  SCOPED_TRACE(sample.name);
  Owned object(sample.make());
  ASSERT_NE(object, nullptr);
  const Bytes bytes = SaveGraph(carrier, object.get());
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    const Restored restored = RestoreGraph(carrier, Bytes(bytes.begin(), bytes.begin() + length));
    EXPECT_TRUE(restored.failed) << "cut at " << length;
    EXPECT_EQ(restored.object, nullptr) << "cut at " << length;
    DeleteRestored(restored.object);

    // Restored into an object the caller gives, the failure leaves it safe to use and to delete.
    Owned given(dynamic_cast<GBaseObject*>(object->CreateInstance()));
    ASSERT_NE(given, nullptr);
    const Restored into =
        RestoreInto(carrier, Bytes(bytes.begin(), bytes.begin() + length), *given);
    EXPECT_TRUE(into.failed) << "cut at " << length;
    (void)SaveGraph(carrier, given.get());
    (void)given->TotalCount();
  }
}

void CheckVersionWords(const FwSample& sample, Carrier carrier) {
  SCOPED_TRACE(sample.name);
  Owned object(sample.make());
  ASSERT_NE(object, nullptr);
  const std::uint32_t words = CountVersionWords(*object);
  EXPECT_GT(words, 0u);
  for (std::uint32_t patched = 0; patched < words; ++patched) {
    for (const std::uint32_t word : {0u, 2u}) {
      Bytes bytes;
      {
        ScopedClassVersionPatch patch(patched, word);
        bytes = SaveGraph(carrier, object.get());
      }
      const Restored restored = RestoreGraph(carrier, bytes);
      EXPECT_TRUE(restored.failed) << "word " << patched << " = " << word;
      EXPECT_EQ(restored.object, nullptr) << "word " << patched << " = " << word;
      DeleteRestored(restored.object);
    }
  }
}

}  // namespace vel::test
