// The dialog templates of velres, read with the test's own decoder and checked against the table
// of every dialog: caption, size, and each item's id, class and caption in order.
#include <gtest/gtest.h>

#include <vector>

#include "tests/resources/VelresTestSupport.h"
#include "tests/support/ResourceDecoder.h"

namespace vel::test {
namespace {

enum class Kind { kButton, kEdit, kText, kListBox, kScrollBar, kCombo, kUpDown, kIcon };

struct ExpectedItem {
  std::uint16_t id;
  Kind kind;
  const char16_t* caption;  // null: no caption (empty title)
};

struct ExpectedDialog {
  std::uint16_t id;
  const char16_t* caption;
  std::int16_t cx, cy;
  std::vector<ExpectedItem> items;
};

constexpr Kind B = Kind::kButton, E = Kind::kEdit, T = Kind::kText, L = Kind::kListBox,
               S = Kind::kScrollBar, C = Kind::kCombo, U = Kind::kUpDown, I = Kind::kIcon;

// The Quick Sets group that starts every tab but Configure.
#define QUICK_SETS                                                    \
  {1010, B, u"Quick Sets"}, {1011, C, nullptr}, {1012, B, nullptr}, { \
    1013, B, nullptr                                                  \
  }

const std::vector<ExpectedDialog>& Dialogs() {
  static const std::vector<ExpectedDialog> dialogs = {
      {1000,
       u"Basics",
       318,
       216,
       {QUICK_SETS,
        {1020, B, u"Copies"},
        {1021, E, u"1"},
        {1022, U, nullptr},
        {1024, T, u"Copy"},
        {1023, T, u"Copies"},
        {1030, B, u"Orientation"},
        {1031, B, u"Portrait"},
        {1032, B, u"Landscape"},
        {1033, B, u"Rotated"},
        {1050, B, u"About..."},
        {1070, B, nullptr},
        {1060, B, nullptr}}},
      {2000,
       u"Paper",
       318,
       216,
       {QUICK_SETS,
        {2010, B, nullptr},
        {2022, B, u"Use different paper for first page"},
        {2023, T, nullptr},
        {2013, T, u"Size is:"},
        {2014, T, nullptr},
        {2024, B, nullptr},
        {2015, C, nullptr},
        {2016, B, u"Custom..."},
        {2025, B, nullptr},
        {2019, T, u"Source is:"},
        {2020, C, nullptr},
        {2017, T, u"Type is:"},
        {2018, C, nullptr},
        {2011, B, nullptr},
        {1070, B, nullptr},
        {1060, B, nullptr},
        {2021, B, nullptr}}},
      {3000,
       u"Finishing",
       318,
       216,
       {QUICK_SETS,
        {3010, B, u"Document Options"},
        {3011, B, u"Print on Both Sides"},
        {3013, B, nullptr},
        {3012, B, u"Flip Pages Up"},
        {3024, T, u"Booklet Printing:"},
        {3025, C, nullptr},
        {3026, B, nullptr},
        {3028, B, nullptr},
        {3027, B, u"Staple"},
        {3015, E, u"1"},
        {3016, U, nullptr},
        {3017, T, u"Pages per Sheet"},
        {3018, B, nullptr},
        {3019, B, u"Print Page Borders"},
        {3040, T, u"Page Order:"},
        {3041, C, nullptr},
        {3030, B, u"Print Quality"},
        {3031, B, u"Best Quality"},
        {3032, B, u"600 dpi"},
        {3033, B, u"Custom"},
        {3034, B, u"Details..."},
        {3035, B, u"Tonersave (Save Toner)"},
        {1070, B, nullptr},
        {1060, B, nullptr}}},
      {4000,
       u"Destination",
       318,
       216,
       {QUICK_SETS,
        {4017, B, u"Destination Features"},
        {4018, C, nullptr},
        {4019, B, u"Options..."},
        {4009, B, u"Output Bin Options"},
        {4010, B, u"Top Bin (Face-Down)"},
        {4011, B, u"Left Bin (Face-Up)"},
        {4012, B, u"Stapler Bin"},
        {4020, B, u"Offsetting"},
        {4015, B, nullptr},
        {4013, B, nullptr},
        {4016, B, nullptr},
        {4014, C, nullptr},
        {1070, B, nullptr},
        {2021, B, nullptr},
        {1060, B, nullptr}}},
      {5000,
       u"Watermark Details",
       318,
       252,
       {{5001, B, u"Current Watermarks"},
        {5002, L, nullptr},
        {5020, B, nullptr},
        {5003, B, u"New"},
        {5004, B, u"Delete"},
        {5005, B, u"Watermark Message"},
        {5006, E, nullptr},
        {5007, B, u"Location"},
        {5008, B, u"Diagonal"},
        {5009, B, u"Horizontal"},
        {5010, B, u"Font Attributes"},
        {5011, T, u"Name:"},
        {5012, C, nullptr},
        {5013, T, u"Shading:"},
        {5014, C, nullptr},
        {5015, T, u"Size:"},
        {5016, E, nullptr},
        {5017, U, nullptr},
        {5018, T, u"Style:"},
        {5019, C, nullptr},
        {1070, B, nullptr},
        {1, B, u"OK"},
        {2, B, u"Cancel"},
        {9, B, u"Help"}}},
      {6000,
       u"Effects",
       318,
       216,
       {QUICK_SETS,
        {6019, B, nullptr},
        {6020, B, nullptr},
        {6024, B, nullptr},
        {6026, B, nullptr},
        {6033, C, nullptr},
        {6034, B, u"Scale to Fit"},
        {6025, B, nullptr},
        {6021, E, nullptr},
        {6022, T, u"% of Normal Size"},
        {6023, S, nullptr},
        {6010, B, u"Watermarks"},
        {6011, C, nullptr},
        {6012, B, u"First Page Only"},
        {6013, B, u"Edit..."},
        {6014, B, nullptr},
        {1070, B, nullptr},
        {1060, B, nullptr}}},
      {7000,
       u"Configure",
       318,
       216,
       {{7020, B, u"Paper Handling Options"},
        {7021, B, nullptr},
        {7023, B, u"Duplexing Unit"},
        {7022, B, u"Envelope Feeder"},
        {7024, B, u"Replicor Enabled"},
        {7034, T, u"Optional Paper Destinations:"},
        {7033, C, nullptr},
        {7036, T, u"Operation Mode:"},
        {7035, C, nullptr},
        {7038, T, u"Optional Paper Sources:"},
        {7037, C, nullptr},
        {7040, B, u"Driver Work Space"},
        {7041, E, nullptr},
        {7042, U, nullptr},
        {7043, T, u"(DWS)"},
        {7045, B, u"Other Options"},
        {7046, B, u"Printer Hard Disk"},
        {7047, B, u"Font DIMM"},
        {7050, B, u"Automatic Configuration"},
        {7051, B, nullptr},
        {7052, B, u"Update Now"},
        {2021, B, nullptr},
        {1060, B, nullptr}}},
      {8000,
       u"Custom Paper Size",
       192,
       191,
       {{2049, B, u"Name"},  {2050, C, nullptr},   {2051, B, nullptr},
        {2055, B, u"Size"},  {11411, E, nullptr},  {11412, U, nullptr},
        {11421, E, nullptr}, {11422, U, nullptr},  {2052, B, u"Use Millimeters"},
        {8, B, u"Close"},    {9, B, u"Help"},      {11413, I, nullptr},
        {11414, I, nullptr}, {11423, I, nullptr},  {11424, I, nullptr},
        {11430, T, u"in."},  {11431, T, u"in."},   {11432, T, u"mm."},
        {11433, T, u"mm."},  {2053, T, u"Width:"}, {2054, T, u"Height:"}}},
      {9000,
       u"Print Quality Details",
       319,
       198,
       {{9001, B, u"Current Setting"},
        {9002, T, nullptr},
        {9003, B, u"Font Settings"},
        {3021, B, u"Send TrueType as Bitmaps"},
        {9004, B, u"Complex Graphics"},
        {9005, B, u"Use QZ Memora"},
        {9006, B, u"Use More Memory"},
        {9016, B, u"Optimize for Speed"},
        {9007, B, u"Output Settings"},
        {9008, T, u"Resolution:"},
        {9009, B, u"Finora 1200"},
        {9011, B, u"600 dpi"},
        {9012, T, u"Edgelux technology (ELX):"},
        {9013, B, u"On"},
        {9014, B, u"Off"},
        {9015, B, u"Scale Patterns (WYSIWYG)"},
        {1, B, u"OK"},
        {2, B, u"Cancel"},
        {9, B, u"Help"}}},
      {10000,
       u"Debug",
       318,
       216,
       {{10014, B, u"Dithering Options"},
        {10010, B, u"Never dither on host"},
        {10011, B, u"Always dither on host"},
        {10012, B, u"Dither only if"},
        {10013, E, u"0"},
        {10016, T, u"% IO savings"},
        {10017, B, u"Output 1 or 2 BPP"},
        {10018, B, u"Output 8 BPP"},
        {10020, B, u"Image Compression Options"},
        {10021, B, u"No Compression"},
        {10022, B, u"RLE Compression"}}},
      {11000,
       u"Job Retention Options",
       318,
       173,
       {{11001, B, nullptr},
        {11002, B, nullptr},
        {11013, T, u"Quick Copy Jobs:"},
        {11014, T, u"Private/Stored Jobs:"},
        {11003, B, u"Off"},
        {11004, B, u"Quick Copy"},
        {11005, B, u"Proof and Hold"},
        {11007, B, u"Private Job"},
        {11006, B, u"Stored Job"},
        {11008, T, u"Job Name: (A-Z, 0-9)"},
        {11009, E, nullptr},
        {11010, T, u"PIN:"},
        {11011, E, nullptr},
        {11012, T, nullptr},
        {1, B, u"OK"},
        {2, B, u"Cancel"},
        {9, B, u"Help"}}},
      {11511,
       u"Quick Sets",
       207,
       88,
       {{11512, B, u"Name"},
        {11513, T, u"Please type a name for the new Quick Set:"},
        {11514, E, nullptr},
        {1, B, u"OK"},
        {2, B, u"Cancel"}}},
      // The two legal notices are our own text; only their presence is fixed.
      {11520,
       u"About This Driver",
       243,
       154,
       {{65535, T, u"QZ Lumavert 6400 Series - PCL 6 Driver"},
        {65535, T, u"*"},
        {1, B, u"OK"},
        {101, T, u"*"},
        {102, T, u"Version 4.1.1.5"}}},
  };
  return dialogs;
}

#undef QUICK_SETS

std::uint16_t AtomOf(Kind kind) {
  switch (kind) {
    case Kind::kButton:
      return 0x80;
    case Kind::kEdit:
      return 0x81;
    case Kind::kText:
      return 0x82;
    case Kind::kIcon:
      return 0x82;
    case Kind::kListBox:
      return 0x83;
    case Kind::kScrollBar:
      return 0x84;
    case Kind::kCombo:
      return 0x85;
    case Kind::kUpDown:
      return 0;
  }
  return 0;
}

TEST(VelresDialogs, EveryDialogHasItsCaptionSizeAndItemsInOrder) {
  constexpr std::uint16_t kDialogType = 5;
  ASSERT_EQ(Dialogs().size(), 13u);
  for (const ExpectedDialog& want : Dialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(want.id));
    ResourceBytes entry = VelresResource(kDialogType, want.id);
    ASSERT_NE(entry.data, nullptr);
    DecodedDialog got;
    std::string error;
    ASSERT_TRUE(DecodeDialogTemplate(entry.data, entry.size, got, error)) << error;
    EXPECT_EQ(Narrow(got.caption), Narrow(want.caption));
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    ASSERT_EQ(got.items.size(), want.items.size());
    for (std::size_t i = 0; i < want.items.size(); ++i) {
      const ExpectedItem& w = want.items[i];
      const DecodedDialogItem& g = got.items[i];
      SCOPED_TRACE("item " + std::to_string(i) + " (" + std::to_string(w.id) + ")");
      EXPECT_EQ(g.id, w.id);
      EXPECT_EQ(g.offset % 4, 0u) << "items start on a 4-byte boundary";
      EXPECT_EQ(g.class_atom, AtomOf(w.kind));
      if (w.kind == Kind::kUpDown) {
        EXPECT_EQ(Narrow(g.class_name), "msctls_updown32");
      }
      // Items stay inside the dialog (a combo box's height includes its drop-down list).
      EXPECT_GE(g.x, 0);
      EXPECT_GE(g.y, 0);
      EXPECT_LE(g.x + g.cx, got.cx);
      EXPECT_LE(g.y + (w.kind == Kind::kCombo ? 14 : g.cy), got.cy);
      if (w.kind == Kind::kIcon) {
        // A static icon item names its icon by ordinal: the icon of the same number.
        EXPECT_TRUE(g.title_is_ordinal);
        EXPECT_EQ(g.title_ordinal, w.id);
        EXPECT_EQ(g.style & 0x1F, 0x3u) << "SS_ICON";
        continue;
      }
      EXPECT_FALSE(g.title_is_ordinal);
      if (w.caption == nullptr) {
        EXPECT_EQ(Narrow(g.title), "");
      } else if (std::u16string(w.caption) == u"*") {
        EXPECT_FALSE(g.title.empty());
      } else {
        EXPECT_EQ(Narrow(g.title), Narrow(w.caption));
      }
    }
  }
}

TEST(VelresDialogs, PagesAreChildDialogsAndSubDialogsArePopups) {
  constexpr std::uint32_t kWsChild = 0x40000000, kWsPopup = 0x80000000, kDsSetFont = 0x40;
  for (const ExpectedDialog& want : Dialogs()) {
    DecodedDialog got;
    std::string error;
    ResourceBytes entry = VelresResource(5, want.id);
    ASSERT_NE(entry.data, nullptr);
    ASSERT_TRUE(DecodeDialogTemplate(entry.data, entry.size, got, error)) << error;
    bool page = want.id == 1000 || want.id == 2000 || want.id == 3000 || want.id == 4000 ||
                want.id == 6000 || want.id == 7000 || want.id == 10000;
    EXPECT_EQ((got.style & kWsChild) != 0, page) << want.id;
    EXPECT_EQ((got.style & kWsPopup) != 0, !page) << want.id;
    EXPECT_TRUE(got.style & kDsSetFont);
    EXPECT_EQ(got.point_size, 8);
  }
}

// Owner-drawn buttons (the Feature Tips, the banner, the printer picture) carry no caption.
TEST(VelresDialogs, OwnerDrawnButtonsHaveNoCaption) {
  constexpr std::uint32_t kBsTypeMask = 0xF, kBsOwnerDraw = 0xB;
  int owner_drawn = 0;
  for (const ExpectedDialog& want : Dialogs()) {
    DecodedDialog got;
    std::string error;
    ResourceBytes entry = VelresResource(5, want.id);
    ASSERT_TRUE(DecodeDialogTemplate(entry.data, entry.size, got, error)) << error;
    for (const DecodedDialogItem& item : got.items) {
      if (item.class_atom == 0x80 && (item.style & kBsTypeMask) == kBsOwnerDraw) {
        ++owner_drawn;
        EXPECT_TRUE(item.title.empty()) << want.id << "/" << item.id;
      }
    }
  }
  EXPECT_GT(owner_drawn, 20);
}

}  // namespace
}  // namespace vel::test
