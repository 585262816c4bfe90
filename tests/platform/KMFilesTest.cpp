// The render flavour's kernel-mode files: mode strings, the mapped module's growth, the stream's
// flags, the native layer and its all-or-none binding, and engine failures on every path.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/engine/EngineFixture.h"
#include "platform/flavour/render/KMFileBuffer.h"
#include "platform/flavour/render/KMFileFlags.h"
#include "platform/flavour/render/KMMapFile.h"
#include "platform/flavour/render/KMNative.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& name, const Bytes& bytes) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class KMFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vel::platform::SetPlatformRoot(dir_.Path().string());
    vel::platform::ClearFailures();
    ASSERT_TRUE(KMNativeBind());
    vel::platform::engine::ClearLedgers();
  }
  void TearDown() override {
    vel::platform::ClearFailures();
    vel::platform::engine::OmitImageName("");
    for (const std::string& problem : vel::platform::engine::LedgerProblems()) {
      ADD_FAILURE() << "ledger: " << problem;
    }
    // A test that unbound the layer leaves it bound again, as the binary's environment expects.
    ASSERT_TRUE(KMNativeBind());
    vel::platform::engine::ClearLedgers();
  }
  std::string File(const char* name) const { return dir_.File(name); }

  vel::test::TempDir dir_;
};

TEST_F(KMFilesTest, ModeStrings) {
  const struct {
    const char* mode;
    bool valid;
    std::uint32_t flags;
  } cases[] = {
      {"wb+", true, kKMReadWrite | kKMCreate | kKMTruncate | kKMBinary},
      {"rt+", true, kKMReadWrite | kKMText},
      {"r++", true, kKMReadWrite},
      {"ab", true, kKMWriteOnly | kKMAppend | kKMCreate | kKMBinary},
      {"rRS", true, kKMRandom},  // the second hint ends the parsing
      {"rbt+", true, kKMBinary},
      {"rcnDT", true, kKMTemporary | kKMShortLived},
      {"x", false, 0},
      {"", false, 0},
      {"+r", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    std::uint32_t flags = 0xDEAD;
    EXPECT_EQ(KMMapFileParseMode(c.mode, flags), c.valid);
    if (c.valid) {
      EXPECT_EQ(flags, c.flags);
    }
  }
  EXPECT_EQ(KMMapFileOpen(File("x").c_str(), "x+"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(File("x")));
  EXPECT_EQ(KMMapFileOpen(File("missing").c_str(), "r"), nullptr);
  EXPECT_EQ(KMMapFileOpen(File("missing").c_str(), "r+"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(File("missing")));
}

TEST_F(KMFilesTest, WriteModeTruncatesAndCloseKeepsTheWrittenLength) {
  const std::string name = File("f");
  WriteFile(name, Bytes(10000, 0x77));
  KMMapFile* file = KMMapFileOpen(name.c_str(), "w");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(KMMappedLength(KMMapFileModule(file)), 0);
  EXPECT_EQ(KMMapFileTell(file), 0);
  EXPECT_EQ(KMMapFileWrite("abc", 1, 3, file), 3u);
  // A seek past the data reads zeros, not what the file held before.
  EXPECT_EQ(KMMapFileSeek(file, 6, 0), 0);
  EXPECT_EQ(KMMapFileWrite("z", 1, 1, file), 1u);
  EXPECT_EQ(KMMapFileClose(file), 0);
  EXPECT_EQ(FileBytes(name), (Bytes{'a', 'b', 'c', 0, 0, 0, 'z'}));

  // Closed unwritten: empty, not 4096 bytes.
  file = KMMapFileOpen(name.c_str(), "w");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(KMMapFileClose(file), 0);
  EXPECT_EQ(std::filesystem::file_size(name), 0u);
}

TEST_F(KMFilesTest, GrowSizes) {
  const std::string name = File("g");
  WriteFile(name, {});
  KMMapFile* file = KMMapFileOpen(name.c_str(), "r+");
  ASSERT_NE(file, nullptr);
  KMMappedModule* module = KMMapFileModule(file);
  EXPECT_EQ(module->capacity, 0u);
  EXPECT_EQ(KMMapFileWrite("0123456789", 1, 10, file), 10u);
  EXPECT_EQ(module->capacity, 4106u);
  EXPECT_EQ(module->end_mark, 10);
  HANDLE before = module->module;
  EXPECT_EQ(KMMapFileSeek(file, 100, 0), 0);
  EXPECT_EQ(module->module, before);
  EXPECT_EQ(module->end_mark, 100);
  EXPECT_EQ(module->capacity, 4106u);
  EXPECT_EQ(KMMapFileSeek(file, 5000, 0), 0);
  EXPECT_EQ(module->capacity, 5000u);
  EXPECT_EQ(module->end_mark, 5000);
  EXPECT_EQ(KMMapFileTell(file), 5000);
  // A flush leaves the file on disk as long as its data.
  ASSERT_EQ(KMMapFileSeek(file, 0, 0), 0);
  EXPECT_EQ(KMMapFileWrite(Bytes(6000, 9).data(), 1, 6000, file), 6000u);
  EXPECT_GT(module->capacity, 6000u);
  EXPECT_EQ(KMMapFileFlush(file), 0);
  EXPECT_EQ(std::filesystem::file_size(name), 6000u);
  EXPECT_EQ(KMMapFileTell(file), 6000);
  EXPECT_EQ(KMMapFileClose(file), 0);
  EXPECT_EQ(std::filesystem::file_size(name), 6000u);
}

TEST_F(KMFilesTest, PartialItemsSetEndOfFileAndRefuseWritesUntilSeekOrClear) {
  const std::string name = File("p");
  WriteFile(name, Bytes(30, 1));
  KMMapFile* file = KMMapFileOpen(name.c_str(), "rb+");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(KMMapFileSeek(file, 8, 0), 0);
  unsigned char buffer[32];
  EXPECT_EQ(KMMapFileRead(buffer, 4, 8, file), 5u);  // 22 bytes left
  EXPECT_NE(KMMapFileEof(file), 0);
  EXPECT_EQ(KMMapFileTell(file), 30);
  EXPECT_EQ(*file->position, 30);
  EXPECT_EQ(KMMapFileWrite("x", 1, 1, file), 0u);
  EXPECT_NE(KMMapFileError(file), 0);
  EXPECT_EQ(KMMapFileSeek(file, 0, 0), -1);  // the error flag fails seeks at once
  EXPECT_EQ(KMMapFileRead(buffer, 1, 1, file), 0u);
  KMMapFileClearError(file);
  EXPECT_EQ(KMMapFileWrite("x", 1, 1, file), 1u);

  // The pattern every user follows: a seek between the read that met the end and the write.
  ASSERT_EQ(KMMapFileSeek(file, 0, 0), 0);
  EXPECT_EQ(KMMapFileRead(buffer, 1, 32, file), 31u);
  EXPECT_NE(KMMapFileEof(file), 0);
  ASSERT_EQ(KMMapFileSeek(file, 0, 2), 0);
  EXPECT_EQ(KMMapFileWrite("y", 1, 1, file), 1u);
  EXPECT_EQ(KMMapFileError(file), 0);
  EXPECT_EQ(KMMapFileClose(file), 0);
  EXPECT_EQ(std::filesystem::file_size(name), 32u);
}

TEST_F(KMFilesTest, GetAndUngetCharacters) {
  const std::string name = File("c");
  WriteFile(name, {'A', 'B'});
  KMMapFile* file = KMMapFileOpen(name.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(KMMapFileUngetChar('Q', file), -1);
  EXPECT_EQ(KMMapFileGetChar(file), 'A');
  EXPECT_EQ(KMMapFileUngetChar('Q', file), 'Q');
  EXPECT_EQ(KMMapFileGetChar(file), 'A');  // the file's own byte
  EXPECT_EQ(KMMapFileGetChar(file), 'B');
  EXPECT_EQ(KMMapFileGetChar(file), -1);
  EXPECT_NE(KMMapFileEof(file), 0);
  EXPECT_EQ(KMMapFileWrite("x", 1, 1, file), 0u);  // read only
  EXPECT_EQ(KMMapFileClose(file), 0);
  EXPECT_EQ(FileBytes(name), (Bytes{'A', 'B'}));
}

TEST_F(KMFilesTest, AppendWritesAtTheEnd) {
  const std::string name = File("a");
  WriteFile(name, {'1', '2'});
  KMMapFile* file = KMMapFileOpen(name.c_str(), "a+");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(KMMapFileTell(file), 2);
  ASSERT_EQ(KMMapFileSeek(file, 0, 0), 0);
  EXPECT_EQ(KMMapFileWrite("3", 1, 1, file), 1u);
  EXPECT_EQ(KMMapFileClose(file), 0);
  EXPECT_EQ(FileBytes(name), (Bytes{'1', '2', '3'}));
  EXPECT_EQ(KMFileRemove(name.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(name));
  EXPECT_EQ(KMFileRemove(name.c_str()), -1);
}

TEST_F(KMFilesTest, MebibyteOfMixedWritesSeeksAndRereads) {
  const std::string name = File("big");
  std::mt19937 random(25);
  Bytes source(1 << 20);
  for (unsigned char& b : source) {
    b = static_cast<unsigned char>(random());
  }
  KMMapFile* file = KMMapFileOpen(name.c_str(), "wb+");
  ASSERT_NE(file, nullptr);
  std::size_t done = 0;
  while (done < source.size()) {
    const std::size_t piece = std::min<std::size_t>(source.size() - done, 1 + random() % 9000);
    ASSERT_EQ(KMMapFileWrite(source.data() + done, 1, piece, file), piece);
    done += piece;
    if (random() % 4 == 0) {
      // Reread a stretch already written, then go back to the end.
      const std::size_t at = random() % done;
      const std::size_t length = std::min<std::size_t>(done - at, 1 + random() % 5000);
      Bytes back(length);
      ASSERT_EQ(KMMapFileSeek(file, static_cast<std::int32_t>(at), 0), 0);
      ASSERT_EQ(KMMapFileRead(back.data(), 1, length, file), length);
      ASSERT_EQ(std::memcmp(back.data(), source.data() + at, length), 0);
      ASSERT_EQ(KMMapFileSeek(file, 0, 2), 0);
    }
  }
  ASSERT_EQ(KMMapFileClose(file), 0);
  EXPECT_TRUE(FileBytes(name) == source);
}

TEST_F(KMFilesTest, NativeLayer) {
  vel::platform::SetPlatformRoot(dir_.Path().string());
  std::filesystem::create_directories(dir_.Path() / "C" / "TEMP");
  HANDLE handle = KMNativeOpen("C:\\TEMP\\n.bin", kKMReadWrite | kKMCreate | kKMTruncate,
                               kKMPermitReadWrite);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "C" / "TEMP" / "n.bin"));
  EXPECT_EQ(KMNativeWrite(handle, "hello", 5), 5);
  EXPECT_EQ(KMNativeLength(handle), 5);
  EXPECT_EQ(KMNativeTell(handle), 5);
  char buffer[8] = {};
  EXPECT_EQ(KMNativeRead(handle, buffer, 8), 0);  // end of file is no error
  EXPECT_EQ(KMNativeSeek(handle, -4, 2), 1);
  EXPECT_EQ(KMNativeRead(handle, buffer, 8), 4);
  EXPECT_STREQ(buffer, "ello");
  EXPECT_EQ(KMNativeSeek(handle, -1, 1), 4);
  EXPECT_EQ(KMNativeSeek(handle, 0, 7), -1);
  EXPECT_EQ(KMNativeSeek(handle, 0x7FFFFFFF, 0), -1);  // set, but out of range
  EXPECT_EQ(KMNativeTell(handle), -1);
  EXPECT_EQ(KMNativeClose(handle), 0);
  EXPECT_EQ(KMNativeOpen("C:\\TEMP\\n.bin", kKMAccessMask, 0), nullptr);
  EXPECT_EQ(KMNativeShareOpen("C:\\TEMP\\n.bin", kKMReadOnly, 0x50, 0), nullptr);
  EXPECT_EQ(KMFileDelete("C:\\TEMP\\n.bin"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "C" / "TEMP" / "n.bin"));
  EXPECT_EQ(KMFileDelete("C:\\TEMP\\n.bin"), -1);
}

TEST_F(KMFilesTest, OneMissingNameFailsTheWholeNativeLayer) {
  const std::string name = File("m");
  WriteFile(name, {'x'});
  const char* names[] = {"ZwCreateFile", "RtlLargeIntegerSubtract", "RtlFreeUnicodeString"};
  for (const char* missing : names) {
    SCOPED_TRACE(missing);
    KMNativeUnbind();
    vel::platform::engine::OmitImageName(missing);
    EXPECT_FALSE(KMNativeBind());
    EXPECT_FALSE(KMNativeIsBound());
    EXPECT_EQ(KMNativeOpen(name.c_str(), kKMReadOnly, 0), nullptr);
    EXPECT_EQ(KMNativeClose(reinterpret_cast<HANDLE>(1)), -1);
    EXPECT_EQ(KMNativeRead(reinterpret_cast<HANDLE>(1), nullptr, 0), -1);
    EXPECT_EQ(KMNativeWrite(reinterpret_cast<HANDLE>(1), "", 0), -1);
    EXPECT_EQ(KMNativeSeek(reinterpret_cast<HANDLE>(1), 0, 0), -1);
    EXPECT_EQ(KMNativeLength(reinterpret_cast<HANDLE>(1)), -1);
    EXPECT_EQ(KMNativeTell(reinterpret_cast<HANDLE>(1)), -1);
    EXPECT_EQ(KMFileDelete(name.c_str()), -1);
    EXPECT_EQ(KMFileRemove(name.c_str()), -1);
    EXPECT_TRUE(std::filesystem::exists(name));
    vel::platform::engine::OmitImageName("");
  }
}

TEST_F(KMFilesTest, EngineFailuresEndInFailedResults) {
  const std::string name = File("e");
  const struct {
    const char* function;
    int skip;
  } grows[] = {{"EngLoadModuleForWrite", 0}, {"EngMapModule", 0}};
  for (const auto& c : grows) {
    SCOPED_TRACE(c.function);
    KMMapFile* file = KMMapFileOpen(name.c_str(), "wb+");
    ASSERT_NE(file, nullptr);
    Bytes big(5000, 3);
    vel::platform::FailCalls(c.function, c.skip, -1);
    EXPECT_EQ(KMMapFileWrite(big.data(), 1, big.size(), file), 0u);
    EXPECT_NE(KMMapFileError(file), 0);
    EXPECT_NE(KMMapFileEof(file), 0);
    KMMapFileClearError(file);
    EXPECT_EQ(KMMapFileWrite("x", 1, 1, file), 0u);  // the record is closed now
    EXPECT_EQ(KMMapFileSeek(file, 0, 0), -1);
    vel::platform::ClearFailures();
    KMMapFileClose(file);
  }

  // The release of an unwritten file truncates natively.
  KMMapFile* file = KMMapFileOpen(name.c_str(), "wb+");
  ASSERT_NE(file, nullptr);
  vel::platform::FailCalls("ZwCreateFile", 0, -1);
  EXPECT_EQ(KMMapFileClose(file), -1);
  vel::platform::ClearFailures();

  const char* opens[] = {"EngCreateSemaphore", "EngLoadModuleForWrite", "EngMapModule",
                         "EngMultiByteToUnicodeN", "EngAllocMem"};
  for (const char* function : opens) {
    SCOPED_TRACE(function);
    vel::platform::FailCalls(function, 0, -1);
    EXPECT_EQ(KMMapFileOpen(name.c_str(), "wb+"), nullptr);
    vel::platform::ClearFailures();
  }
}

TEST_F(KMFilesTest, FileBufferUnderStandardStreams) {
  const std::string name = File("buffer.txt");
  {
    KMFileBuffer buffer;
    ASSERT_TRUE(buffer.Open(name.c_str(), kKMReadWrite | kKMCreate | kKMTruncate,
                            kKMPermitReadWrite));
    std::ostream out(&buffer);
    for (int i = 0; i < 2000; ++i) {
      out << "line " << i << '\n';
    }
    out.seekp(0);
    out << "LINE";
    EXPECT_TRUE(out.good());
    std::istream in(&buffer);
    in.seekg(0);
    std::string word;
    int number = -1;
    in >> word >> number;
    EXPECT_EQ(word, "LINE");
    EXPECT_EQ(number, 0);
    in.seekg(-5, std::ios_base::end);
    in >> word;
    EXPECT_EQ(word, "1999");
    EXPECT_TRUE(buffer.Close());
  }
  std::ifstream check(name);
  std::string first;
  std::getline(check, first);
  EXPECT_EQ(first, "LINE 0");

  KMFileBuffer missing;
  EXPECT_FALSE(missing.Open(File("none").c_str(), kKMReadOnly, 0));
  std::istream in(&missing);
  char c = 0;
  EXPECT_FALSE(in.get(c));
}

}  // namespace
