// Runs every registered framework class through the persistence harness on every carrier.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/GRecord.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"

namespace {

using vel::test::Carrier;
using vel::test::FrameworkSamples;

std::string ClassesWithoutSamples() {
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  std::string missing;
  for (std::size_t i = 0; i < count; ++i) {
    const auto found = FrameworkSamples().find(classes[i].id);
    if (found == FrameworkSamples().end() || found->second.empty()) {
      missing += std::string(missing.empty() ? "" : ", ") + classes[i].name;
    }
  }
  return missing;
}

TEST(PersistHarnessTest, EveryRegisteredClassHasSamples) {
  EXPECT_EQ(ClassesWithoutSamples(), "");
}

TEST(PersistHarnessTest, StoredSizesMatchTheBytesWritten) {
  for (const auto& [id, samples] : FrameworkSamples()) {
    for (const auto& sample : samples) {
      vel::test::CheckStoredSizes(sample);
    }
  }
}

class PersistHarnessCarrierTest : public ::testing::TestWithParam<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers,
                         PersistHarnessCarrierTest,
                         ::testing::ValuesIn(vel::test::kAllCarriers),
                         [](const ::testing::TestParamInfo<Carrier>& info) {
                           std::string name = vel::test::CarrierName(info.param);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_P(PersistHarnessCarrierTest, RoundTrip) {
  for (const auto& [id, samples] : FrameworkSamples()) {
    for (const auto& sample : samples) {
      vel::test::CheckRoundTrip(sample, GetParam());
    }
  }
}

TEST_P(PersistHarnessCarrierTest, ContentsAloneRoundTrip) {
  for (const auto& [id, samples] : FrameworkSamples()) {
    for (const auto& sample : samples) {
      vel::test::CheckContentsRoundTrip(sample, GetParam());
    }
  }
}

TEST_P(PersistHarnessCarrierTest, TruncatedBytesRestoreSoft) {
  for (const auto& [id, samples] : FrameworkSamples()) {
    for (const auto& sample : samples) {
      vel::test::CheckTruncations(sample, GetParam());
    }
  }
}

TEST_P(PersistHarnessCarrierTest, AnotherClassVersionFailsTheCarrier) {
  for (const auto& [id, samples] : FrameworkSamples()) {
    for (const auto& sample : samples) {
      vel::test::CheckVersionWords(sample, GetParam());
    }
  }
}

// Writes the fuzz target's seeds (fuzz/corpus/fuzz_framework_persist): every sample of a
// framework class on every carrier, the carrier's number first. Run with VEL_WRITE_FUZZ_SEEDS
// set to the corpus folder.
TEST(PersistHarnessTest, WritesFuzzSeedsWhenAsked) {
  const char* folder = std::getenv("VEL_WRITE_FUZZ_SEEDS");
  if (folder == nullptr) {
    GTEST_SKIP() << "VEL_WRITE_FUZZ_SEEDS is not set";
  }
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  for (const auto& [id, samples] : FrameworkSamples()) {
    for (const auto& sample : samples) {
      std::unique_ptr<GBaseObject> object(sample.make());
      const bool registered = std::any_of(
          classes, classes + count, [&](const auto& entry) { return entry.id == object->IsA(); });
      const RWCollectable* saved = object.get();
      if (!registered) {
        // A test holder, which the fuzz target does not know; a record it holds is registered.
        const auto* holder = dynamic_cast<const FwRecordHolder*>(object.get());
        if (holder == nullptr || holder->Record() == nullptr) {
          continue;
        }
        saved = holder->Record();
      }
      for (const Carrier carrier : vel::test::kAllCarriers) {
        std::string name = std::string(vel::test::CarrierName(carrier)) + "_" + sample.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
        out.put(static_cast<char>(static_cast<int>(carrier)));
        const vel::test::Bytes bytes = vel::test::SaveGraph(carrier, saved);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
      }
    }
  }
}

}  // namespace
