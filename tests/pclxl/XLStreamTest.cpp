// Creation, flushing and closing of PCL XL streams, and the texts of their error codes.
#include <gtest/gtest.h>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStream.h"
#include "tests/pclxl/XLTestStream.h"
#include "tests/support/FailingAllocation.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::CollectingFlush;
using vel::test::FailingAllocation;
using vel::test::HexBytes;
using vel::test::TestStream;

TEST(XLStream, CreateStartsEmptyAndClean) {
  CollectingFlush flush;
  std::int16_t cause = 99;
  XLStream* stream = XLCreateStream(8192, &flush, 77, &cause);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(cause, kXLNoError);
  EXPECT_EQ(stream->size, 8192);
  EXPECT_EQ(stream->free_bytes, 8192);
  EXPECT_EQ(stream->write_ptr, stream->buffer);
  EXPECT_EQ(stream->end, stream->buffer + 8192);
  EXPECT_EQ(stream->total_bytes, 0);
  EXPECT_EQ(stream->error, kXLNoError);
  EXPECT_EQ(stream->error_count, 0);
  EXPECT_EQ(stream->flush_callback, &flush);
  EXPECT_EQ(stream->user_word, 77u);
  EXPECT_EQ(XLCloseStream(stream), 0);
}

TEST(XLStream, CreateRefusesWhatCannotWork) {
  CollectingFlush flush;
  struct Case {
    std::int32_t size;
    GOutputFlushCallback* callback;
    std::int16_t cause;
  };
  const Case cases[] = {
      {0, &flush, kXLBadBufferSize},
      {1, &flush, kXLBadBufferSize},  // a 4-byte value could not fit after a flush
      {3, &flush, kXLBadBufferSize},
      {-8, &flush, kXLBadBufferSize},
      {8192, nullptr, kXLNoFlushCallback},
      {0, nullptr, kXLNoFlushCallback},  // the callback is checked before the size
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::int16_t cause = 0;
    EXPECT_EQ(XLCreateStream(c.size, c.callback, 0, &cause), nullptr);
    EXPECT_EQ(cause, c.cause);
    EXPECT_EQ(XLCreateStream(c.size, c.callback, 0), nullptr);  // the cause is optional
  }
}

TEST(XLStream, SmallestBufferTakesEveryValueWhole) {
  TestStream stream(kXLMinimumBufferSize);
  ASSERT_NE(stream.get(), nullptr);
  XLUInt32(stream.get(), 0x01020304);
  XLReal32XY(stream.get(), 1.0f, 2.0f);
  EXPECT_TRUE(BytesEqual(HexBytes("C2 04 03 02 01  D5 00 00 80 3F 00 00 00 40"), stream.Output()));
  EXPECT_EQ(stream.flush().flushes, (std::vector<std::int32_t>{1, 4, 1, 4, 4}));
}

TEST(XLStream, CreateReportsOutOfMemoryAndKeepsNothing) {
  CollectingFlush flush;
  for (int skip : {0, 1}) {  // the structure, then the buffer
    SCOPED_TRACE(skip);
    std::int16_t cause = 0;
    FailingAllocation failing(skip);
    EXPECT_EQ(XLCreateStream(8192, &flush, 0, &cause), nullptr);
    EXPECT_EQ(cause, kXLOutOfMemory);
    EXPECT_EQ(failing.Refused(), 1);
  }
}

TEST(XLStream, NullStreamIsAcceptedByCloseAndFlush) {
  XLFlushStream(nullptr);
  EXPECT_EQ(XLCloseStream(nullptr), 0);
}

TEST(XLStream, FlushHandsOverTheBufferAndEmptiesIt) {
  CollectingFlush flush;
  XLStream* stream = XLCreateStream(16, &flush, 0x1234, nullptr);
  ASSERT_NE(stream, nullptr);
  XLUInt16(stream, 0x0201);
  XLFlushStream(stream);
  EXPECT_EQ(flush.flushes, std::vector<std::int32_t>{3});
  EXPECT_EQ(flush.user_words, std::vector<std::uintptr_t>{0x1234});
  EXPECT_TRUE(BytesEqual(HexBytes("C1 01 02"), flush.bytes));
  EXPECT_EQ(stream->free_bytes, 16);
  EXPECT_EQ(stream->write_ptr, stream->buffer);
  XLUByte(stream, 5);
  EXPECT_EQ(XLCloseStream(stream), 5);  // bytes written since creation, flushed or not
  EXPECT_EQ(flush.flushes.size(), 1u);  // closing does not flush
}

TEST(XLStream, FlushCallbackThatKeepsItsBufferCannotMakeWritesOverrunIt) {
  TestStream stream(8);
  stream.flush().empties_buffer = false;
  Bytes data(40);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(i);
  }
  XLRawBytes(stream.get(), data.data(), 40);
  XLUInt32(stream.get(), 7);
  Bytes expected = data;
  expected.insert(expected.end(), {0xC2, 7, 0, 0, 0});
  EXPECT_TRUE(BytesEqual(expected, stream.Output()));
  EXPECT_EQ(stream.get()->error, kXLNoError);
}

TEST(XLStream, FullBufferWithoutCallbackStopsTheStream) {
  TestStream stream(8);
  const Bytes data(8, 0xAA);
  XLRawBytes(stream.get(), data.data(), 8);
  stream.get()->flush_callback = nullptr;  // the buffer can no longer be emptied
  XLUByte(stream.get(), 1);
  EXPECT_EQ(stream.get()->error, kXLFlushFailed);
  EXPECT_EQ(stream.get()->error_count, 1);
  EXPECT_EQ(stream.get()->free_bytes, 0);
  EXPECT_EQ(stream.get()->total_bytes, 8);
}

TEST(XLStream, ErrorTexts) {
  const char* const undefined = "XL Library: Number of Error Reported is Undefined";
  const struct {
    std::int16_t code;
    const char* text;
  } cases[] = {
      {0, "XL Library: No Errors Detected"},
      {-1, "XL Library: Initialization Failed"},
      {-2, "XL Library: Operator Number Undefined"},
      {-3, undefined},
      {-4, "XL Library: Out of Memory"},
      {-5, "XL Library: A Stream Buffer Size of Zero Was Requested"},
      {-6, "XL Library: Stream Output Buffer Overflowed"},
      {-7, "XL Library: Attempt to Flush Output Buffer Failed"},
      {-8, undefined},
      {-9, "XL Library: Count Too Large for Its Field"},
      {-10, undefined},
      {1, undefined},
      {-32768, undefined},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(XLErrorText(c.code), c.text) << c.code;
  }
}

}  // namespace
