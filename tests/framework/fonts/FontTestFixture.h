// The setting of the font tests: the test services (locks, the character translator of the render
// flavour) and a process font pool, made for each test and taken down after it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/GCharTranslator.h"
#include "framework/core/GDriverServer.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GRenderDevice.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestRenderDevice.h"
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

// The font tests with render devices: test render devices filed with a driver server, so that a
// font finds its device and the device's downloaded-font table by cookie as in a printing
// process. The server (and every device it holds) goes before the font pool.
class FontDeviceTest : public FontTest {
 protected:
  void SetUp() override {
    FontTest::SetUp();
    server_ = new GDriverServer;
  }
  void TearDown() override {
    vel::DeleteDriverServer();
    FontTest::TearDown();
  }
  TestOSServices* MakeServices() override {
    auto* services = new BothKindsServices;
    services->make_render_device = [](const GPrinterKey& key) -> GDeviceSession* {
      return new TestRenderDevice(key);
    };
    return services;
  }
  // A new render device of a printer of the test driver, filed under `*cookie`.
  GRenderDevice* OpenDevice(const std::u16string& printer, std::uint32_t* cookie) {
    return server_->OpenRenderDriver(new TestPrinterKey(printer, u"vel-test"), cookie);
  }

  GDriverServer* server_ = nullptr;
};

}  // namespace vel::test
