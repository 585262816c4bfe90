// The setting of the font tests: the test services (locks, the character translator of the render
// flavour) and a process font pool, made for each test and taken down after it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/GCharTranslator.h"
#include "framework/core/GOSServices.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/SfntBuilder.h"

namespace vel::test {

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_ = MakeServices();
    GTTFontPool::SetInstance(new TestFontPool);
    MemoryFontReader::Register();
  }
  void TearDown() override {
    GTTFontPool::DestroyInstance();
    ReleaseCodePageTranslator();
    DeleteOSServices();
  }
  // The services of the test (a subclass may make its own kind).
  virtual TestOSServices* MakeServices() { return new TestOSServices; }

  static GTTFontPool& Pool() { return *GTTFontPool::Instance(); }
  // A reader over a font built from the tables (owned by the caller).
  static std::unique_ptr<MemoryFontReader> ReaderOf(const std::vector<SfntTable>& tables) {
    return std::make_unique<MemoryFontReader>(BuildSfnt(tables));
  }
  static bool HasTranslator() { return GetCodePageTranslator() != nullptr; }

  TestOSServices* services_ = nullptr;
};

}  // namespace vel::test
