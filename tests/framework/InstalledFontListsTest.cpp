// The installed-font list loader: font-list files read whole, damaged or hostile files read up to
// the damage, the refresh by stamp, locations that lose their path, and the merge into the
// configuration's device font composite.
#include "framework/output/InstalledFontLists.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GOSServices.h"
#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "platform/PathMap.h"
#include "platform/spooler/PrinterStore.h"
#include "rw/RWBinaryFile.h"
#include "tests/support/FontListFileBuilder.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::FontListFile;
using vel::test::FontListRecord;

FontListFile TwoFonts(std::uint32_t stamp) {
  FontListFile file;
  file.stamp = stamp;
  file.records.push_back({"Courier", "CourierPS", 1, 2, 0x21, 2, 7, {101}});
  file.records.push_back({"Mincho", "", 3, 4, 0x60, 9, 0xFFFF, {201, 202}});
  return file;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class FontListFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<GDeviceFontList> Load(const std::vector<std::uint8_t>& bytes,
                                        std::uint32_t key = vel::key::kDiskFonts1) {
    const std::string path = dir_.File("fonts.lst");
    WriteFile(path, bytes);
    RWBinaryFile file(path.c_str(), "rb");
    return std::unique_ptr<GDeviceFontList>(vel::LoadFontListFile(file, key));
  }
  vel::test::TempDir dir_;
};

TEST_F(FontListFileTest, ReadsEveryRecord) {
  std::unique_ptr<GDeviceFontList> list = Load(TwoFonts(9).Build());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetKey(), vel::key::kDiskFonts1);
  EXPECT_EQ(list->GetStamp(), 9u);
  ASSERT_EQ(list->DescriptionCount(), 2u);

  const GDeviceFontDescription& courier = *list->DescriptionAt(0);
  EXPECT_EQ(courier.GetName(), RWCString("Courier"));
  EXPECT_EQ(courier.GetSecondName(), RWCString("CourierPS"));
  EXPECT_EQ(courier.GetCharSet(), 4u);
  EXPECT_EQ(courier.GetCharSets().Count(), 1u);
  EXPECT_EQ(courier.GetFirstMatch(), 1);
  EXPECT_EQ(courier.GetSecondMatch(), 2u);
  EXPECT_EQ(courier.GetStyleClass(), 0x20u);
  EXPECT_EQ(courier.GetFlag(), 1u);
  EXPECT_EQ(courier.GetTechnology(), 1u);
  EXPECT_EQ(courier.GetRecordValue(), 7);
  EXPECT_EQ(courier.GetLocationClass(), GDeviceFontDescription::kDisk);

  // Two codes: several sets; style 0x60 is no class; technology 9 stores 0 and sets the flag.
  const GDeviceFontDescription& mincho = *list->DescriptionAt(1);
  EXPECT_EQ(mincho.GetCharSet(), 16u);
  ASSERT_EQ(mincho.GetCharSets().Count(), 2u);
  EXPECT_EQ(mincho.GetCharSets().At(0), 15);
  EXPECT_EQ(mincho.GetCharSets().At(1), 17);
  EXPECT_EQ(mincho.GetStyleClass(), 0u);
  EXPECT_EQ(mincho.GetTechnology(), 0u);
  EXPECT_EQ(mincho.GetFlag(), 1u);
  EXPECT_EQ(mincho.GetRecordValue(), -1);
}

TEST_F(FontListFileTest, RecordsOfManyCodesAreReadWhole) {
  FontListFile file;
  FontListRecord record{"Wide", "", 0, 0, 0, 3, 0, {}};
  for (int i = 0; i < 20; ++i) {
    record.codes.push_back(static_cast<std::uint16_t>(201 + i % 3));
  }
  file.records.push_back(record);
  file.records.push_back({"Next", "", 0, 0, 0, 4, 0, {}});  // no codes: set 16, no sets
  std::unique_ptr<GDeviceFontList> list = Load(file.Build());
  ASSERT_EQ(list->DescriptionCount(), 2u);
  EXPECT_EQ(list->DescriptionAt(0)->GetCharSets().Count(), 20u);
  EXPECT_EQ(list->DescriptionAt(0)->GetCharSets().At(19), 17);
  EXPECT_EQ(list->DescriptionAt(0)->GetName(), RWCString("Wide"));
  EXPECT_EQ(list->DescriptionAt(1)->GetCharSet(), 16u);
  EXPECT_EQ(list->DescriptionAt(1)->GetCharSets().Count(), 0u);
  EXPECT_EQ(list->DescriptionAt(1)->GetTechnology(), 5u);
  EXPECT_EQ(list->GetStamp(), 1u);
}

TEST_F(FontListFileTest, DamageKeepsTheRecordsBeforeAndStampsZero) {
  const FontListFile source = TwoFonts(9);
  const std::vector<std::uint8_t> whole = source.Build();
  const std::uint32_t second = source.RecordOffsets()[1];
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t records;
  };
  std::vector<Case> cases;
  cases.push_back({"cut inside the second record", {whole.begin(), whole.begin() + second + 10}, 1});
  cases.push_back({"cut inside the second record's names", {whole.begin(), whole.end() - 1}, 1});
  std::vector<std::uint8_t> huge_count = whole;
  vel::test::PutLittle32(huge_count, FontListFile::kCountOffset, 0xFFFFFFFF);
  cases.push_back({"N past the end", huge_count, 2});
  std::vector<std::uint8_t> far_first = whole;
  vel::test::PutLittle32(far_first, FontListFile::kFirstRecordOffset, 0xFFFFFFF0);
  cases.push_back({"first offset past the end", far_first, 0});
  std::vector<std::uint8_t> far_second = whole;
  vel::test::PutLittle32(far_second, 36, static_cast<std::uint32_t>(whole.size()) - 27);
  cases.push_back({"second offset near the end", far_second, 1});
  std::vector<std::uint8_t> far_name = whole;
  vel::test::PutLittle32(far_name, second + 6, 0x7FFFFFFF);
  cases.push_back({"name offset past the end", far_name, 1});
  std::vector<std::uint8_t> many_codes = whole;
  many_codes[second + 24] = 0xFF;
  many_codes[second + 25] = 0xFF;
  cases.push_back({"code count past the end", many_codes, 1});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GDeviceFontList> list = Load(c.bytes);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->DescriptionCount(), c.records);
    EXPECT_EQ(list->GetStamp(), 0u);
  }
}

TEST_F(FontListFileTest, AShortHeaderGivesNoList) {
  std::vector<std::uint8_t> bytes = TwoFonts(9).Build();
  bytes.resize(35);
  EXPECT_EQ(Load(bytes), nullptr);
  RWBinaryFile missing(dir_.File("missing").c_str(), "rb");
  vel::FontListHeader header;
  EXPECT_FALSE(vel::ReadFontListHeader(missing, header));
}

TEST(FontCharacterSetTest, MapsCodesAndKeys) {
  const std::uint32_t table[][2] = {{51, 9},   {58, 9},   {214, 9},  {55, 7},   {153, 7},
                                    {56, 12},  {215, 12}, {57, 8},   {213, 8},  {101, 4},
                                    {210, 4},  {103, 5},  {208, 5},  {105, 6},  {212, 6},
                                    {108, 14}, {209, 14}, {201, 15}, {202, 17}, {203, 18},
                                    {204, 19}, {205, 21}, {206, 23}, {207, 16}, {216, 22},
                                    {0, 0},    {59, 0},   {217, 0},  {104, 0}};
  for (const auto& row : table) {
    EXPECT_EQ(vel::MapFontCharacterSet(row[0]), row[1]) << row[0];
  }
  EXPECT_EQ(vel::LocationClassOfKey(vel::key::kROMAddOnFonts2), 1u);
  EXPECT_EQ(vel::LocationClassOfKey(vel::key::kFlashFonts1), 3u);
  EXPECT_EQ(vel::LocationClassOfKey(vel::key::kDIMMFonts4), 4u);
  EXPECT_EQ(vel::LocationClassOfKey(vel::key::kDeviceFontLists), 0u);
}

// The loader over a stand-in printer's data.
class InstalledFontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vel::platform::SetPlatformRoot(root_.Path().string());
    std::filesystem::create_directories(root_.Path() / "C" / "fonts");
    vel::platform::spooler::OpenStore((root_.Path() / "state").string());
    vel::platform::spooler::PrinterRecord printer;
    printer.name = u"Laser 1";
    printer.driver_name = u"Model 4000";
    printer.port_name = u"LPT1:";
    printer.data_file = u"C:\\drivers\\model.dat";
    ASSERT_TRUE(vel::platform::spooler::PutPrinter(printer));
    services_ = new vel::test::TestOSServices;
    session_ = services_->BindSession(u"Laser 1");
  }
  void TearDown() override {
    vel::DeleteOSServices();
    vel::platform::spooler::ResetStore();
  }
  // Writes a font-list file under C:\fonts and names it in the location's printer-data value.
  void PutFile(const char16_t* location, const std::string& file_name, const FontListFile& file) {
    WriteFile((root_.Path() / "C" / "fonts" / file_name).string(), file.Build());
    const std::u16string path = u"C:\\fonts\\" + std::u16string(file_name.begin(), file_name.end());
    ASSERT_EQ(services_->SetPrinterDataString(session_, RWWString(location),
                                              RWWString(path.c_str())),
              1);
  }
  void SetNumber(const char16_t* name, std::uint32_t value) {
    ASSERT_EQ(services_->SetPrinterDataNumber(session_, RWWString(name), value), 1);
  }
  std::unique_ptr<GDeviceFontListComposite> Load(std::int32_t keep = 0) {
    return std::unique_ptr<GDeviceFontListComposite>(vel::LoadInstalledFontLists(session_, keep));
  }
  std::unique_ptr<GDeviceFontListComposite> Stored() {
    RWCollectable* stored = services_->LoadPrinterDataObject(session_, RWWString(u"AddedFonts"));
    auto* composite = dynamic_cast<GDeviceFontListComposite*>(stored);
    if (composite == nullptr) {
      delete stored;
    }
    return std::unique_ptr<GDeviceFontListComposite>(composite);
  }

  vel::test::TempDir root_;
  vel::test::TestOSServices* services_ = nullptr;
  GDeviceSession* session_ = nullptr;
};

TEST_F(InstalledFontsTest, NothingStoredAndNoMassStorageGivesNull) {
  EXPECT_EQ(Load(), nullptr);
  PutFile(u"DiskFonts1", "disk.lst", TwoFonts(3));
  SetNumber(u"MassStorageFonts", 2);  // only 1 counts
  EXPECT_EQ(Load(), nullptr);
}

TEST_F(InstalledFontsTest, AddedFontsAloneWithoutMassStorage) {
  GDeviceFontListComposite added;
  auto* user = new GDeviceFontList(0x99);
  user->Append(GDeviceFontDescription());
  added.Insert(user);
  ASSERT_EQ(services_->StorePrinterDataObject(session_, RWWString(u"AddedFonts"), &added), 1);
  std::unique_ptr<GDeviceFontListComposite> loaded = Load();
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->IsSameKey(&added));
}

TEST_F(InstalledFontsTest, ReadsLocationsAndRefreshesOnlyNewerFiles) {
  SetNumber(u"MassStorageFonts", 1);
  PutFile(u"DiskFonts1", "disk.lst", TwoFonts(3));
  PutFile(u"DIMMFonts3", "dimm.lst", TwoFonts(5));
  PutFile(u"FlashFonts2", "absent.lst", TwoFonts(5));
  std::filesystem::remove(root_.Path() / "C" / "fonts" / "absent.lst");
  std::unique_ptr<GDeviceFontListComposite> first = Load();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Count(), 2u);
  EXPECT_EQ(first->Find(vel::key::kDIMMFonts3)->DescriptionAt(0)->GetLocationClass(), 4u);
  EXPECT_EQ(first->Find(vel::key::kFlashFonts2), nullptr);
  // Written back, and read from printer data next time.
  std::unique_ptr<GDeviceFontListComposite> stored = Stored();
  ASSERT_NE(stored, nullptr);
  EXPECT_TRUE(stored->IsSameKey(first.get()));

  // The same stamp with other contents is not read again; a newer stamp is.
  FontListFile changed = TwoFonts(3);
  changed.records.pop_back();
  PutFile(u"DiskFonts1", "disk.lst", changed);
  EXPECT_EQ(Load()->Find(vel::key::kDiskFonts1)->DescriptionCount(), 2u);
  changed.stamp = 4;
  PutFile(u"DiskFonts1", "disk.lst", changed);
  EXPECT_EQ(Load()->Find(vel::key::kDiskFonts1)->DescriptionCount(), 1u);
  EXPECT_EQ(Stored()->Find(vel::key::kDiskFonts1)->DescriptionCount(), 1u);
}

TEST_F(InstalledFontsTest, ADamagedFileIsReadAgainAtTheNextLoad) {
  SetNumber(u"MassStorageFonts", 1);
  const FontListFile file = TwoFonts(6);
  std::vector<std::uint8_t> bytes = file.Build();
  bytes.resize(file.RecordOffsets()[1] + 4);
  WriteFile((root_.Path() / "C" / "fonts" / "disk.lst").string(), bytes);
  ASSERT_EQ(services_->SetPrinterDataString(session_, RWWString(u"DiskFonts2"),
                                            RWWString(u"C:\\fonts\\disk.lst")),
            1);
  std::unique_ptr<GDeviceFontListComposite> damaged = Load();
  ASSERT_NE(damaged, nullptr);
  EXPECT_EQ(damaged->Find(vel::key::kDiskFonts2)->DescriptionCount(), 1u);
  EXPECT_EQ(damaged->Find(vel::key::kDiskFonts2)->GetStamp(), 0u);
  // Mended with the same stamp: read again all the same.
  PutFile(u"DiskFonts2", "disk.lst", file);
  std::unique_ptr<GDeviceFontListComposite> mended = Load();
  EXPECT_EQ(mended->Find(vel::key::kDiskFonts2)->DescriptionCount(), 2u);
  EXPECT_EQ(mended->Find(vel::key::kDiskFonts2)->GetStamp(), 6u);
}

TEST_F(InstalledFontsTest, APathThatBecameEmptyLosesItsList) {
  SetNumber(u"MassStorageFonts", 1);
  // Enough fonts that the stored object spans many printer-data chunks.
  FontListFile big;
  for (int i = 0; i < 40; ++i) {
    big.records.push_back({"Font " + std::to_string(i), "Second", 1, 2, 0x10, 3, 0, {101, 202}});
  }
  PutFile(u"ROMAddOnFonts1", "rom.lst", big);
  PutFile(u"DiskFonts1", "disk.lst", TwoFonts(3));
  ASSERT_EQ(Load()->Count(), 2u);
  // Kept while the session asks to keep lists.
  ASSERT_EQ(services_->SetPrinterDataString(session_, RWWString(u"DiskFonts1"), RWWString()), 1);
  EXPECT_EQ(Load(1)->Count(), 2u);
  std::unique_ptr<GDeviceFontListComposite> loaded = Load();
  EXPECT_EQ(loaded->Count(), 1u);
  EXPECT_EQ(loaded->Find(vel::key::kDiskFonts1), nullptr);
  std::unique_ptr<GDeviceFontListComposite> stored = Stored();
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->Count(), 1u);
  EXPECT_EQ(stored->Find(vel::key::kROMAddOnFonts1)->DescriptionCount(), 40u);
}

TEST(MergeInstalledFontsTest, AddsListsOfNewKeysOnly) {
  GConfiguration configuration;
  auto* device_fonts = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
  auto* own = new GDeviceFontList(vel::key::kDiskFonts1);
  device_fonts->Insert(own);
  configuration.Add(device_fonts);

  GDeviceFontListComposite installed;
  installed.Insert(new GDeviceFontList(vel::key::kDiskFonts1));
  installed.Insert(new GDeviceFontList(vel::key::kFlashFonts1));
  vel::MergeInstalledFonts(&configuration, installed);
  EXPECT_EQ(device_fonts->Count(), 2u);
  EXPECT_EQ(device_fonts->Find(vel::key::kDiskFonts1), own);

  // No device font composite in the configuration: nothing happens.
  GConfiguration bare;
  vel::MergeInstalledFonts(&bare, installed);
  EXPECT_EQ(bare.Count(), 0u);
  vel::MergeInstalledFonts(nullptr, installed);
}

}  // namespace

namespace {

// Writes the seeds of fuzz_font_list (fuzz/corpus/fuzz_font_list) when VEL_WRITE_FONT_LIST_SEEDS
// names a folder: the fixtures above, whole and cut.
TEST(FontListSeedsTest, WritesFontListSeedsWhenAsked) {
  const char* folder = std::getenv("VEL_WRITE_FONT_LIST_SEEDS");
  if (folder == nullptr) {
    GTEST_SKIP() << "VEL_WRITE_FONT_LIST_SEEDS is not set";
  }
  FontListFile many;
  FontListRecord wide{"Wide", "W", 1, 2, 0x31, 3, 5, {}};
  for (int i = 0; i < 20; ++i) {
    wide.codes.push_back(static_cast<std::uint16_t>(201 + i));
  }
  many.records.push_back(wide);
  many.records.push_back({"Empty", "", 0, 0, 0, 4, 0, {}});
  const std::vector<std::uint8_t> two = TwoFonts(9).Build();
  WriteFile(std::string(folder) + "/two_fonts", two);
  WriteFile(std::string(folder) + "/two_fonts_cut", {two.begin(), two.end() - 5});
  WriteFile(std::string(folder) + "/many_codes", many.Build());
  WriteFile(std::string(folder) + "/no_records", FontListFile().Build());
}

}  // namespace
