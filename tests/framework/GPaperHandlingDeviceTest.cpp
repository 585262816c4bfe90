// The paper-handling device: the option table (order, replacement, selection), the installed
// flag, iteration over the selected option, the stored form and restores of bad data.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GTray.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::kAllCarriers;

// An option: a composite of `trays` trays.
MPersistentComposite* Option(int trays) {
  auto* option = new MPersistentComposite(0);
  for (int i = 0; i < trays; ++i) {
    option->Add(new GTray("Tray", static_cast<std::int16_t>(i + 1), 0));
  }
  return option;
}

std::vector<std::uint16_t> Ids(const GPaperHandlingDevice& device) {
  std::vector<std::uint16_t> ids;
  device.ForEachOption([&ids](std::uint16_t id, GBaseObject*) { ids.push_back(id); });
  return ids;
}

FW_PERSIST_SAMPLES(vel::classid::kGPaperHandlingDevice,
                   {{"device default", [] { return new GPaperHandlingDevice; }},
                    {"device with options", [] {
                       auto* device = new GPaperHandlingDevice("Tower", 1, 1, 1, 90);
                       auto* shared = Option(2);
                       device->AddOption(3, shared);
                       device->AddOption(19, GCountedPtr(shared));
                       device->AddOption(1, Option(1));
                       device->SelectOption(19);
                       return device;
                     }}});

TEST(GPaperHandlingDeviceTest, OptionsAreWrittenBucketByBucket) {
  GPaperHandlingDevice device("D", 0, 1, 0, 0);
  for (std::uint16_t id : {2, 33, 1, 17}) {
    device.AddOption(id, new GValueAttribute(id, 0));
  }
  EXPECT_EQ(Ids(device), (std::vector<std::uint16_t>{33, 1, 17, 2}));
}

}  // namespace
