// One engine per process: a module loaded with dlopen shares the host's printers and ledgers.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/engine/winddi.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

using EngineModuleLoadTest = EngineTest;

TEST_F(EngineModuleLoadTest, ALoadedModuleWritesToTheHostsEngine) {
  ASSERT_TRUE(spooler::PutPrinter(spooler::PrinterRecord{u"Shared"}));
  HANDLE printer = spooler::OpenPrinterHandle(u"Shared", 8);
  void* module = dlopen(VEL_ENGINE_TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  using Entry = void* (*)(HANDLE);
  auto entry = reinterpret_cast<Entry>(dlsym(module, "ModuleWriteAndAllocate"));
  ASSERT_NE(entry, nullptr);
  void* block = entry(printer);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(LiveBlocks(0x6C646F4D), 1u);
  EXPECT_EQ(LiveBytes(0x6C646F4D), 48u);
  spooler::PrinterDataValue value;
  ASSERT_EQ(spooler::GetPrinterDataValue(u"shared", u"FromModule", &value), 0u);
  EXPECT_EQ(value.type, REG_DWORD);
  EXPECT_EQ(value.bytes, (std::vector<BYTE>{42, 0, 0, 0}));
  EngFreeMem(block);
  dlclose(module);
  spooler::ClosePrinterHandle(printer);
}

}  // namespace
}  // namespace vel::platform::engine
