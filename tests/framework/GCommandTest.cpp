// The commands of the display list: dispatch, kind tests, equality, bundles and their level keys,
// ownership of channels, failed commands and pass-through bytes, and the stored forms.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;
namespace classid = vel::classid;

const std::uint8_t kPassBytes[] = {0xAA, 0xBB, 0xCC};

// A state with two attributes, as the device session fills a page group.
GState* Settings(std::uint32_t key) {
  auto* state = new GState(key);
  state->Add(new GValueAttribute(3, 257));
  state->Add(new GStringAttribute("Tray 2", 258));
  return state;
}

template <typename Command>
Command* WithBundle(Command* command) {
  command->SetGraphicBundle(Settings(5));
  return command;
}

// Restored pass-through commands own their bytes and the original does not: equal in everything
// else.
bool SamePassThrough(const GBaseObject& original, const GBaseObject& restored) {
  const auto& a = dynamic_cast<const GPassThroughCommand&>(original);
  const auto& b = dynamic_cast<const GPassThroughCommand&>(restored);
  const bool same_bundle = a.GetGraphicBundle() == nullptr
                               ? b.GetGraphicBundle() == nullptr
                               : b.GetGraphicBundle() != nullptr &&
                                     a.GetGraphicBundle()->IsSameKey(b.GetGraphicBundle());
  return *a.Key() == *b.Key() && same_bundle && a.GetLength() == b.GetLength() &&
         a.GetTargetClassId() == b.GetTargetClassId() &&
         std::equal(a.GetData(), a.GetData() + a.GetLength(), b.GetData());
}

// The error command's held command is restored as a new object: compare it by IsSameKey.
bool SameError(const GBaseObject& original, const GBaseObject& restored) {
  const auto& a = dynamic_cast<const GErrorCommand&>(original);
  const auto& b = dynamic_cast<const GErrorCommand&>(restored);
  const bool same_command =
      a.GetCommand() == nullptr
          ? b.GetCommand() == nullptr
          : b.GetCommand() != nullptr && a.GetCommand()->IsSameKey(b.GetCommand());
  GErrorCommand plain_a(a.GetStatus(), nullptr, *a.Key());
  GErrorCommand plain_b(b.GetStatus(), nullptr, *b.Key());
  plain_a.SetGraphicBundle(a.GetGraphicBundle());
  plain_b.SetGraphicBundle(b.GetGraphicBundle());
  return same_command && plain_a.IsSameKey(&plain_b);
}

FW_PERSIST_SAMPLES(classid::kGDocumentStart,
                   {{"document start empty", [] { return new GDocumentStart; }},
                    {"document start named", [] {
                       return new GDocumentStart(RWWString(u"Job \u00E9"), RWWString(u"Printer"),
                                                 nullptr, Settings(1), 9);
                     }}});
FW_PERSIST_SAMPLES(classid::kGDocumentEnd,
                   {{"document end empty", [] { return new GDocumentEnd; }},
                    {"document end named", [] {
                       return new GDocumentEnd(RWWString(u"J"), RWWString(u"P"), Settings(2), 3);
                     }}});
FW_PERSIST_SAMPLES(classid::kGPageStart,
                   {{"page start own group", [] { return new GPageStart; }},
                    {"page start settings", [] { return new GPageStart(Settings(1), 4); }}});
FW_PERSIST_SAMPLES(classid::kGPageEnd,
                   {{"page end own group", [] { return new GPageEnd; }},
                    {"page end settings", [] { return new GPageEnd(Settings(1), 4); }}});
FW_PERSIST_SAMPLES(classid::kGJobAbort,
                   {{"job abort", [] { return new GJobAbort(7); }},
                    {"job abort bundle", [] { return WithBundle(new GJobAbort); }}});
FW_PERSIST_SAMPLES(classid::kGNoCommand,
                   {{"no command", [] { return new GNoCommand; }},
                    {"no command bundle", [] { return WithBundle(new GNoCommand(1)); }}});
FW_PERSIST_SAMPLES(classid::kGNullCommand,
                   {{"null command", [] { return new GNullCommand; }},
                    {"null command bundle", [] { return new GNullCommand(Settings(244), 2); }}});
FW_PERSIST_SAMPLES(classid::kGErrorCommand,
                   {{"error default", [] { return new GErrorCommand; }, SameError},
                    {"error holding a command",
                     [] { return new GErrorCommand(601, new GNullCommand(4), 1); }, SameError},
                    {"error sharing its bundle with the failed command",
                     [] {
                       auto* failed = new GPageEnd(Settings(1), 0);
                       auto* error = new GErrorCommand(2, failed);
                       error->AssignGraphicBundle(GCountedPtr(failed->GetGraphicBundle()));
                       return error;
                     },
                     SameError}});
FW_PERSIST_SAMPLES(
    classid::kGPassThroughCommand,
    {{"pass-through empty", [] { return new GPassThroughCommand; }},
     {"pass-through bytes",
      [] { return new GPassThroughCommand(kPassBytes, std::uint16_t{3}, classid::kGKestrix); },
      SamePassThrough},
     {"pass-through bundle",
      [] {
        return WithBundle(
            new GPassThroughCommand(kPassBytes, std::uint16_t{1}, classid::kGPostScript, 8));
      },
      SamePassThrough}});

// ---- dispatch

struct DispatchCase {
  const char* name;
  std::function<GCommand*()> make;
  const char* handler;  // null: none
};

std::vector<DispatchCase> DispatchCases() {
  return {
      {"GDocumentStart", [] { return new GDocumentStart; }, "HandleDocumentStart"},
      {"GDocumentEnd", [] { return new GDocumentEnd; }, "HandleDocumentEnd"},
      {"GPageStart", [] { return new GPageStart; }, "HandlePageStart"},
      {"GPageEnd", [] { return new GPageEnd; }, "HandlePageEnd"},
      {"GJobAbort", [] { return new GJobAbort; }, "HandleJobAbort"},
      {"GErrorCommand", [] { return new GErrorCommand(5, new GNullCommand); },
       "HandleErrorCommand"},
      {"GPassThroughCommand", [] { return new GPassThroughCommand; }, "HandlePassThroughCommand"},
      {"GNoCommand", [] { return new GNoCommand; }, nullptr},
      {"GNullCommand", [] { return new GNullCommand; }, nullptr},
      {"GCommandComposite",
       [] {
         auto* composite = new GCommandComposite;
         composite->Add(new GPageStart);
         return composite;
       },
       nullptr},
  };
}

TEST(GCommandTest, AcceptCallsExactlyItsOwnHandlerAndAnswersItsStatus) {
  for (const DispatchCase& c : DispatchCases()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GCommand> command(c.make());
    vel::test::FwRecordingHandlers handlers;
    if (c.handler == nullptr) {
      EXPECT_EQ(command->Accept(handlers), 0);
      EXPECT_TRUE(handlers.Calls().empty());
      continue;
    }
    handlers.SetStatus(c.handler, 7);
    EXPECT_EQ(command->Accept(handlers), 7);
    ASSERT_EQ(handlers.Calls().size(), 1u);
    EXPECT_EQ(handlers.Calls()[0].handler, c.handler);
    EXPECT_EQ(handlers.Calls()[0].object, command.get());
  }
}

// ---- kind tests and equality

TEST(GCommandTest, ClassIdsAndKinds) {
  struct KindCase {
    std::function<GCommand*()> make;
    RWClassID id;
    std::vector<RWClassID> kinds;
  };
  const KindCase cases[] = {
      {[] { return new GDocumentStart; }, 705, {705, 704, 601, 751}},
      {[] { return new GDocumentEnd; }, 706, {706, 704, 601, 751}},
      {[] { return new GPageStart; }, 709, {709, 708, 601, 751}},
      {[] { return new GPageEnd; }, 710, {710, 708, 601, 751}},
      {[] { return new GJobAbort; }, 713, {713, 601, 751}},
      {[] { return new GErrorCommand; }, 714, {714, 601, 751}},
      {[] { return new GNoCommand; }, 715, {715, 601, 751}},
      {[] { return new GNullCommand; }, 712, {712, 601, 751}},
      {[] { return new GPassThroughCommand; }, 608, {608, 601, 751}},
      {[] { return new GCommandComposite; }, 605, {605, 601, 751}},
  };
  const RWClassID others[] = {704, 705, 706, 708, 709, 710, 712, 713,
                              714, 715, 608, 605, 606, 758, 753, 752};
  for (const KindCase& c : cases) {
    std::unique_ptr<GCommand> command(c.make());
    SCOPED_TRACE(c.id);
    EXPECT_EQ(command->IsA(), c.id);
    EXPECT_EQ(command->CategoryId(), c.id);
    EXPECT_EQ(command->IsCommand(), 1);
    for (RWClassID id : c.kinds) {
      EXPECT_TRUE(command->IsKindOf(id)) << id;
    }
    for (RWClassID id : others) {
      const bool expected = std::find(c.kinds.begin(), c.kinds.end(), id) != c.kinds.end();
      EXPECT_EQ(command->IsKindOf(id), expected) << id;
    }
  }
}

TEST(GCommandTest, EqualityComparesClassKeyBundleAndFields) {
  GState* shared = Settings(1);
  const GCountedPtr keep(shared);
  struct EqualCase {
    const char* name;
    std::function<GCommand*()> a;
    std::function<GCommand*()> b;
    bool equal;
  };
  const EqualCase cases[] = {
      {"different classes, equal keys and bundles", [&] { return new GNullCommand(shared, 1); },
       [&] {
         auto* abort = new GJobAbort(1);
         abort->SetGraphicBundle(shared);
         return abort;
       },
       false},
      {"one with a bundle, one without", [] { return new GNullCommand(Settings(1), 1); },
       [] { return new GNullCommand(1); }, false},
      {"equal bundles, different objects", [] { return new GNullCommand(Settings(1), 1); },
       [] { return new GNullCommand(Settings(1), 1); }, true},
      {"the same bundle", [&] { return new GNullCommand(shared, 1); },
       [&] { return new GNullCommand(shared, 1); }, true},
      {"different keys", [] { return new GNoCommand(1); }, [] { return new GNoCommand(2); }, false},
      {"start and end with the same names",
       [] { return new GDocumentStart(RWWString(u"j"), RWWString(u"p"), nullptr, 0); },
       [] { return new GDocumentEnd(RWWString(u"j"), RWWString(u"p"), 0); }, false},
      {"document names differ",
       [] { return new GDocumentEnd(RWWString(u"j"), RWWString(u"p"), 0); },
       [] { return new GDocumentEnd(RWWString(u"j"), RWWString(u"q"), 0); }, false},
      {"document names equal", [] { return new GDocumentEnd(RWWString(u"j"), RWWString(u"p"), 0); },
       [] { return new GDocumentEnd(RWWString(u"j"), RWWString(u"p"), 0); }, true},
      {"page start and page end", [] { return new GPageStart; }, [] { return new GPageEnd; },
       false},
      {"error commands holding equal but different commands",
       [] { return new GErrorCommand(3, new GNullCommand(1)); },
       [] { return new GErrorCommand(3, new GNullCommand(1)); }, false},
      {"error statuses differ", [] { return new GErrorCommand(3, nullptr); },
       [] { return new GErrorCommand(4, nullptr); }, false},
      {"pass-through equal bytes at other addresses",
       [] { return new GPassThroughCommand(kPassBytes, std::uint16_t{3}, 767); },
       [] {
         static const std::uint8_t copy[] = {0xAA, 0xBB, 0xCC};
         return new GPassThroughCommand(copy, std::uint16_t{3}, 767);
       },
       true},
      {"pass-through targets differ",
       [] { return new GPassThroughCommand(kPassBytes, std::uint16_t{3}, 767); },
       [] { return new GPassThroughCommand(kPassBytes, std::uint16_t{3}, 768); }, false},
      {"pass-through lengths differ",
       [] { return new GPassThroughCommand(kPassBytes, std::uint16_t{3}, 767); },
       [] { return new GPassThroughCommand(kPassBytes, std::uint16_t{2}, 767); }, false},
  };
  for (const EqualCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GCommand> a(c.a());
    std::unique_ptr<GCommand> b(c.b());
    EXPECT_EQ(a->IsSameKey(b.get()), c.equal);
    EXPECT_EQ(b->IsSameKey(a.get()), c.equal);
    EXPECT_TRUE(a->IsSameKey(a.get()));
  }
}

TEST(GDocumentStartTest, HandlesTakePartInEqualityAndAFlagZeroRestoreKeepsTheHandle) {
  // Test addresses, never dereferenced.
  int session_a = 0;
  int session_b = 0;
  auto* handle_a = reinterpret_cast<GDeviceSession*>(&session_a);
  auto* handle_b = reinterpret_cast<GDeviceSession*>(&session_b);
  GDocumentStart a(RWWString(u"j"), RWWString(u"p"), handle_a, 0);
  GDocumentStart b(RWWString(u"j"), RWWString(u"p"), handle_b, 0);
  GDocumentStart same(RWWString(u"j"), RWWString(u"p"), handle_a, 0);
  EXPECT_FALSE(a.IsSameKey(&b));
  EXPECT_TRUE(a.IsSameKey(&same));
  EXPECT_EQ(a.StoredByteCount() -
                GDocumentStart(RWWString(u"j"), RWWString(u"p"), nullptr, 0).StoredByteCount(),
            4u);

  // Saved without a handle: flag 0, and the object restored into keeps its handle.
  const GDocumentStart plain(RWWString(u"j"), RWWString(u"p"), nullptr, 0);
  for (Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    GDocumentStart target(RWWString(u"x"), RWWString(u"y"), handle_b, 0);
    const vel::test::Restored restored =
        vel::test::RestoreInto(carrier, vel::test::SaveGraph(carrier, &plain), target);
    EXPECT_FALSE(restored.failed);
    EXPECT_EQ(target.GetPrinterHandle(), handle_b);
    EXPECT_TRUE(target.GetJobName() == RWWString(u"j"));
  }
}

// ---- bundles and level keys

TEST(GCommandTest, BundleReferencesAreCounted) {
  GState* bundle = Settings(1);
  GNullCommand command(bundle, 0);
  EXPECT_EQ(bundle->References(), 0);
  command.SetGraphicBundle(bundle);
  EXPECT_EQ(bundle->References(), 0);  // the bundle already held: unchanged
  command.AssignGraphicBundle(GCountedPtr(bundle));
  EXPECT_EQ(bundle->References(), 0);
  {
    GNullCommand copy(command);
    EXPECT_EQ(copy.GetGraphicBundle(), bundle);
    EXPECT_EQ(bundle->References(), 1);
    GCountedPtr out;
    copy.GetGraphicBundleRef(out);
    EXPECT_EQ(out.Get(), bundle);
    EXPECT_EQ(bundle->References(), 2);
  }
  EXPECT_EQ(bundle->References(), 0);
  std::unique_ptr<GState> released(command.ReleaseGraphicBundle());
  EXPECT_EQ(released.get(), bundle);
  EXPECT_EQ(bundle->References(), -1);
  EXPECT_EQ(command.GetGraphicBundle(), nullptr);
}

TEST(GCommandTest, LevelCommandsMakeOrKeyTheirBundles) {
  GPageStart page;
  ASSERT_NE(page.GetGraphicBundle(), nullptr);
  EXPECT_EQ(*page.GetGraphicBundle()->Key(), vel::key::kPageGroup);
  EXPECT_EQ(page.GetGraphicBundle()->IsA(), classid::kGState);

  GState* given = Settings(99);
  GPageEnd end(given, 0);
  EXPECT_EQ(end.GetGraphicBundle(), given);
  EXPECT_EQ(*given->Key(), vel::key::kPageGroup);

  GDocumentEnd document;
  ASSERT_NE(document.GetGraphicBundle(), nullptr);
  EXPECT_EQ(*document.GetGraphicBundle()->Key(), vel::key::kDocumentGroup);
  GState* replacement = Settings(3);
  document.SetGraphicBundle(replacement);
  EXPECT_EQ(document.GetGraphicBundle(), replacement);
  EXPECT_EQ(*replacement->Key(), vel::key::kDocumentGroup);

  // Commands outside the two levels leave the key alone.
  GState* graphic_level = Settings(244);
  GNullCommand null_command(graphic_level, 0);
  EXPECT_EQ(*graphic_level->Key(), 244u);
}

TEST(GCommandTest, RefusedBundlesGoOnlyWhenUnheld) {
  // AddressSanitizer reports a leak of an unheld refused bundle and a use of a freed held one.
  GDocumentStart document;
  GState* before = document.GetGraphicBundle();
  document.SetGraphicBundle(new GValueAttribute(1, 2));
  EXPECT_EQ(document.GetGraphicBundle(), before);
  EXPECT_EQ(*before->Key(), vel::key::kDocumentGroup);

  auto* held = new GValueAttribute(1, 2);
  const GCountedPtr keep(held);
  GPageStart page;
  page.SetGraphicBundle(held);
  GNullCommand plain;
  plain.SetGraphicBundle(held);
  EXPECT_EQ(held->References(), 0);
  EXPECT_EQ(page.GetGraphicBundle()->IsA(), classid::kGState);
  EXPECT_EQ(plain.GetGraphicBundle(), nullptr);

  // Null changes nothing on a level command.
  page.SetGraphicBundle(nullptr);
  EXPECT_NE(page.GetGraphicBundle(), nullptr);
}

// ---- ownership

TEST(GDocumentCommandTest, CommandsNeverFreeTheirChannel) {
  // The channel is the test's own storage: AddressSanitizer reports any free of it.
  alignas(16) unsigned char storage[64] = {};
  alignas(16) unsigned char other_storage[64] = {};
  auto* channel = reinterpret_cast<GOutputPort*>(storage);
  auto* other = reinterpret_cast<GOutputPort*>(other_storage);
  {
    auto start = std::make_unique<GDocumentStart>();
    start->SetOutputChannel(channel);
    start->SetOutputChannel(channel);
    start->SetOutputChannel(other);
    EXPECT_EQ(start->GetOutputChannel(), other);
    start->SetOutputChannel(channel);
    GDocumentStart copy(*start);
    EXPECT_EQ(copy.GetOutputChannel(), channel);
    GDocumentEnd end;
    end.SetOutputChannel(channel);
    start.reset();
    EXPECT_EQ(copy.ReleaseOutputChannel(), channel);
    EXPECT_EQ(copy.GetOutputChannel(), nullptr);
  }
  EXPECT_EQ(storage[0], 0);
}

TEST(GErrorCommandTest, TheFailedCommandGoesWithItsLastReference) {
  auto* failed = new GPageStart;
  auto error = std::make_unique<GErrorCommand>(9, failed);
  EXPECT_EQ(error->GetStatus(), 9);
  EXPECT_EQ(error->GetCommand(), failed);
  EXPECT_EQ(failed->References(), 0);
  auto copy = std::make_unique<GErrorCommand>(*error);
  EXPECT_EQ(failed->References(), 1);
  error.reset();
  EXPECT_EQ(copy->GetCommand(), failed);
  EXPECT_EQ(failed->References(), 0);
  copy.reset();  // AddressSanitizer reports the leak if this does not free it

  auto* kept = new GPageEnd;
  GErrorCommand holder(1, kept);
  std::unique_ptr<GCommand> released(holder.ReleaseCommand());
  EXPECT_EQ(released.get(), kept);
  EXPECT_EQ(kept->References(), -1);
  EXPECT_EQ(holder.GetCommand(), nullptr);
  holder.SetStatus(4);
  EXPECT_EQ(holder.GetStatus(), 4);
}

// ---- pass-through data

static_assert(
    std::is_constructible_v<GPassThroughCommand, const std::uint8_t*, std::uint16_t, RWClassID>);
static_assert(
    !std::is_constructible_v<GPassThroughCommand, const std::uint8_t*, std::uint32_t, RWClassID>);
static_assert(
    !std::is_constructible_v<GPassThroughCommand, const std::uint8_t*, std::size_t, RWClassID>);
static_assert(!std::is_constructible_v<GPassThroughCommand, const std::uint8_t*, int, RWClassID>);

TEST(GPassThroughCommandTest, NullDataHoldsLengthZero) {
  GPassThroughCommand command(nullptr, std::uint16_t{5}, 767);
  EXPECT_EQ(command.GetLength(), 0);
  EXPECT_EQ(command.StoredByteCount(), 22u + 8u);  // the command part, then no bytes
  // Its record restores and leaves the next record alone.
  GNullCommand next(3);
  for (Carrier carrier : vel::test::kAllCarriers) {
    Bytes bytes = vel::test::SaveGraph(carrier, &command);
    GPassThroughCommand target;
    const vel::test::Restored restored = vel::test::RestoreInto(carrier, bytes, target);
    EXPECT_FALSE(restored.failed) << vel::test::CarrierName(carrier);
    EXPECT_EQ(target.GetLength(), 0);
  }
}

TEST(GPassThroughCommandTest, CopiesAndRestoredBytesOutliveEachOther) {
  const GPassThroughCommand original(kPassBytes, std::uint16_t{3}, 767);
  const Bytes stored = vel::test::SaveGraph(Carrier::kFile, &original);
  vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, stored);
  auto* owner = dynamic_cast<GPassThroughCommand*>(restored.object);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner->GetOwned(), 1);
  EXPECT_NE(owner->GetData(), kPassBytes);

  // A copy of the owner owns its own bytes; each outlives the other (AddressSanitizer watches).
  auto copy = std::make_unique<GPassThroughCommand>(*owner);
  EXPECT_EQ(copy->GetOwned(), 1);
  EXPECT_NE(copy->GetData(), owner->GetData());
  vel::test::DeleteRestored(owner);
  EXPECT_EQ(copy->GetData()[2], 0xCC);
  GPassThroughCommand second(*copy);
  copy.reset();
  EXPECT_EQ(second.GetData()[0], 0xAA);

  // Assignment over owned bytes frees them and takes the other's kind of data.
  second = original;
  EXPECT_EQ(second.GetOwned(), 0);
  EXPECT_EQ(second.GetData(), kPassBytes);
  // A copy over caller memory shares it.
  const GPassThroughCommand shared(original);
  EXPECT_EQ(shared.GetData(), kPassBytes);
  EXPECT_EQ(shared.GetOwned(), 0);
  EXPECT_TRUE(shared.IsSameKey(&original));
}

TEST(GPassThroughCommandTest, DamagedRestoresLeaveTheCommandAsItWas) {
  const GPassThroughCommand original(kPassBytes, std::uint16_t{3}, 767);
  for (Carrier carrier : vel::test::kAllCarriers) {
    SCOPED_TRACE(vel::test::CarrierName(carrier));
    const Bytes stored = vel::test::SaveGraph(carrier, &original);
    // The stored length says more bytes than remain.
    if (carrier == Carrier::kFile || carrier == Carrier::kBinary) {
      Bytes longer = stored;
      const std::size_t length_at = longer.size() - 3 - 4;
      longer[length_at] = 0xFF;
      GPassThroughCommand target(kPassBytes, std::uint16_t{1}, 768);
      const vel::test::Restored restored = vel::test::RestoreInto(carrier, longer, target);
      EXPECT_TRUE(restored.failed);
      EXPECT_EQ(target.GetLength(), 1);
      EXPECT_EQ(target.GetTargetClassId(), 768);
      EXPECT_EQ(target.GetData(), kPassBytes);
      EXPECT_EQ(target.GetOwned(), 0);
    }
  }
  // A failed allocation of the bytes (or of anything else the restore allocates): every
  // allocation refused in turn, until one run refuses nothing. Some refusals are absorbed (the
  // restore then succeeds whole); the others leave the command as it was.
  const Bytes stored = vel::test::SaveGraph(Carrier::kFile, &original);
  bool failed_once = false;
  for (int skip = 0; skip < 40; ++skip) {
    GPassThroughCommand target(kPassBytes, std::uint16_t{1}, 768);
    vel::test::Restored restored;
    int refused = 0;
    {
      vel::test::FailingAllocation failing(skip);
      restored = vel::test::RestoreInto(Carrier::kFile, stored, target);
      refused = failing.Refused();
    }
    if (!restored.failed) {
      EXPECT_EQ(target.GetLength(), 3);
    } else {
      failed_once = true;
      EXPECT_TRUE(target.GetLength() == 1 && target.GetData() == kPassBytes);
    }
    if (refused == 0) {
      break;
    }
  }
  EXPECT_TRUE(failed_once);
}

// ---- stored forms

// Golden bytes written as in the stored-form rules, with the serial numbers shown as "s s s s".
Bytes Golden(std::string text) {
  for (std::size_t at = text.find("s s s s"); at != std::string::npos; at = text.find("s s s s")) {
    text.replace(at, 7, "44 33 22 11");
  }
  return HexBytes(text);
}

constexpr std::uint32_t kSerial = 0x11223344;

template <typename Command>
void SetSerials(Command& command) {
  command.SetSerialNumber(kSerial);
  if (GState* bundle = command.GetGraphicBundle()) {
    bundle->SetSerialNumber(kSerial);
  }
}

void ExpectGolden(const GCommand& command, const Bytes& golden) {
  EXPECT_TRUE(BytesEqual(golden, vel::test::SaveGraph(Carrier::kFile, &command)));
  EXPECT_EQ(command.TotalStoredSize(), golden.size());
  vel::test::Restored restored = vel::test::RestoreGraph(Carrier::kFile, golden);
  ASSERT_NE(restored.object, nullptr);
  EXPECT_FALSE(restored.failed);
  const auto* read = dynamic_cast<const GCommand*>(restored.object);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->IsA(), command.IsA());
  EXPECT_EQ(read->SerialNumber(), kSerial);
  vel::test::DeleteRestored(restored.object);
}

TEST(GCommandTest, GoldenNullCommand) {
  GNullCommand command;
  SetSerials(command);
  ExpectGolden(command, Golden("88 88 00 00  C8 02  01 00 00 00  00 00 00 00  s s s s  "
                               "01 00 00 00  FF FF 00 00 00 00  01 00 00 00"));
}

TEST(GCommandTest, GoldenPageStartWithItsOwnGroup) {
  GPageStart command;
  SetSerials(command);
  ExpectGolden(command,
               Golden("88 88 00 00  C5 02  01 00 00 00  00 00 00 00  s s s s  01 00 00 00  "
                      "F6 02  01 00 00 00  00 01 00 00  s s s s  "  // the group: root part
                      "01 00 00 00  01 00 00 00  "                  // attribute: version, enabled
                      "01 00 00 00  00 00 00 00  "                  // group: version, no children
                      "01 00 00 00  "                               // state version
                      "01 00 00 00  01 00 00 00"));                 // page command, page start
}

TEST(GCommandTest, GoldenDocumentStartWithoutHandle) {
  GDocumentStart command(RWWString(u"J"), RWWString(u"P"), nullptr, 0);
  SetSerials(command);
  ExpectGolden(command,
               Golden("88 88 00 00  C1 02  01 00 00 00  00 00 00 00  s s s s  01 00 00 00  "
                      "F6 02  01 00 00 00  F6 00 00 00  s s s s  01 00 00 00  01 00 00 00  "
                      "01 00 00 00  00 00 00 00  01 00 00 00  "
                      "01 00 00 00  01 00 00 00 4A 00  01 00 00 00 50 00  "
                      "01 00 00 00  00 00 00 00"));
}

TEST(GCommandTest, GoldenErrorAndPassThroughCommands) {
  GErrorCommand error;
  SetSerials(error);
  ExpectGolden(error, Golden("88 88 00 00  CA 02  01 00 00 00  00 00 00 00  s s s s  "
                             "01 00 00 00  FF FF 00 00 00 00  01 00 00 00  00 00  00 00 00 00"));
  GPassThroughCommand pass(kPassBytes, std::uint16_t{3}, classid::kGKestrix);
  SetSerials(pass);
  ExpectGolden(pass, Golden("88 88 00 00  60 02  01 00 00 00  00 00 00 00  s s s s  "
                            "01 00 00 00  FF FF 00 00 00 00  01 00 00 00  03 00  FF 02  AA BB CC"));
  EXPECT_EQ(GCommandComposite().StoredByteCount(), 48u);
}

TEST(GCommandTest, StoredByteCounts) {
  struct SizeCase {
    const char* name;
    std::function<GCommand*()> make;
    std::uint32_t size;
  };
  const SizeCase cases[] = {
      {"no command", [] { return new GNoCommand; }, 26},
      {"null command", [] { return new GNullCommand; }, 26},
      {"job abort", [] { return new GJobAbort; }, 26},
      {"page start", [] { return new GPageStart; }, 58},
      {"page end", [] { return new GPageEnd; }, 58},
      {"document end", [] { return new GDocumentEnd; }, 66},
      {"error holding a null command", [] { return new GErrorCommand(1, new GNullCommand); }, 60},
      {"empty composite", [] { return new GCommandComposite; }, 48},
  };
  for (const SizeCase& c : cases) {
    std::unique_ptr<GCommand> command(c.make());
    EXPECT_EQ(command->StoredByteCount(), c.size) << c.name;
  }
}

TEST(GCommandTest, RecordsOfTheWrongKindFailTheRestore) {
  // A null command whose bundle record is a value attribute, and an error command whose held
  // record is a state.
  GNullCommand with_value;
  GErrorCommand with_state(1, nullptr);
  // Build the bytes by saving lookalikes and swapping the nested records' class ids.
  {
    GNullCommand source(new GState(1), 0);
    Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &source);
    // The bundle's class id follows magic (4), class id (2), root (12) and version (4).
    ASSERT_EQ(bytes[22], 0xF6);
    bytes[22] = 0xFB;  // 763, a value attribute
    bytes[23] = 0x02;
    const vel::test::Restored restored = vel::test::RestoreInto(Carrier::kFile, bytes, with_value);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(with_value.GetGraphicBundle(), nullptr);
  }
  {
    GErrorCommand source(1, new GCommandComposite);
    Bytes bytes = vel::test::SaveGraph(Carrier::kFile, &source);
    const std::size_t id_at = 4 + 2 + 12 + 4 + 6 + 4 + 2 + 4;
    ASSERT_EQ(bytes[id_at], 0x5D);  // 605
    bytes[id_at] = 0xF6;            // 758, a state
    const vel::test::Restored restored = vel::test::RestoreInto(Carrier::kFile, bytes, with_state);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(with_state.GetCommand(), nullptr);
  }
}

}  // namespace
