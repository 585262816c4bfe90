// A fixture for the stand-in engine's tests: a fresh platform root and printer store, clear
// ledgers and switches, and a check that each test leaves nothing behind in the ledgers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/engine/EngineFixture.h"
#include "platform/spooler/PrinterStore.h"
#include "tests/support/TempDir.h"

namespace vel::platform::engine {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatformRoot(root_.Path().string());
    std::filesystem::create_directories(root_.Path() / "C");  // the system drive
    spooler::OpenStore("");
    ClearFailures();
    ClearCallLog();
    ClearLedgers();
    SetFullLogging(false);
  }

  void TearDown() override {
    ClearFailures();
    spooler::ResetStore();
    ResetLocalTime();
    SetAnsiCodePage(1252);
    OmitImageName("");
    for (const std::string& problem : LedgerProblems()) {
      ADD_FAILURE() << "ledger: " << problem;
    }
  }

  // A UTF-16 name as the engine calls take it.
  static LPWSTR W(std::u16string& text) { return text.data(); }

  test::TempDir root_;
};

}  // namespace vel::platform::engine
