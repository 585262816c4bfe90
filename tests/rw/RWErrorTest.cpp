// Message records, catalogue formatting, error objects and the error hook.
#include "rw/RWError.h"

#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/CallLog.h"
#include "rw/RWDefs.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "vel_flavour.h"

namespace {

using vel::test::RecordingErrorHook;

struct MessageCase {
  const RWMessageId* (*accessor)();
  const char* domain;
  std::uint32_t number;
  std::string formatted;  // with the sample arguments of FormatSample
};

// Formats a record with sample arguments of the types its text asks for.
std::string FormatSample(const RWMessageId* id) {
  const std::string text = MessageText(id);
  if (text.find("%hu (0x%hx)") != std::string::npos) {
    return RWCatalogMessage(id, 1234, 1234).Text();
  }
  if (text.find("%hu; should be %hu") != std::string::npos) {
    return RWCatalogMessage(id, 7, 9).Text();
  }
  if (text.find("%ld") != std::string::npos) {
    return RWCatalogMessage(id, -12L, 34L).Text();
  }
  if (text.find("%lu") != std::string::npos) {
    return RWCatalogMessage(id, 70000UL, 65535UL).Text();
  }
  if (text.find("%d, %u) from %u") != std::string::npos) {
    return RWCatalogMessage(id, -1, 4U, 3U).Text();
  }
  if (text.find("%d; %s") != std::string::npos) {
    return RWCatalogMessage(id, 42, "why").Text();
  }
  if (text.find("%.*s") != std::string::npos) {
    return RWCatalogMessage(id, 33, "Buffer may not resize larger than", 0xFFFFFFFFU).Text();
  }
  if (text.find("%lx") != std::string::npos) {
    return RWCatalogMessage(id, 0xBEEFUL).Text();
  }
  if (text.find("%s, got %s") != std::string::npos) {
    return RWCatalogMessage(id, "'{'", "'x'").Text();
  }
  if (text.find("%s") != std::string::npos) {
    return RWCatalogMessage(id, "RWCString").Text();
  }
  if (text.find("%u") != std::string::npos) {
    return RWCatalogMessage(id, 5U, 3U).Text();
  }
  return RWCatalogMessage(id).Text();
}

TEST(RWMessageTest, EveryRecordFormatsItsExactText) {
  const MessageCase cases[] = {
      {RWTOOL_ALLOCOUT, "rwtools7.0", 0x2000,
       "[ALLOCOUT] RWCString destructor called with allocation outstanding"},
      {RWTOOL_BADRE, "rwtools7.0", 0x2001, "[BADRE] Attempt to use invalid regular expression"},
      {RWTOOL_CRABS, "rwtools7.0", 0x2002,
       "[CRABS] RWFactory: attempting to create abstract class with ID 1234 (0x4d2)"},
      {RWTOOL_FLIST, "rwtools7.0", 0x2003, "[FLIST] Free list size error: expected -12, got 34"},
      {RWTOOL_ID, "rwtools7.0", 0x2004, "[ID] Unexpected class ID 7; should be 9"},
      {RWTOOL_INDEX, "rwtools7.0", 0x2005, "[INDEX] Index (5) out of range [0->3]"},
      {RWTOOL_LOCK, "rwtools7.0", 0x2006, "[LOCK] Locked object deleted"},
      {RWTOOL_LONGINDEX, "rwtools7.0", 0x2007, "[LONGINDEX] Long index (70000) out of range [0->65535]"},
      {RWTOOL_MAGIC, "rwtools7.0", 0x2008, "[MAGIC] Bad magic number: -12 (should be 34)"},
      {RWTOOL_NEVECL, "rwtools7.0", 0x2009, "[NEVECL] Unequal vector lengths: 5 versus 3"},
      {RWTOOL_NOCREATE, "rwtools7.0", 0x200a,
       "[NOCREATE] RWFactory: no create function for class with ID 1234 (0x4d2)"},
      {RWTOOL_NOTALLOW, "rwtools7.0", 0x200b, "[NOTALLOW] Function not allowed for derived class"},
      {RWTOOL_READERR, "rwtools7.0", 0x200c, "[READERR] Read error"},
      {RWTOOL_REF, "rwtools7.0", 0x200d, "[REF] Bad persistence reference"},
      {RWTOOL_SEEKERR, "rwtools7.0", 0x200e, "[SEEKERR] Seek error"},
      {RWTOOL_STREAM, "rwtools7.0", 0x200f, "[STREAM] Bad input stream"},
      {RWTOOL_SUBSTRING, "rwtools7.0", 0x2010,
       "[SUBSTRING] Illegal substring (-1, 4) from 3 element RWCString"},
      {RWTOOL_UNLOCK, "rwtools7.0", 0x2011, "[UNLOCK] Improper use of locked object"},
      {RWTOOL_WRITEERR, "rwtools7.0", 0x2012, "[WRITEERR] Write error"},
      {RWTOOL_INDEXERR, "rwtools7.0", 0x2013,
       "[INDEXERR] Illegal Index (5) for collection or string with 3 elements"},
      {RWTOOL_NPOSINDEX, "rwtools7.0", 0x2014,
       "[NPOSINDEX] The value RW_NPOS cannot be used as an index."},
      {RWTOOL_NOPERSIST, "rwtools7.0", 0x2015,
       "[NOPERSIST] Persistence not implemented for type RWCString."},
      {RWCORE_EOF, "rwcore7.0", 0x1000, "[EOF] EOF on input"},
      {RWCORE_GENERIC, "rwcore7.0", 0x1001, "[GENERIC] Generic error number 42; why"},
      {RWCORE_INVADDR, "rwcore7.0", 0x1002, "[INVADDR] Invalid address: beef"},
      {RWCORE_LOCK, "rwcore7.0", 0x1003, "[LOCK] Unable to lock memory"},
      {RWCORE_NOINIT, "rwcore7.0", 0x1004, "[NOINIT] Memory allocated without being initialized"},
      {RWCORE_NOMEM, "rwcore7.0", 0x1005, "[NOMEM] No memory"},
      {RWCORE_OPERR, "rwcore7.0", 0x1006, "[OPERR] Could not open file RWCString"},
      {RWCORE_OUTALLOC, "rwcore7.0", 0x1007,
       "[OUTALLOC] Memory released with allocations still outstanding"},
      {RWCORE_OVFLOW, "rwcore7.0", 0x1008,
       "[OVFLOW] Overflow error -> \"Buffer may not resize larger than\" <- (4294967295 max "
       "characters)"},
      {RWCORE_STREAM, "rwcore7.0", 0x1009, "[STREAM] Bad input stream"},
      {RWCORE_SYNSTREAM, "rwcore7.0", 0x100a,
       "[SYNSTREAM] Syntax error in input stream: expected '{', got 'x'"},
  };
  std::uint32_t count = 0;
  const RWMessageId* const* all = RWAllMessages(&count);
  ASSERT_EQ(count, std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const MessageCase& c = cases[i];
    const RWMessageId* id = c.accessor();
    SCOPED_TRACE(c.formatted);
    EXPECT_EQ(all[i], id);
    EXPECT_STREQ(id->domain, c.domain);
    EXPECT_EQ(id->number, c.number);
    EXPECT_EQ(id->reserved, 0u);
    EXPECT_EQ(FormatSample(id), c.formatted);
  }
}

TEST(RWMessageTest, LongArgumentsAreCutToTheScratchBuffer) {
  const std::string long_name(2000, 'x');
  RWCatalogMessage message(RWCORE_OPERR(), long_name.c_str());
  EXPECT_EQ(std::strlen(message.Text()), std::size_t{RWCatalogMessage::kScratchSize - 1});
  EXPECT_EQ(std::string(message.Text()).rfind("[OPERR] Could not open file xxx", 0), 0u);
}

TEST(RWMessageTest, CopiesOwnTheirText) {
  RWCatalogMessage original(RWTOOL_INDEX(), 1U, 2U);
  RWCatalogMessage copy(original);
  EXPECT_NE(copy.Text(), original.Text());
  EXPECT_STREQ(copy.Text(), original.Text());
  RWCatalogMessage assigned("other");
  assigned = original;
  const RWCatalogMessage& alias = assigned;
  assigned = alias;  // self-assignment keeps the text
  EXPECT_STREQ(assigned.Text(), "[INDEX] Index (1) out of range [0->2]");
}

TEST(RWErrorTest, CopyingAnUnownedTextSharesIt) {
  static const char kText[] = "static text";
  RWErrorBase unowned(kText, false);
  RWErrorBase copy(unowned);
  EXPECT_FALSE(copy.OwnsText());
  EXPECT_EQ(copy.Text(), kText);

  RWErrorBase owned(kText, true);
  RWErrorBase owned_copy(owned);
  EXPECT_TRUE(owned_copy.OwnsText());
  EXPECT_NE(owned_copy.Text(), owned.Text());
  EXPECT_STREQ(owned_copy.Text(), kText);

  RWNoMemoryError no_memory(64);
  EXPECT_FALSE(no_memory.OwnsText());
  EXPECT_STREQ(no_memory.Text(), "[NOMEM] No memory");
  EXPECT_EQ(no_memory.RequestedSize(), 64u);
}

TEST(RWErrorTest, RaisersHandTheHookTheirFormattedText) {
  RecordingErrorHook hook;
  RWRaiseIndex(5, 3);
  RWRaiseIndex(RW_NPOS, 3);
  RWRaiseData(RWTOOL_REF());
  RWRaiseInternal(RWTOOL_MAGIC(), 1L, 2L);
  RWRaiseStream(nullptr, RWTOOL_STREAM());
  RWRaiseFile(nullptr, RWFileError::kSeek, RWTOOL_SEEKERR());
  RWRaiseGeneric(RWCORE_GENERIC(), 3, "x");
  EXPECT_EQ(hook.Texts(), (std::vector<std::string>{
                              "[INDEXERR] Illegal Index (5) for collection or string with 3 elements",
                              "[NPOSINDEX] The value RW_NPOS cannot be used as an index.",
                              "[REF] Bad persistence reference",
                              "[MAGIC] Bad magic number: 1 (should be 2)",
                              "[STREAM] Bad input stream",
                              "[SEEKERR] Seek error",
                              "[GENERIC] Generic error number 3; x",
                          }));
}

namespace {
const RWErrorBase* g_seen = nullptr;
bool g_seen_index = false;
void TypeCheckingHook(const RWErrorBase& error) {
  g_seen = &error;
  g_seen_index = dynamic_cast<const RWIndexError*>(&error) != nullptr &&
                 dynamic_cast<const RWDataError*>(&error) != nullptr;
}
}  // namespace

TEST(RWErrorTest, IndexErrorsArriveAsIndexErrors) {
  RWErrorHook previous = SetErrorHook(&TypeCheckingHook);
  RWRaiseIndex(0, 0);
  EXPECT_EQ(SetErrorHook(previous), &TypeCheckingHook);
  EXPECT_NE(g_seen, nullptr);
  EXPECT_TRUE(g_seen_index);
}

TEST(RWErrorTest, SettingANullHookRestoresTheDefault) {
  RWErrorHook previous = SetErrorHook(nullptr);
  EXPECT_EQ(SetErrorHook(previous), &FatalErrorHandler);
}

// The UI flavour's default ends the process; the render flavour's prints and returns.
TEST(RWErrorDeathTest, DefaultHookOfTheFlavour) {
  if constexpr (vel::flavour::kIsRenderFlavour) {
    vel::platform::ClearCallLog();
    RWRaiseIndex(5, 3);  // returns
    std::vector<std::string> log = vel::platform::CallLogSnapshot();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0].rfind("EngDebugPrint((", 0), 0u);
    EXPECT_EQ(log[0].back(), ')');
    EXPECT_EQ(log[1],
              "EngDebugPrint(RW!FtlErr: [INDEXERR] Illegal Index (5) for collection or string "
              "with 3 elements)");
    EXPECT_EQ(log[2], "EngDebugBreak");
  } else {
    EXPECT_EXIT(RWRaiseIndex(5, 3), ::testing::ExitedWithCode(1),
                "Fatal Error: \\[INDEXERR\\] Illegal Index \\(5\\) for collection or string with "
                "3 elements");
  }
}

}  // namespace
