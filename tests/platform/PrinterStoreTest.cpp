// The spooler's printer store: printers and their data, forms, handles and output, persistence in
// the state folder and what a damaged state folder loads.
#include "platform/spooler/PrinterStore.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/TempDir.h"

namespace vel::platform::spooler {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void SetSizes(std::vector<BYTE>& devmode, int size, int extra) {
  devmode[68] = static_cast<BYTE>(size);
  devmode[69] = static_cast<BYTE>(size >> 8);
  devmode[70] = static_cast<BYTE>(extra);
  devmode[71] = static_cast<BYTE>(extra >> 8);
}

PrinterRecord SamplePrinter(std::u16string name) {
  PrinterRecord printer;
  printer.name = std::move(name);
  printer.driver_name = u"Model 4000";
  printer.port_name = u"LPT1:";
  printer.server_name = u"\\\\server";
  printer.attributes = 0x240;
  printer.driver_path = u"C:\\WINNT\\System32\\spool\\drivers\\velgr.dll";
  printer.data_file = u"C:\\drivers\\model4000.dat";
  printer.config_file = u"C:\\drivers\\velui.dll";
  printer.devmode.resize(2884);
  for (std::size_t i = 0; i < printer.devmode.size(); ++i) {
    printer.devmode[i] = static_cast<BYTE>(i * 7);
  }
  SetSizes(printer.devmode, 220, 2664);
  return printer;
}

FormRecord UserForm(std::u16string name, LONG cx, LONG cy, DWORD flags = FORM_USER) {
  return FormRecord{std::move(name), flags, SIZEL{cx, cy}, RECTL{0, 0, cx, cy}};
}

void ExpectSamePrinter(const PrinterRecord& a, const PrinterRecord& b) {
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.driver_name, b.driver_name);
  EXPECT_EQ(a.port_name, b.port_name);
  EXPECT_EQ(a.server_name, b.server_name);
  EXPECT_EQ(a.attributes, b.attributes);
  EXPECT_EQ(a.driver_path, b.driver_path);
  EXPECT_EQ(a.data_file, b.data_file);
  EXPECT_EQ(a.config_file, b.config_file);
  EXPECT_EQ(a.devmode, b.devmode);
}

class PrinterStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenStore(folder_.Path().string()); }
  void TearDown() override { ResetStore(); }

  test::TempDir folder_;
};

TEST_F(PrinterStoreTest, AFreshStoreOverTheSameFolderReadsEverythingBack) {
  PrinterRecord first = SamplePrinter(u"Office Printer");
  PrinterRecord second = SamplePrinter(u"Empty");
  second.driver_name.clear();
  second.devmode.clear();
  ASSERT_TRUE(PutPrinter(first));
  ASSERT_TRUE(PutPrinter(second));
  const std::vector<BYTE> block = {0, 1, 2, 0xFF, 0x80};
  ASSERT_EQ(SetPrinterDataValue(u"office printer", u"Chunk:0", REG_BINARY, block.data(), 5), 0u);
  DWORD number = 0x12345678;
  ASSERT_EQ(SetPrinterDataValue(u"Office Printer", u"Count", REG_DWORD, &number, 4), 0u);
  ASSERT_EQ(SetPrinterDataValue(u"Office Printer", u"Empty", REG_SZ, nullptr, 0), 0u);
  ASSERT_EQ(AddForm(UserForm(u"Custom \u00c9", 100000, 200000)), 0u);
  ASSERT_EQ(AddForm(UserForm(u"Tray Form", 99000, 99000, FORM_PRINTER)), 0u);
  const std::vector<FormRecord> forms_before = Forms();
  const std::vector<PrinterDataValue> data_before = DumpPrinterData(u"Office Printer");

  LoadReport report = OpenStore(folder_.Path().string());
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  EXPECT_EQ(report.printers, 2);
  EXPECT_EQ(report.values, 3);
  EXPECT_EQ(report.forms, 2);
  ExpectSamePrinter(*GetPrinter(u"Office Printer"), first);
  ExpectSamePrinter(*GetPrinter(u"EMPTY"), second);
  const std::vector<PrinterDataValue> data_after = DumpPrinterData(u"Office Printer");
  ASSERT_EQ(data_after.size(), data_before.size());
  for (std::size_t i = 0; i < data_after.size(); ++i) {
    EXPECT_EQ(data_after[i].name, data_before[i].name);
    EXPECT_EQ(data_after[i].type, data_before[i].type);
    EXPECT_EQ(data_after[i].bytes, data_before[i].bytes);
  }
  const std::vector<FormRecord> forms_after = Forms();
  ASSERT_EQ(forms_after.size(), forms_before.size());
  for (std::size_t i = 0; i < forms_after.size(); ++i) {
    EXPECT_EQ(forms_after[i].name, forms_before[i].name);
    EXPECT_EQ(forms_after[i].flags, forms_before[i].flags);
    EXPECT_EQ(forms_after[i].size.cx, forms_before[i].size.cx);
    EXPECT_EQ(forms_after[i].imageable_area.bottom, forms_before[i].imageable_area.bottom);
  }
}

TEST_F(PrinterStoreTest, PrinterDataIsSortedByNameAndKeptPerPrinter) {
  PutPrinter(SamplePrinter(u"A"));
  PutPrinter(SamplePrinter(u"B"));
  DWORD one = 1;
  SetPrinterDataValue(u"A", u"zeta", REG_DWORD, &one, 4);
  SetPrinterDataValue(u"A", u"Alpha", REG_DWORD, &one, 4);
  SetPrinterDataValue(u"A", u"ALPHA", REG_SZ, u"x", 2);  // the same value, renamed not
  std::vector<PrinterDataValue> values = DumpPrinterData(u"A");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].name, u"Alpha");
  EXPECT_EQ(values[0].type, REG_SZ);
  EXPECT_EQ(values[1].name, u"zeta");
  EXPECT_TRUE(DumpPrinterData(u"B").empty());
  EXPECT_EQ(GetPrinterDataValue(u"B", u"zeta", nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrinterDataValue(u"C", u"zeta", nullptr), ERROR_INVALID_PRINTER_NAME);
  EXPECT_EQ(DeletePrinterDataValue(u"A", u"ZETA"), 0u);
  EXPECT_EQ(DumpPrinterData(u"A").size(), 1u);
}

TEST_F(PrinterStoreTest, AReadOnlyStoreRefusesChanges) {
  PutPrinter(SamplePrinter(u"P"));
  SetStoreReadOnly(true);
  DWORD one = 1;
  EXPECT_EQ(SetPrinterDataValue(u"P", u"v", REG_DWORD, &one, 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(AddForm(UserForm(u"X", 1000, 1000)), ERROR_ACCESS_DENIED);
  SetStoreReadOnly(false);
  EXPECT_EQ(SetPrinterDataValue(u"P", u"v", REG_DWORD, &one, 4), 0u);
}

TEST_F(PrinterStoreTest, BuiltinFormsComeFirstInPaperCodeOrder) {
  std::vector<FormRecord> forms = Forms();
  ASSERT_EQ(forms.size(), static_cast<std::size_t>(kBuiltinFormCount));
  struct Expected {
    int paper_code;
    const char16_t* name;
    LONG cx;
    LONG cy;
  };
  const Expected expected[] = {
      {1, u"Letter", 215900, 279400},       {5, u"Legal", 215900, 355600},
      {7, u"Executive", 184150, 266700},    {8, u"A3", 297000, 420000},
      {9, u"A4", 210000, 297000},           {11, u"A5", 148000, 210000},
      {12, u"B4 (JIS)", 257000, 364000},    {13, u"B5 (JIS)", 182000, 257000},
      {17, u"11x17", 279400, 431800},       {20, u"Envelope #10", 104775, 241300},
      {27, u"Envelope DL", 110000, 220000}, {28, u"Envelope C5", 162000, 229000},
      {34, u"Envelope B5", 176000, 250000}, {37, u"Envelope Monarch", 98425, 190500},
      {69, u"Japanese Double Postcard", 200000, 148000},
      {93, u"PRC 16K", 146000, 215000},     {118, u"PRC Envelope #10 Rotated", 458000, 324000},
  };
  for (const Expected& e : expected) {
    const FormRecord& form = forms[e.paper_code - 1];
    EXPECT_EQ(form.name, e.name) << e.paper_code;
    EXPECT_EQ(form.flags, FORM_BUILTIN);
    EXPECT_EQ(form.size.cx, e.cx) << e.paper_code;
    EXPECT_EQ(form.size.cy, e.cy) << e.paper_code;
    EXPECT_EQ(form.imageable_area.right, e.cx);
  }
}

TEST_F(PrinterStoreTest, FormRulesForAddingChangingAndDeleting) {
  SetFormLimit(3);
  EXPECT_EQ(AddForm(UserForm(u"One", 1000, 1000)), 0u);
  EXPECT_EQ(AddForm(UserForm(u"Two", 2000, 2000)), 0u);
  EXPECT_EQ(AddForm(UserForm(u"Three", 3000, 3000)), 0u);
  const struct {
    FormRecord form;
    DWORD expected;
  } refused[] = {
      {UserForm(u"Four", 4000, 4000), ERROR_NOT_ENOUGH_QUOTA},
      {UserForm(u"ONE", 1000, 1000), ERROR_FILE_EXISTS},
      {UserForm(u"letter", 1000, 1000), ERROR_FILE_EXISTS},
      {UserForm(u"", 1000, 1000), ERROR_INVALID_PARAMETER},
      {UserForm(u"Five", 1000, 1000, FORM_BUILTIN), ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(AddForm(c.form), c.expected);
  }
  EXPECT_EQ(SetForm(u"A4", UserForm(u"A4", 1, 1)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeleteForm(u"a4"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeleteForm(u"Missing"), ERROR_INVALID_FORM_NAME);
  EXPECT_EQ(SetForm(u"Missing", UserForm(u"Missing", 1, 1)), ERROR_INVALID_FORM_NAME);
  EXPECT_EQ(SetForm(u"two", UserForm(u"Three", 1, 1)), ERROR_FILE_EXISTS);
  EXPECT_EQ(SetForm(u"two", UserForm(u"Two", 2500, 2600)), 0u);

  int index = -1;
  ASSERT_TRUE(GetForm(u"THREE", &index).has_value());
  EXPECT_EQ(index, kBuiltinFormCount + 2);
  EXPECT_EQ(DeleteForm(u"One"), 0u);
  std::optional<FormRecord> three = GetForm(u"Three", &index);
  EXPECT_EQ(index, kBuiltinFormCount + 1);  // moved down one position
  std::optional<FormRecord> two = GetForm(u"Two", &index);
  EXPECT_EQ(index, kBuiltinFormCount);
  EXPECT_EQ(two->size.cx, 2500);
  ASSERT_TRUE(GetForm(u"a4", &index).has_value());
  EXPECT_EQ(index, 8);
  EXPECT_EQ(AddForm(UserForm(u"Four", 4000, 4000)), 0u);  // room again under the limit
}

TEST_F(PrinterStoreTest, HandlesCarryTheirPrinterAccessAndSink) {
  PutPrinter(SamplePrinter(u"P"));
  DWORD error = 0;
  EXPECT_EQ(OpenPrinterHandle(u"missing", 8, &error), nullptr);
  EXPECT_EQ(error, ERROR_INVALID_PRINTER_NAME);
  HANDLE memory = OpenPrinterHandle(u"p", 8, &error);
  HANDLE file = OpenPrinterHandle(u"P", 0xF000C);
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(*HandlePrinterName(memory), u"P");
  EXPECT_EQ(*HandleAccess(file), 0xF000Cu);
  ASSERT_TRUE(SetOutputFile(file, folder_.File("job.prn")));
  EXPECT_EQ(WriteOutput(memory, "abc", 3), 3u);
  EXPECT_EQ(WriteOutput(memory, "", 0), 0u);
  EXPECT_EQ(WriteOutput(file, "0123456789", 10), 10u);
  EXPECT_EQ(OutputBytes(memory), (std::vector<BYTE>{'a', 'b', 'c'}));
  EXPECT_TRUE(ClosePrinterHandle(file));
  EXPECT_EQ(ReadText(folder_.File("job.prn")), "0123456789");
  EXPECT_FALSE(IsPrinterHandle(file));
  EXPECT_FALSE(WriteOutput(file, "x", 1).has_value());
  EXPECT_FALSE(ClosePrinterHandle(file));
  EXPECT_TRUE(ClosePrinterHandle(memory));
}

TEST_F(PrinterStoreTest, ShortWriteSwitchTakesOnlyWhatRemains) {
  PutPrinter(SamplePrinter(u"P"));
  HANDLE handle = OpenPrinterHandle(u"P", 8);
  SetShortWriteAfter(5);
  EXPECT_EQ(WriteOutput(handle, "abc", 3), 3u);
  EXPECT_EQ(WriteOutput(handle, "defg", 4), 2u);
  EXPECT_EQ(WriteOutput(handle, "h", 1), 0u);
  SetShortWriteAfter(-1);
  EXPECT_EQ(WriteOutput(handle, "h", 1), 1u);
  EXPECT_EQ(OutputBytes(handle).size(), 6u);
  ClosePrinterHandle(handle);
}

// Damaged state files load their sound part and report the rest.
TEST_F(PrinterStoreTest, DamagedFilesLoadTheirSoundPart) {
  PutPrinter(SamplePrinter(u"Good"));
  DWORD one = 1;
  SetPrinterDataValue(u"Good", u"v1", REG_DWORD, &one, 4);
  SetPrinterDataValue(u"Good", u"v2", REG_DWORD, &one, 4);
  AddForm(UserForm(u"Kept", 1000, 2000));
  const std::string printers = SavePrintersText();
  const std::string forms = SaveFormsText();
  ResetStore();

  struct Case {
    const char* what;
    std::string printers_text;
    std::string forms_text;
    int printers;
    int values;
    int forms;
  };
  const std::string v2_line = "value 76003200 4 4 01000000\n";
  auto replace = [](std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const Case cases[] = {
      {"intact", printers, forms, 1, 2, 1},
      {"truncated in the middle of a line", printers.substr(0, printers.find(v2_line) + 12),
       forms.substr(0, forms.size() - 3), 1, 1, 0},
      {"bad hex in a value", replace(printers, "01000000\n", "0100zz00\n"), forms, 1, 1, 1},
      {"huge size", replace(printers, "4 4 01000000", "4 99999999999999999999 01000000"), forms,
       1, 1, 1},
      {"size that does not match its bytes", replace(printers, "4 4 01000000", "4 400 01000000"),
       forms, 1, 1, 1},
      {"unknown keyword", replace(printers, "attributes", "attribs"), forms, 1, 2, 1},
      {"bad printer name drops its block", replace(printers, "printer 47", "printer 4"), forms, 0,
       0, 1},
      {"garbage", std::string("\x01\x02\n\xff\n"), std::string("form\n"), 0, 0, 0},
      {"empty", std::string(), std::string(), 0, 0, 0},
  };
  for (const Case& c : cases) {
    LoadReport report = LoadStoreText(c.printers_text, c.forms_text);
    EXPECT_EQ(report.printers, c.printers) << c.what;
    EXPECT_EQ(report.values, c.values) << c.what;
    EXPECT_EQ(report.forms, c.forms) << c.what;
    const bool sound = std::string(c.what) == "intact" || std::string(c.what) == "empty";
    EXPECT_EQ(report.problems.empty(), sound) << c.what;
    if (c.printers == 1) {
      EXPECT_EQ(GetPrinter(u"Good")->driver_name, u"Model 4000") << c.what;
    }
  }
}

TEST_F(PrinterStoreTest, OnlyWholeDevModesAreKept) {
  PrinterRecord printer = SamplePrinter(u"P");
  ASSERT_TRUE(PutPrinter(printer));
  std::vector<BYTE> devmode = printer.devmode;
  SetSizes(devmode, 220, 2665);  // one byte more than the record holds
  EXPECT_FALSE(SetPrinterDevMode(u"P", devmode));
  EXPECT_FALSE(SetPrinterDevMode(u"P", std::vector<BYTE>(71, 0)));
  printer.devmode = devmode;
  EXPECT_FALSE(PutPrinter(printer));
  EXPECT_EQ(GetPrinter(u"P")->devmode, SamplePrinter(u"P").devmode);
  EXPECT_TRUE(SetPrinterDevMode(u"P", {}));

  // A stored record whose sizes disagree with its length is dropped on load, the rest kept.
  std::string text = "vel-printers 1\nprinter 5000\nport 4c00\ndevmode 72 " +
                     std::string(68 * 2, '0') + "4800" + "0100" + "\nend\n";
  LoadReport report = LoadStoreText(text, "");
  EXPECT_EQ(report.problems.size(), 1u);
  EXPECT_TRUE(GetPrinter(u"P")->devmode.empty());
  EXPECT_EQ(GetPrinter(u"P")->port_name, u"L");
}

TEST_F(PrinterStoreTest, AnUnterminatedBlockKeepsWhatItRead) {
  LoadReport report = LoadStoreText("vel-printers 1\nprinter 5000\nport 4c00\n", "");
  EXPECT_EQ(report.printers, 1);
  EXPECT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(GetPrinter(u"P")->port_name, u"L");
}

TEST_F(PrinterStoreTest, FilesOnDiskAreWrittenOnEveryChange) {
  PutPrinter(SamplePrinter(u"P"));
  EXPECT_NE(ReadText(folder_.File("printers.txt")).find("printer 5000\n"), std::string::npos);
  AddForm(UserForm(u"F", 1, 2));
  EXPECT_EQ(ReadText(folder_.File("forms.txt")), "vel-forms 1\nform 4600 0 1 2 0 0 1 2\n");
  DeleteForm(u"F");
  EXPECT_EQ(ReadText(folder_.File("forms.txt")), "vel-forms 1\n");
}

}  // namespace
}  // namespace vel::platform::spooler
