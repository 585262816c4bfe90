// The text-string graphic: escapements from the character positions, ownership of the font, text
// and escapements, the character-set queries, the spacing sum, and the stored form with a real
// TrueType font that its device's downloaded-font table finds again.
#include "framework/pipeline/GTextStringGraphic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GRenderDevice.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/pipeline/GDDAStepper.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GShapeGraphic.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestObjects.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;
using vel::test::kDejaVuSans;
using Codes = std::vector<std::uint16_t>;
using Points = std::vector<GPoint>;
using Advances = std::optional<std::vector<std::int16_t>>;

// A run whose codes the graphic takes over (allocated with new[], as a caller that passes the
// owned flag does), at the given positions.
GTextStringGraphic* MakeRun(const Codes& codes, const Points& points, std::uint32_t kind = 16,
                        GFont* font = nullptr, GGraphicBundle* bundle = nullptr) {
  auto* owned = new std::uint16_t[codes.size()];
  std::copy(codes.begin(), codes.end(), owned);
  return new GTextStringGraphic(font, owned, 1, kind, points.data(),
                                static_cast<std::uint16_t>(codes.size()), bundle);
}

// n characters 'A', 'B', ... at the positions.
GTextStringGraphic* RunAt(const Points& points) {
  Codes codes;
  for (std::size_t i = 0; i < points.size(); ++i) {
    codes.push_back(static_cast<std::uint16_t>('A' + i));
  }
  return MakeRun(codes, points);
}

Advances XOf(const GTextEscapements& escapements) {
  if (escapements.GetXData() == nullptr) {
    return std::nullopt;
  }
  std::vector<std::int16_t> values;
  for (std::uint32_t i = 0; i < escapements.GetCount(); ++i) {
    values.push_back(escapements.GetX(i));
  }
  return values;
}

Advances YOf(const GTextEscapements& escapements) {
  if (escapements.GetYData() == nullptr) {
    return std::nullopt;
  }
  std::vector<std::int16_t> values;
  for (std::uint32_t i = 0; i < escapements.GetCount(); ++i) {
    values.push_back(escapements.GetY(i));
  }
  return values;
}

// A copy of a one-character graphic whose text holds the low byte of its code as an 8-bit code:
// no constructor makes one, so the text's stored form is edited (size 2 with the 16-bit code
// becomes size 1 with the byte).
GTextStringGraphic* NarrowCopy(const GTextStringGraphic& text) {
  const std::uint16_t code = text.GetTextString()->GetCharAt(0);
  const std::uint32_t kind = text.GetTextString()->GetEncoding();
  const auto low = static_cast<std::uint8_t>(code);
  const auto high = static_cast<std::uint8_t>(code >> 8);
  const Bytes wide{0x01, 0x00, 0x02, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(kind),
                   0x00, 0x00, 0x00, low, high};
  const Bytes narrow{0x01, 0x00, 0x01, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(kind),
                     0x00, 0x00, 0x00, low};
  Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &text);
  const auto at = std::search(bytes.begin(), bytes.end(), wide.begin(), wide.end());
  if (at == bytes.end()) {
    return nullptr;
  }
  bytes.erase(at, at + static_cast<std::ptrdiff_t>(wide.size()));
  bytes.insert(at, narrow.begin(), narrow.end());
  const auto restored = vel::test::RestoreGraph(Carrier::kFile, bytes);
  auto* copy = dynamic_cast<GTextStringGraphic*>(restored.object);
  if (restored.failed || copy == nullptr || copy->GetTextString()->GetCharSize() != 1) {
    vel::test::DeleteRestored(restored.object);
    return nullptr;
  }
  return copy;
}

// A font without implementation or device: what the harness can restore without a device.
FwTestFont* DeviceLessFont() {
  return new FwTestFont(nullptr, nullptr);
}

// Samples with and without a font: the fuzz target's seeds come from them, and it knows no font
// class (only the test registers one).
FW_PERSIST_SAMPLES(vel::classid::kGTextStringGraphic,
                   {{"text-string graphic empty", [] { return new GTextStringGraphic; }},
                    {"unicode text with a font and both advance lists",
                     [] {
                       return MakeRun({0x48, 0x20AC, 0xE000}, {{10, 5}, {17, 9}, {30, 9}}, 16,
                                      DeviceLessFont(), new GGraphicBundle);
                     }},
                    {"double-byte text without a font with both advance lists",
                     [] {
                       return MakeRun({0x8140, 0x889F, 0xF040}, {{-3, 100}, {21, 100}, {21, 90}},
                                      17, nullptr, new GGraphicBundle);
                     }},
                    {"text-string graphic of no characters",
                     [] { return MakeRun({}, {}, 16); }}});

class GTextStringGraphicTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterFrameworkTestClasses(); }
};

// --- Escapements from the positions -----------------------------------------------------------

TEST_F(GTextStringGraphicTest, PositionsGiveTheAdvancesThatDiffer) {
  const struct {
    const char* name;
    Points points;
    Advances x;
    Advances y;
  } cases[] = {
      {"one line", {{10, 5}, {17, 5}, {30, 5}}, std::vector<std::int16_t>{7, 13, 0}, std::nullopt},
      {"one character", {{10, 5}}, std::nullopt, std::nullopt},
      {"a column", {{4, 0}, {4, 12}, {4, 20}}, std::nullopt, std::vector<std::int16_t>{12, 8, 0}},
      {"both axes, going back",
       {{0, 0}, {-5, 3}, {-5, 3}, {2, 1}},
       std::vector<std::int16_t>{-5, 0, 7, 0},
       std::vector<std::int16_t>{3, 0, -2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GTextStringGraphic> text(RunAt(c.points));
    ASSERT_NE(text->GetEscapements(), nullptr);
    EXPECT_EQ(text->GetEscapements()->GetCount(), c.points.size());
    EXPECT_EQ(XOf(*text->GetEscapements()), c.x);
    EXPECT_EQ(YOf(*text->GetEscapements()), c.y);
    EXPECT_EQ(text->GetOrigin(), c.points[0]);
    ASSERT_NE(text->GetTextString(), nullptr);
    EXPECT_EQ(text->GetTextString()->GetLength(), c.points.size());
    EXPECT_EQ(text->GetTextString()->GetCharSize(), 2u);
    EXPECT_EQ(text->GetTextString()->GetCharAt(0), 'A');

    // The constructor from a position list agrees with the one from an array.
    const GPointList list(c.points.data(), static_cast<std::uint32_t>(c.points.size()));
    const Codes codes(c.points.size(), 'A');
    GTextStringGraphic from_list(nullptr, codes.data(), 0, 16, &list,
                                 static_cast<std::uint16_t>(codes.size()), nullptr);
    GTextStringGraphic from_array(nullptr, codes.data(), 0, 16, c.points.data(),
                                  static_cast<std::uint16_t>(codes.size()), nullptr);
    EXPECT_TRUE(from_list.IsSameKey(&from_array));
  }
}

// Without characters there is no first position: the origin is (0, 0) and the text and the
// escapements are empty. A list shorter than the run leaves the rest at its last point.
TEST_F(GTextStringGraphicTest, NoCharactersAndAShortPositionList) {
  const GPoint far{300, 400};
  auto* codes = new std::uint16_t[1]{'x'};
  GTextStringGraphic empty(nullptr, codes, 1, 16, &far, 0, nullptr);  // frees the codes
  EXPECT_EQ(empty.GetOrigin(), (GPoint{0, 0}));
  ASSERT_NE(empty.GetTextString(), nullptr);
  EXPECT_EQ(empty.GetTextString()->GetLength(), 0);
  EXPECT_EQ(empty.GetTextString()->GetData(), nullptr);
  ASSERT_NE(empty.GetEscapements(), nullptr);
  EXPECT_EQ(empty.GetEscapements()->GetCount(), 0);
  EXPECT_EQ(empty.GetEscapements()->GetXData(), nullptr);
  EXPECT_EQ(empty.GetEscapements()->GetYData(), nullptr);

  const Points two{{1, 1}, {9, 1}};
  const GPointList list(two.data(), 2);
  const Codes three{'a', 'b', 'c'};
  GTextStringGraphic short_list(nullptr, three.data(), 0, 16, &list, 3, nullptr);
  EXPECT_EQ(XOf(*short_list.GetEscapements()), (std::vector<std::int16_t>{8, 0, 0}));
  GTextStringGraphic no_positions(nullptr, three.data(), 0, 16,
                                  static_cast<const GPoint*>(nullptr), 3, nullptr);
  EXPECT_EQ(no_positions.GetOrigin(), (GPoint{0, 0}));
  EXPECT_EQ(XOf(*no_positions.GetEscapements()), std::nullopt);
}

// --- Ownership --------------------------------------------------------------------------------

// Borrowed codes stay the caller's until MakeUnique, which first asks the font to download the
// text's glyphs (mode 1 for a font whose text is glyph indices, else 2) and then copies them.
TEST_F(GTextStringGraphicTest, MakeUniqueDownloadsAndThenOwnsTheCodes) {
  for (const std::uint32_t char_set : {16u, 1u}) {
    SCOPED_TRACE(char_set);
    GFontFaceRecord face;
    face.char_set = char_set;
    auto* implementation = new FwTestFontImp(nullptr, face, vel::test::InstanceRecord(0));
    const Codes codes{'h', 'i'};
    const Points points{{0, 0}, {5, 0}};
    GTextStringGraphic text(new FwTestFont(implementation, nullptr), codes.data(), 0, 16,
                            points.data(), 2, nullptr);
    EXPECT_EQ(text.GetTextString()->GetData(), codes.data());
    text.MakeUnique();
    EXPECT_EQ(implementation->glyphs_calls, 1);
    EXPECT_EQ(implementation->last_glyphs, text.GetTextString());
    EXPECT_EQ(implementation->last_glyphs_flags, char_set == 1 ? 1u : 2u);
    EXPECT_NE(text.GetTextString()->GetData(), codes.data());
    EXPECT_EQ(text.GetTextString()->GetCharAt(1), 'i');
  }
  // Without a font the codes are still made the text's own.
  const Codes codes{'h'};
  const GPoint at{0, 0};
  GTextStringGraphic fontless(nullptr, codes.data(), 0, 16, &at, 1, nullptr);
  fontless.MakeUnique();
  EXPECT_NE(fontless.GetTextString()->GetData(), codes.data());
}

// A copy owns copies of the font, text and escapements (the font sharing its implementation), and
// lives on after the original (AddressSanitizer).
TEST_F(GTextStringGraphicTest, ACopyOwnsCopiesOfAllThree) {
  auto* implementation = new FwTestFontImp;
  auto original = std::unique_ptr<GTextStringGraphic>(
      MakeRun({'a', 'b'}, {{0, 0}, {6, 2}}, 16, new FwTestFont(implementation, nullptr),
          new GGraphicBundle));
  GTextStringGraphic copy(*original);
  EXPECT_TRUE(copy.IsSameKey(original.get()));
  EXPECT_NE(copy.GetFont(), original->GetFont());
  EXPECT_NE(copy.GetTextString(), original->GetTextString());
  EXPECT_NE(copy.GetEscapements(), original->GetEscapements());
  EXPECT_EQ(copy.GetGraphicBundle(), original->GetGraphicBundle());
  EXPECT_EQ(copy.GetFont()->GetImplementation(), implementation);
  EXPECT_EQ(implementation->FontReferences(), 2);
  original.reset();
  EXPECT_EQ(implementation->FontReferences(), 1);
  EXPECT_EQ(copy.GetTextString()->GetCharAt(1), 'b');
  EXPECT_EQ(copy.GetEscapements()->GetY(0), 2);
  EXPECT_EQ(copy.GetOrigin(), (GPoint{0, 0}));

  std::unique_ptr<RWCollectable> clone(copy.Clone());
  EXPECT_TRUE(copy.IsSameKey(dynamic_cast<GBaseObject*>(clone.get())));
}

// SetFont keeps the font it is given and deletes the one it replaces; the font it holds already
// changes nothing (it is neither deleted nor left dangling).
TEST_F(GTextStringGraphicTest, SetFontReplacesAndKeepsTheSameFont) {
  auto* implementation = new FwTestFontImp;
  auto* first = new FwTestFont(implementation, nullptr);
  auto* second = new FwTestFont(implementation, nullptr);
  std::unique_ptr<GTextStringGraphic> text(MakeRun({'a'}, {{0, 0}}, 16, first));
  EXPECT_EQ(implementation->FontReferences(), 2);
  text->SetFont(first);
  EXPECT_EQ(text->GetFont(), first);
  EXPECT_EQ(first->GetImplementation(), implementation);  // still alive (AddressSanitizer)
  text->SetFont(second);
  EXPECT_EQ(text->GetFont(), second);
  EXPECT_EQ(implementation->FontReferences(), 1);
  text->SetFont(nullptr);
  EXPECT_EQ(text->GetFont(), nullptr);
}

TEST_F(GTextStringGraphicTest, KindsAndHandler) {
  std::unique_ptr<GTextStringGraphic> text(MakeRun({'a'}, {{0, 0}}, 16, nullptr, new GGraphicBundle));
  EXPECT_EQ(text->IsA(), vel::classid::kGTextStringGraphic);
  for (const RWClassID kind : {vel::classid::kGTextStringGraphic, vel::classid::kGGraphic,
                               vel::classid::kGCommand, vel::classid::kGBaseObject}) {
    EXPECT_TRUE(text->IsKindOf(kind)) << kind;
  }
  EXPECT_FALSE(text->IsKindOf(vel::classid::kGTextGraphic));
  EXPECT_EQ(text->GetGraphicBundle()->GetKey(), vel::key::kGraphicsGroup);
  EXPECT_EQ(text->GetFlags(), 0);

  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleTextStringGraphic", 9);
  EXPECT_EQ(text->Accept(handlers), 9);
  ASSERT_EQ(handlers.Calls().size(), 1u);
  EXPECT_EQ(handlers.Calls()[0].handler, "HandleTextStringGraphic");
  EXPECT_EQ(handlers.Calls()[0].object, text.get());
}

// --- Equality ---------------------------------------------------------------------------------

TEST_F(GTextStringGraphicTest, IsSameKeyComparesFlagsOriginAndTheThreeObjects) {
  const Points at{{10, 5}, {17, 5}};
  const auto make = [&at] { return std::unique_ptr<GTextStringGraphic>(RunAt(at)); };
  auto base = make();
  EXPECT_TRUE(base->IsSameKey(base.get()));
  EXPECT_TRUE(base->IsSameKey(make().get()));  // equal copies of all three
  const GTextStringGraphic empty;
  const GTextStringGraphic other_empty;
  EXPECT_TRUE(empty.IsSameKey(&other_empty));  // all absent on both sides

  // The flags word, which only a stored form sets: the last 6 bytes of a record are flags and
  // origin.
  Bytes bytes = vel::test::SaveGraph(Carrier::kFile, base.get());
  bytes[bytes.size() - 6] = 0x01;
  auto restored = vel::test::RestoreGraph(Carrier::kFile, bytes);
  ASSERT_FALSE(restored.failed);
  std::unique_ptr<GTextStringGraphic> flagged(dynamic_cast<GTextStringGraphic*>(restored.object));
  ASSERT_NE(flagged, nullptr);
  EXPECT_EQ(flagged->GetFlags(), 1);
  EXPECT_FALSE(flagged->IsSameKey(base.get()));

  const Points moved{{11, 5}, {18, 5}};
  EXPECT_FALSE(base->IsSameKey(std::unique_ptr<GTextStringGraphic>(RunAt(moved)).get()));
  EXPECT_FALSE(
      base->IsSameKey(std::unique_ptr<GTextStringGraphic>(MakeRun({'A', 'C'}, at)).get()));
  EXPECT_FALSE(
      base->IsSameKey(std::unique_ptr<GTextStringGraphic>(MakeRun({'A', 'B'}, at, 17)).get()));
  const Points apart{{10, 5}, {18, 5}};
  EXPECT_FALSE(base->IsSameKey(std::unique_ptr<GTextStringGraphic>(RunAt(apart)).get()));

  // Fonts: both absent, equal copies, one absent, different implementations.
  auto* implementation = new FwTestFontImp;
  auto with_font = make();
  with_font->SetFont(new FwTestFont(implementation, nullptr));
  EXPECT_FALSE(base->IsSameKey(with_font.get()));
  EXPECT_FALSE(with_font->IsSameKey(base.get()));
  auto same_font = make();
  same_font->SetFont(new FwTestFont(implementation, nullptr));
  EXPECT_TRUE(with_font->IsSameKey(same_font.get()));
  GFontFaceRecord face;
  face.size = 12;
  auto other_font = make();
  other_font->SetFont(new FwTestFont(new FwTestFontImp(nullptr, face, {}), nullptr));
  EXPECT_FALSE(with_font->IsSameKey(other_font.get()));

  // Text and escapements absent on one side: made without memory for them.
  const struct {
    const char* name;
    int skip;  // allocations before the refused one: text, positions, escapements
  } absent[] = {{"no text", 0}, {"no escapements", 2}};
  const Codes one{'A'};
  for (const auto& c : absent) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GTextStringGraphic> missing;
    {
      vel::test::FailingAllocation failing(c.skip);
      missing = std::make_unique<GTextStringGraphic>(nullptr, one.data(), 0, 16, at.data(), 1,
                                                     nullptr);
    }
    EXPECT_TRUE((missing->GetTextString() == nullptr) != (missing->GetEscapements() == nullptr));
    GTextStringGraphic full(nullptr, one.data(), 0, 16, at.data(), 1, nullptr);
    EXPECT_FALSE(missing->IsSameKey(&full));
    EXPECT_FALSE(full.IsSameKey(missing.get()));
  }
}

// --- Character-set queries --------------------------------------------------------------------

TEST_F(GTextStringGraphicTest, LeadBytesAndBytesPerCharacter) {
  const struct {
    std::uint32_t kind;
    std::uint8_t byte;
    bool lead;
  } leads[] = {
      {17, 0x80, false}, {17, 0x81, true},  {17, 0x9F, true},  {17, 0xA0, false},
      {17, 0xDF, false}, {17, 0xE0, true},  {17, 0xFC, true},  {17, 0xFD, false},
      {18, 0xA0, false}, {18, 0xA1, true},  {18, 0xFE, true},  {18, 0xFF, false},
      {20, 0xA1, true},  {20, 0x81, false}, {19, 0x80, false}, {19, 0x81, true},
      {19, 0xFE, true},  {19, 0xFF, false}, {21, 0x81, true},  {23, 0xFE, true},
      {22, 0x83, false}, {22, 0x84, true},  {22, 0xF9, true},  {22, 0xFA, false},
      {16, 0x81, false}, {1, 0xA1, false},  {24, 0x81, false}, {0, 0x81, false},
  };
  for (const auto& c : leads) {
    EXPECT_EQ(GTextStringGraphic::IsLeadByte(c.kind, c.byte), c.lead)
        << c.kind << " " << int{c.byte};
  }
  const struct {
    std::uint32_t kind;
    std::uint32_t bytes;
  } widths[] = {{0, 0}, {1, 1},  {2, 0},  {3, 0},  {15, 0}, {16, 1},
                {17, 2}, {20, 2}, {23, 2}, {24, 0}, {0xFFFFFFFF, 0}};
  for (const auto& c : widths) {
    EXPECT_EQ(GTextStringGraphic::GetBytesPerCharacter(c.kind), c.bytes) << c.kind;
  }
}

TEST_F(GTextStringGraphicTest, UserDefinedCharactersAtEachRangesEnds) {
  const struct {
    std::uint32_t kind;
    std::uint16_t code;
    bool user_defined;
  } cases[] = {
      {16, 0xDFFF, false}, {16, 0xE000, true},  {16, 0xEDE7, true},  {16, 0xEDE8, false},
      {17, 0xF03F, false}, {17, 0xF040, true},  {17, 0xF9FC, true},  {17, 0xF9FD, false},
      {18, 0x9A41, true},  {18, 0xA0FE, true},  {18, 0xAA41, true},  {18, 0xAFFE, true},
      {18, 0xF8A1, true},  {18, 0xFEFE, true},  {18, 0xA0FF, false}, {18, 0xAA40, false},
      {21, 0xC9A1, true},  {21, 0xC9FE, true},  {21, 0xFEA1, true},  {21, 0xFEFE, true},
      {21, 0xC9A0, false}, {23, 0x8140, true},  {23, 0x8DFE, true},  {23, 0x8E40, true},
      {23, 0xA0FE, true},  {23, 0xC6A1, true},  {23, 0xC8FE, true},  {23, 0xFA40, true},
      {23, 0xFEFE, true},  {23, 0x8E3F, false}, {23, 0xFEFF, false}, {19, 0xE000, false},
      {19, 0xF040, false}, {19, 0x8140, false}, {20, 0xF8A1, false}, {1, 0xE000, false},
  };
  for (const auto& c : cases) {
    std::unique_ptr<GTextStringGraphic> text(MakeRun({'a', c.code}, {{0, 0}, {5, 0}}, c.kind));
    EXPECT_EQ(text->HasUserDefinedCharacters(), c.user_defined) << c.kind << " " << c.code;
  }
  std::unique_ptr<GTextStringGraphic> empty(MakeRun({}, {}, 16));
  EXPECT_FALSE(empty->HasUserDefinedCharacters());
  EXPECT_FALSE(GTextStringGraphic().HasUserDefinedCharacters());
  // 8-bit codes have no user-defined area.
  std::unique_ptr<GTextStringGraphic> narrow(NarrowCopy(*std::unique_ptr<GTextStringGraphic>(
      MakeRun({0xE000}, {{0, 0}}, 16))));
  ASSERT_NE(narrow, nullptr);
  EXPECT_FALSE(narrow->HasUserDefinedCharacters());
}

TEST_F(GTextStringGraphicTest, ContainsAnyCodeLooksUpTheSortedList) {
  std::unique_ptr<GTextStringGraphic> text(MakeRun({0x41, 0x3000, 0xFF01}, {{0, 0}, {1, 0}, {2, 0}}));
  const std::uint16_t empty[] = {0};
  const std::uint16_t match[] = {3, 0x20, 0x3000, 0x4000};
  const std::uint16_t last[] = {2, 0x42, 0xFF01};
  const std::uint16_t none[] = {4, 0x20, 0x40, 0x42, 0xFFFF};
  EXPECT_FALSE(text->ContainsAnyCode(nullptr));
  EXPECT_FALSE(text->ContainsAnyCode(empty));
  EXPECT_TRUE(text->ContainsAnyCode(match));
  EXPECT_TRUE(text->ContainsAnyCode(last));
  EXPECT_FALSE(text->ContainsAnyCode(none));
  EXPECT_FALSE(GTextStringGraphic().ContainsAnyCode(match));

  // 8-bit texts compare their bytes.
  std::unique_ptr<GTextStringGraphic> narrow(NarrowCopy(*std::unique_ptr<GTextStringGraphic>(
      MakeRun({0x00E9}, {{0, 0}}, 16))));
  ASSERT_NE(narrow, nullptr);
  const std::uint16_t byte[] = {1, 0xE9};
  const std::uint16_t wide[] = {1, 0xE900};
  EXPECT_TRUE(narrow->ContainsAnyCode(byte));
  EXPECT_FALSE(narrow->ContainsAnyCode(wide));
}

// --- The spacing sum --------------------------------------------------------------------------

// A stepper with no steps left whose steps answer fixed amounts.
class FixedSteps : public GDDAStepper {
 public:
  std::int16_t StepAxis2() override {
    ++character_steps;
    return 2;
  }
  std::int16_t StepBoth() override {
    ++break_steps;
    return 5;
  }
  int character_steps = 0;
  int break_steps = 0;
};

TEST_F(GTextStringGraphicTest, SumAdvancesAddsStepsOnlyWhenNoneAreLeft) {
  GFontFaceRecord face;
  face.break_char = ' ';
  const auto make = [&face] {
    return std::unique_ptr<GTextStringGraphic>(
        MakeRun({'a', ' ', 'b'}, {{10, 5}, {17, 5}, {30, 5}}, 16,
            new FwTestFont(new FwTestFontImp(nullptr, face, {}), nullptr)));
  };
  const std::vector<std::int16_t> advances{7, 13, 0};

  auto text = make();
  EXPECT_EQ(text->SumAdvances(nullptr), 20);
  GDDAStepper::Axis moving;
  moving.base = 1;
  moving.remaining = 3;
  moving.add_back = 1;
  GDDAStepper with_steps(moving, moving, 0, GDDAStepper::kModeCombined);
  ASSERT_TRUE(with_steps.HasSteps());
  EXPECT_EQ(text->SumAdvances(&with_steps), 20);
  EXPECT_EQ(XOf(*text->GetEscapements()), advances);
  EXPECT_EQ(with_steps.GetAxis2().remaining, 3);  // no step taken

  // No steps left: every advance gets its step first, the break step for the space.
  FixedSteps no_steps;
  ASSERT_FALSE(no_steps.HasSteps());
  const GTextStringGraphic before(*text);
  EXPECT_EQ(text->SumAdvances(&no_steps), 7 + 2 + 13 + 5 + 0 + 2);
  EXPECT_EQ(no_steps.character_steps, 2);
  EXPECT_EQ(no_steps.break_steps, 1);
  EXPECT_EQ(XOf(*text->GetEscapements()), (std::vector<std::int16_t>{9, 18, 2}));
  // The advances changed are the graphic's own: a copy made before keeps its own.
  EXPECT_EQ(XOf(*before.GetEscapements()), advances);
  EXPECT_EQ(text->SumAdvances(nullptr), 29);
}

// --- Stored form ------------------------------------------------------------------------------

TEST_F(GTextStringGraphicTest, AnEmptyGraphicStoresThreeNilRecords) {
  GTextStringGraphic empty;
  // The graphic part: the root part, the command's word and nil bundle, the graphic's word.
  const std::uint32_t graphic = GBaseObject().StoredByteCount() + 4 + 6 + 4;
  EXPECT_EQ(empty.StoredByteCount(), graphic + 28);
  EXPECT_EQ(empty.StoredByteCount(), 54u);
  const Bytes bytes = vel::test::SaveContentsOf(Carrier::kFile, empty);
  ASSERT_EQ(bytes.size(), 54u);
  const Bytes tail(bytes.end() - 32, bytes.end());
  EXPECT_TRUE(vel::test::BytesEqual(vel::test::HexBytes("01000000 01000000 FFFF00000000 "
                                                        "FFFF00000000 FFFF00000000 0000 00000000"),
                                    tail));
}

// --- With a real TrueType font on a device ----------------------------------------------------

// DejaVu Sans on a device whose downloaded-font table finds it again after a restore.
class GTextStringGraphicFontTest : public vel::test::FontDeviceTest {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    RegisterFrameworkTestClasses();
    std::uint32_t cookie = 0;
    GRenderDevice* device = OpenDevice(u"Laser", &cookie);
    ASSERT_NE(device, nullptr);
    auto* metrics = new FwFreeTypeMetrics(kDejaVuSans.path);
    if (!metrics->IsOpen()) {
      delete metrics;
      GTEST_SKIP() << kDejaVuSans.file << " is missing: install " << kDejaVuSans.package;
    }
    implementation_ = FwTestFontImp::WithMetrics(
        metrics, vel::test::FaceRecordOf(kDejaVuSans.path, 40), vel::test::InstanceRecord(0));
    keeper_ = std::make_unique<FwTestFont>(implementation_, device);
  }

  // A copy of the device's font.
  FwTestFont* Font() const { return new FwTestFont(*keeper_); }

  std::vector<vel::test::FwSample> Samples() const {
    return {{"unicode text, both advance lists",
             [this] {
               return MakeRun({0x48, 0x20AC, 0x2F}, {{10, 5}, {17, 9}, {30, 9}}, 16, Font(),
                              new GGraphicBundle);
             }},
            {"double-byte text", [this] {
               return MakeRun({0x8140, 0x889F, 0x41}, {{-3, 100}, {21, 100}, {40, 100}}, 17,
                              Font());
             }}};
  }

  FwTestFontImp* implementation_ = nullptr;  // held by the fonts and the device's table
  std::unique_ptr<FwTestFont> keeper_;        // outlives the device, which goes in TearDown
};

// Each save asks the font once to download the text's glyphs; the graphic round-trips on every
// carrier with its font found again, and restores soft from every cut.
TEST_F(GTextStringGraphicFontTest, RoundTripsOnEveryCarrierAndDownloadsOnEachSave) {
  for (const auto& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    std::unique_ptr<GBaseObject> made(sample.make());
    const auto& text = dynamic_cast<const GTextStringGraphic&>(*made);
    for (const Carrier carrier : vel::test::kAllCarriers) {
      SCOPED_TRACE(vel::test::CarrierName(carrier));
      const int before = implementation_->glyphs_calls;
      const Bytes bytes = vel::test::SaveGraph(carrier, &text);
      EXPECT_EQ(implementation_->glyphs_calls, before + 1);
      EXPECT_EQ(implementation_->last_glyphs, text.GetTextString());
      EXPECT_EQ(implementation_->last_glyphs_flags, 2u);
      const auto restored = vel::test::RestoreGraph(carrier, bytes);
      ASSERT_FALSE(restored.failed);
      std::unique_ptr<GTextStringGraphic> back(dynamic_cast<GTextStringGraphic*>(restored.object));
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(back->GetFont()->GetImplementation(), implementation_);
      EXPECT_TRUE(back->IsSameKey(&text));
    }
    EXPECT_EQ(implementation_->GetSaveFlag(), 1u);
    for (const Carrier carrier : vel::test::kAllCarriers) {
      vel::test::CheckRoundTrip(sample, carrier);
      vel::test::CheckTruncations(sample, carrier);
    }
  }
  // Every font the restores made is gone again: the keeper and the table hold the rest.
  EXPECT_EQ(implementation_->FontReferences(), 2);
}

// A restore that fails inside the held records leaves the graphic it restores into without font,
// text and escapements, and keeps no font it read.
TEST_F(GTextStringGraphicFontTest, AFailedRestoreLeavesTheGraphicWithoutThem) {
  std::unique_ptr<GTextStringGraphic> text(MakeRun({'a', 'b'}, {{0, 0}, {4, 1}}, 16, Font()));
  Bytes bytes = vel::test::SaveGraph(Carrier::kFile, text.get());
  bytes.resize(bytes.size() - 10);  // inside the escapements' record
  std::unique_ptr<GTextStringGraphic> target(MakeRun({'z'}, {{1, 1}}, 16, Font()));
  const int references = implementation_->FontReferences();
  EXPECT_TRUE(vel::test::RestoreInto(Carrier::kFile, bytes, *target).failed);
  EXPECT_EQ(target->GetFont(), nullptr);
  EXPECT_EQ(target->GetTextString(), nullptr);
  EXPECT_EQ(target->GetEscapements(), nullptr);
  EXPECT_EQ(implementation_->FontReferences(), references - 1);  // the target's old font
}

// A record of another kind where the text belongs fails the carrier (AddressSanitizer: nothing
// read is kept).
TEST_F(GTextStringGraphicTest, ARecordOfTheWrongKindFailsTheCarrier) {
  const Codes one{'A'};
  const GPoint at{0, 0};
  // All three absent, and only the text absent: the records are the same up to the text's nil.
  std::unique_ptr<GTextStringGraphic> none;
  std::unique_ptr<GTextStringGraphic> no_text;
  {
    vel::test::FailingAllocation failing(0, -1);
    none = std::make_unique<GTextStringGraphic>(nullptr, one.data(), 0, 16, &at, 1, nullptr);
  }
  {
    vel::test::FailingAllocation failing(0);
    no_text = std::make_unique<GTextStringGraphic>(nullptr, one.data(), 0, 16, &at, 1, nullptr);
  }
  ASSERT_EQ(none->GetEscapements(), nullptr);
  ASSERT_NE(no_text->GetEscapements(), nullptr);
  // The file form: the two records have the same layout up to the text's nil record.
  const Carrier carrier = Carrier::kFile;
  const Bytes all_nil = vel::test::SaveGraph(carrier, none.get());
  Bytes bytes = vel::test::SaveGraph(carrier, no_text.get());
  // Dropping the text's nil record puts the escapements where the text belongs.
  const std::size_t text_nil = all_nil.size() - 6 - 12;
  const Bytes nil{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
  ASSERT_TRUE(std::equal(nil.begin(), nil.end(), bytes.begin() + text_nil));
  bytes.erase(bytes.begin() + text_nil, bytes.begin() + text_nil + 6);
  const auto restored = vel::test::RestoreGraph(carrier, bytes);
  EXPECT_TRUE(restored.failed);
  EXPECT_EQ(restored.object, nullptr);
}

// The harness's checks on this class's samples alone (the harness test runs every class).
TEST_F(GTextStringGraphicTest, SamplesPassTheHarnessOnEveryCarrier) {
  for (const auto& sample : vel::test::FrameworkSamples().at(vel::classid::kGTextStringGraphic)) {
    SCOPED_TRACE(sample.name);
    vel::test::CheckStoredSizes(sample);
    for (const Carrier carrier : vel::test::kAllCarriers) {
      vel::test::CheckRoundTrip(sample, carrier);
      vel::test::CheckTruncations(sample, carrier);
      vel::test::CheckVersionWords(sample, carrier);
    }
  }
}

}  // namespace
