// GFontDatabase: implementations by font id, and font files written to and read from real files.
#include "framework/output/fonts/GFontDatabase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/GStreamHolders.h"
#include "framework/core/StringWidth.h"
#include "rw/RWVirtualStream.h"
#include "framework/core/GRenderDevice.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/TempDir.h"

namespace {

class GFontDatabaseTest : public vel::test::FontTest {
 protected:
  void SetUp() override {
    FontTest::SetUp();
    RegisterFrameworkTestClasses();
  }

  static FwTestFontImp* NewFont(std::uint32_t change_count, bool marked) {
    GFontFaceRecord face;
    face.name = "Face";
    auto* font = new FwTestFontImp(nullptr, face, vel::test::InstanceRecord(2));
    font->SetChangeCount(change_count);
    if (marked) {
      font->MarkForSave();
    }
    return font;
  }

  RWWString Name(const char* file) const {
    RWWString wide;
    (void)WidenString(RWCString(temp_.File(file).c_str()), wide);
    return wide;
  }
  bool Exists(const char* file) const { return std::filesystem::exists(temp_.File(file)); }

  vel::test::TempDir temp_;
};

TEST_F(GFontDatabaseTest, TheTableHoldsOneReferenceOnEachImplementation) {
  GFontDatabase table(nullptr);
  FwTestFontImp* font = NewFont(3, false);
  const std::uint32_t id = font->GetFontId();
  ASSERT_EQ(table.Add(font), 1);
  ASSERT_EQ(table.Add(font), 1);
  EXPECT_EQ(font->FontReferences(), 1);
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(table.Find(id, 4), nullptr);
  EXPECT_EQ(table.Find(id, 3), font);
  EXPECT_EQ(font->FontReferences(), 2);
  EXPECT_EQ(table.Remove(id), font);
  EXPECT_EQ(table.Contains(id), 0);
  EXPECT_EQ(font->FontReferences(), 2);
  font->SetFontReferences(0);
  ASSERT_EQ(table.Add(font), 1);
  EXPECT_EQ(table.Release(id), 1);  // deleted with the table's reference (AddressSanitizer)
  EXPECT_EQ(table.Release(id), 0);
}

TEST_F(GFontDatabaseTest, AFontFileCarriesTheMarkedImplementations) {
  GFontDatabase writer(nullptr);
  FwTestFontImp* held = NewFont(1, true);
  FwTestFont font(held, nullptr);
  FwTestFontImp* unmarked = NewFont(1, false);
  FwTestFontImp* only_table = NewFont(1, true);
  for (FwTestFontImp* implementation : {held, unmarked, only_table}) {
    ASSERT_EQ(writer.Add(implementation), 1);
  }
  const std::uint32_t unmarked_id = unmarked->GetFontId();
  const std::uint32_t only_table_id = only_table->GetFontId();
  ASSERT_EQ(writer.AddFontFile(Name("page.fnt")), 1);
  EXPECT_EQ(held->GetSaveFlag(), 0u);  // cleared once written
  // Written, then purged: only what a font holds stays.
  EXPECT_EQ(writer.Count(), 1u);
  EXPECT_EQ(writer.Contains(only_table_id), 0);

  GFontDatabase reader(nullptr);
  ASSERT_EQ(reader.SelectFontFile(Name("page.fnt")), 1);
  EXPECT_EQ(reader.CurrentFontFile(), Name("page.fnt"));
  EXPECT_EQ(reader.Count(), 2u);
  GFontImp* restored = reader.Find(held->GetFontId(), 1);
  ASSERT_NE(restored, nullptr);
  EXPECT_NE(restored, held);
  EXPECT_TRUE(restored->IsSameKey(held));
  restored->DropFontReference();
  EXPECT_EQ(reader.Contains(only_table_id), 1);
  EXPECT_EQ(reader.Contains(unmarked_id), 0);

  // The current file is not read again.
  std::filesystem::remove(temp_.File("page.fnt"));
  EXPECT_EQ(reader.SelectFontFile(Name("page.fnt")), 1);
}

TEST_F(GFontDatabaseTest, WritingTheCurrentFontFileAgainMakesTheNextSelectionReadIt) {
  // A later job of the device may record a page under a name it used before.
  GFontDatabase table(nullptr);
  ASSERT_EQ(table.Add(NewFont(1, true)), 1);
  ASSERT_EQ(table.AddFontFile(Name("page.fnt")), 1);
  ASSERT_EQ(table.SelectFontFile(Name("page.fnt")), 1);
  // Held only by the table: written, then purged away.
  FwTestFontImp* later = NewFont(1, true);
  const std::uint32_t later_id = later->GetFontId();
  ASSERT_EQ(table.Add(later), 1);
  ASSERT_EQ(table.AddFontFile(Name("page.fnt")), 1);
  EXPECT_EQ(table.Contains(later_id), 0);
  EXPECT_EQ(table.CurrentFontFile().Length(), 0u);
  ASSERT_EQ(table.SelectFontFile(Name("page.fnt")), 1);
  EXPECT_EQ(table.Contains(later_id), 1);
}

TEST_F(GFontDatabaseTest, FlushDeletesEveryFileItWroteEvenEmptyOnes) {
  {
    GFontDatabase table(nullptr);
    ASSERT_EQ(table.AddFontFile(Name("empty.fnt")), 1);
    ASSERT_TRUE(Exists("empty.fnt"));
    std::ifstream in(temp_.File("empty.fnt"), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 4u);  // the table's part is a count of 0
    EXPECT_EQ(std::vector<char>(bytes.end() - 4, bytes.end()), std::vector<char>(4, 0));
    ASSERT_EQ(table.Add(NewFont(0, true)), 1);
    ASSERT_EQ(table.AddFontFile(Name("one.fnt")), 1);
    table.Flush();
    EXPECT_FALSE(Exists("empty.fnt"));
    EXPECT_FALSE(Exists("one.fnt"));
    ASSERT_EQ(table.AddFontFile(Name("two.fnt")), 1);
  }
  EXPECT_FALSE(Exists("two.fnt"));  // flushed by the destructor
  GFontDatabase table(nullptr);
  EXPECT_EQ(table.AddFontFile(Name("no such folder/x.fnt")), 0);
}

TEST_F(GFontDatabaseTest, TheCopyThatKnowsMoreIsKept) {
  GFontDatabase table(nullptr);
  FwTestFontImp* held = NewFont(5, true);
  auto font = std::make_unique<FwTestFont>(held, nullptr);
  const std::uint32_t id = held->GetFontId();
  ASSERT_EQ(table.Add(held), 1);
  ASSERT_EQ(table.AddFontFile(Name("five.fnt")), 1);  // the copy with count 5
  ASSERT_EQ(table.AddFontFile(Name("other.fnt")), 1);

  // A restored copy that knows less is discarded.
  held->SetChangeCount(7);
  ASSERT_EQ(table.SelectFontFile(Name("five.fnt")), 1);
  EXPECT_EQ(table.Find(id, 0), held);
  held->DropFontReference();
  EXPECT_EQ(held->GetChangeCount(), 7u);
  EXPECT_TRUE(held->merged.empty());

  // One that knows more is merged into a copy a font holds...
  held->SetChangeCount(3);
  ASSERT_EQ(table.SelectFontFile(Name("other.fnt")), 1);
  ASSERT_EQ(table.SelectFontFile(Name("five.fnt")), 1);
  EXPECT_EQ(table.Find(id, 0), held);
  held->DropFontReference();
  EXPECT_EQ(held->GetChangeCount(), 5u);
  EXPECT_EQ(held->merged, std::vector<std::uint32_t>{id});

  // A copy only the table holds is purged before the read, and the restored one takes its id.
  held->SetChangeCount(3);
  font.reset();
  ASSERT_EQ(table.SelectFontFile(Name("other.fnt")), 1);
  ASSERT_EQ(table.SelectFontFile(Name("five.fnt")), 1);
  GFontImp* replacement = table.Find(id, 5);
  ASSERT_NE(replacement, nullptr);
  EXPECT_EQ(replacement->FontReferences(), 2);
  replacement->DropFontReference();
}

TEST_F(GFontDatabaseTest, DamagedFontFilesFailSoft) {
  GFontDatabase writer(nullptr);
  FwTestFontImp* first = NewFont(1, true);
  FwTestFontImp* second = NewFont(1, true);
  FwTestFont a(first, nullptr);
  FwTestFont b(second, nullptr);
  ASSERT_EQ(writer.Add(first), 1);
  ASSERT_EQ(writer.Add(second), 1);
  ASSERT_EQ(writer.AddFontFile(Name("good.fnt")), 1);
  const auto size = std::filesystem::file_size(temp_.File("good.fnt"));
  std::filesystem::copy_file(temp_.File("good.fnt"), temp_.File("cut.fnt"));
  std::filesystem::resize_file(temp_.File("cut.fnt"), size - 10);
  std::ofstream(temp_.File("junk.fnt"), std::ios::binary) << std::string(64, '\x7f');

  GFontDatabase reader(nullptr);
  ASSERT_EQ(reader.SelectFontFile(Name("good.fnt")), 1);
  EXPECT_EQ(reader.SelectFontFile(Name("missing.fnt")), 0);  // changes nothing
  EXPECT_EQ(reader.CurrentFontFile(), Name("good.fnt"));
  for (const char* damaged : {"cut.fnt", "junk.fnt"}) {
    SCOPED_TRACE(damaged);
    EXPECT_EQ(reader.SelectFontFile(Name(damaged)), 0);
    EXPECT_EQ(reader.CurrentFontFile().Length(), 0u);
    EXPECT_LE(reader.Count(), 1u);  // only an entry read whole before the damage
  }
  EXPECT_EQ(reader.SelectFontFile(Name("good.fnt")), 1);
  EXPECT_EQ(reader.Count(), 2u);
}

TEST_F(GFontDatabaseTest, SaveAndRestoreWorkThroughAStream) {
  GFontDatabase writer(nullptr);
  FwTestFontImp* font = NewFont(2, true);
  FwTestFont holder(font, nullptr);
  ASSERT_EQ(writer.Add(font), 1);
  std::vector<std::uint8_t> buffer(1 << 16);
  GStreamWriter out(buffer.data(), static_cast<std::uint32_t>(buffer.size()), vel::kBinaryFormat);
  ASSERT_EQ(writer.Save(*out.Stream()), 1);
  out.Stream()->Flush();
  buffer.resize(static_cast<std::size_t>(out.Position()));
  EXPECT_EQ(font->GetSaveFlag(), 0u);

  GFontDatabase reader(nullptr);
  GStreamReader in(buffer.data(), static_cast<std::uint32_t>(buffer.size()), vel::kBinaryFormat);
  ASSERT_EQ(reader.Restore(*in.Stream()), 1);
  GFontImp* restored = reader.Find(font->GetFontId(), 2);
  ASSERT_NE(restored, nullptr);
  EXPECT_TRUE(restored->IsSameKey(font));
  restored->DropFontReference();
}

// The first id of a process is 0: checked in a process of its own.
TEST(GFontDatabaseDeathTest, FontIdsStartAtZeroInAFreshProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const std::uint32_t first = GFontDatabase::NextFontId();
        const std::uint32_t second = GFontDatabase::NextFontId();
        std::exit(first == 0 && second == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// Seeds of fuzz_font_table, written into VEL_WRITE_FUZZ_SEEDS/fuzz_font_table when that is set:
// font files as a render device's table writes them (byte 0 first), and a stored font, font
// implementation and font metrics on each carrier (the carrier's number + 1 first).
class GFontDatabaseSeedTest : public vel::test::FontDeviceTest {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    RegisterFrameworkTestClasses();
  }
};

void WriteSeed(const std::string& path, std::uint8_t mode, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.put(static_cast<char>(mode));
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

TEST_F(GFontDatabaseSeedTest, WritesFuzzSeedsWhenAsked) {
  const char* folder = std::getenv("VEL_WRITE_FUZZ_SEEDS");
  if (folder == nullptr) {
    GTEST_SKIP() << "VEL_WRITE_FUZZ_SEEDS is not set";
  }
  const std::string out = std::string(folder) + "/fuzz_font_table";
  std::filesystem::create_directories(out);
  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenDevice(u"Laser", &cookie);
  ASSERT_NE(device, nullptr);
  GFontDatabase& table = *device->GetDownloadedFontTable();
  vel::test::TempDir temp;
  auto write_file = [&](const char* name) {
    const std::string path = temp.File(name);
    RWWString wide;
    (void)WidenString(RWCString(path.c_str()), wide);
    ASSERT_EQ(table.AddFontFile(wide), 1);
    WriteSeed(out + "/fontfile_" + name, 0, FileBytes(path));
  };
  write_file("empty");

  // A TrueType reader the device's fonts asked the pool to keep, and two marked implementations,
  // one over real font metrics.
  auto* reader = new vel::test::MemoryFontReader(vel::test::MakeTestFont());
  Pool().Add(reader);
  std::unique_ptr<GTTFontFile> handle(Pool().NewFontFile(reader));
  ASSERT_EQ(handle->Preload(nullptr, 16), 1);
  ASSERT_EQ(handle->RequestSave(cookie), 1);
  GFontFaceRecord face;
  face.name = "Face";
  auto* plain = new FwTestFontImp(nullptr, face, vel::test::InstanceRecord(2));
  FwTestFont plain_font(plain, device);
  plain->MarkForSave();
  ASSERT_EQ(table.Add(plain), 1);
  std::vector<std::pair<std::string, const RWCollectable*>> stored = {{"implementation", plain},
                                                                      {"font", &plain_font}};
  auto* metrics = new FwFreeTypeMetrics(vel::test::kDejaVuSans.path);
  std::unique_ptr<FwTestFont> real_font;
  if (metrics->IsOpen()) {
    auto* real = FwTestFontImp::WithMetrics(
        metrics, vel::test::FaceRecordOf(vel::test::kDejaVuSans.path, 40),
        vel::test::InstanceRecord(1));
    real_font = std::make_unique<FwTestFont>(real, device);
    real->MarkForSave();
    ASSERT_EQ(table.Add(real), 1);
    stored.emplace_back("implementation_with_metrics", real);
    stored.emplace_back("metrics", metrics);
  } else {
    delete metrics;
  }
  write_file("fonts");

  for (const vel::test::Carrier carrier : vel::test::kAllCarriers) {
    for (const auto& [name, object] : stored) {
      WriteSeed(out + "/" + vel::test::CarrierName(carrier) + "_" + name,
                static_cast<std::uint8_t>(static_cast<int>(carrier) + 1),
                vel::test::SaveGraph(carrier, object));
    }
  }
}

}  // namespace
