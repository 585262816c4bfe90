// Values per second written to and read from each virtual stream format, beside memcpy of the
// bytes that the binary format takes for the same values (the physical limit).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <streambuf>
#include <vector>

#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWPortableStream.h"

namespace {

// A fixed memory buffer, rewound before each pass, so the stream format is all that is measured.
class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::size_t capacity) : bytes_(capacity) {}
  void RewindForWriting() { setp(bytes_.data(), bytes_.data() + bytes_.size()); }
  void RewindForReading() { setg(bytes_.data(), bytes_.data(), pptr()); }
  std::size_t Written() const { return static_cast<std::size_t>(pptr() - pbase()); }

 private:
  std::vector<char> bytes_;
};

constexpr int kRecords = 1000;
constexpr int kValuesPerRecord = 6;
constexpr std::size_t kArrayLength = 4096;

// A record as object code writes it: a class id, an index, a short, a long, a real and a name.
void WriteRecords(RWVirtualOutStream& out) {
  for (int k = 0; k < kRecords; ++k) {
    out.Put(static_cast<unsigned short>(1002))
        .Put(k)
        .Put(static_cast<short>(-k))
        .Put(static_cast<unsigned long>(k) * 40503UL)
        .Put(k * 0.25)
        .PutString("Letter");
  }
}

void ReadRecords(RWVirtualInStream& in) {
  unsigned short id;
  int index;
  short s;
  unsigned long l;
  double d;
  char name[16];
  for (int k = 0; k < kRecords; ++k) {
    in.Get(id).Get(index).Get(s).Get(l).Get(d).GetString(name, sizeof name);
  }
  benchmark::DoNotOptimize(name);
}

template <typename Writer>
std::unique_ptr<RWVirtualOutStream> NewWriter(std::streambuf* buffer, int order);
template <>
std::unique_ptr<RWVirtualOutStream> NewWriter<RWBinaryOutStream>(std::streambuf* buffer, int) {
  return std::make_unique<RWBinaryOutStream>(buffer);
}
template <>
std::unique_ptr<RWVirtualOutStream> NewWriter<RWPortableOutStream>(std::streambuf* buffer, int) {
  return std::make_unique<RWPortableOutStream>(buffer);
}
template <>
std::unique_ptr<RWVirtualOutStream> NewWriter<RWByteOrderOutStream>(std::streambuf* buffer,
                                                                    int order) {
  return std::make_unique<RWByteOrderOutStream>(buffer, order);
}

template <typename Writer, typename Reader, int kOrder = 0>
void BM_WriteRecords(benchmark::State& state) {
  MemoryBuffer buffer(1 << 20);
  for (auto _ : state) {
    buffer.RewindForWriting();
    auto out = NewWriter<Writer>(&buffer, kOrder);
    WriteRecords(*out);
    benchmark::DoNotOptimize(out->Good());
  }
  state.SetItemsProcessed(state.iterations() * kRecords * kValuesPerRecord);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.Written()));
}

template <typename Writer, typename Reader, int kOrder = 0>
void BM_ReadRecords(benchmark::State& state) {
  MemoryBuffer buffer(1 << 20);
  buffer.RewindForWriting();
  WriteRecords(*NewWriter<Writer>(&buffer, kOrder));
  for (auto _ : state) {
    buffer.RewindForReading();
    Reader in(&buffer);
    ReadRecords(in);
    if (!in.Good()) {
      state.SkipWithError("read failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * kRecords * kValuesPerRecord);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.Written()));
}

template <typename Writer, typename Reader, int kOrder = 0>
void BM_IntArray(benchmark::State& state) {
  std::vector<int> values(kArrayLength);
  for (std::size_t k = 0; k < values.size(); ++k) {
    values[k] = static_cast<int>(k * 2654435761u);
  }
  MemoryBuffer buffer(1 << 20);
  for (auto _ : state) {
    buffer.RewindForWriting();
    NewWriter<Writer>(&buffer, kOrder)->Put(values.data(), values.size());
    buffer.RewindForReading();
    Reader in(&buffer);
    in.Get(values.data(), values.size());
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kArrayLength) * 2);
}

// The physical limit: the binary format's bytes of the records (or the array) copied once out and
// once back in.
void BM_MemcpyRecords(benchmark::State& state) {
  MemoryBuffer buffer(1 << 20);
  buffer.RewindForWriting();
  RWBinaryOutStream out(&buffer);
  WriteRecords(out);
  const std::size_t size = buffer.Written();
  std::vector<char> from(size, 1);
  std::vector<char> to(size);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRecords * kValuesPerRecord);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_MemcpyIntArray(benchmark::State& state) {
  std::vector<int> from(kArrayLength, 7);
  std::vector<char> bytes(kArrayLength * 4);
  for (auto _ : state) {
    std::memcpy(bytes.data(), from.data(), bytes.size());
    benchmark::ClobberMemory();
    std::memcpy(from.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kArrayLength) * 2);
}

}  // namespace

BENCHMARK(BM_MemcpyRecords);
BENCHMARK(BM_WriteRecords<RWBinaryOutStream, RWBinaryInStream>)->Name("BM_WriteRecords/Binary");
BENCHMARK(BM_ReadRecords<RWBinaryOutStream, RWBinaryInStream>)->Name("BM_ReadRecords/Binary");
BENCHMARK(BM_WriteRecords<RWByteOrderOutStream, RWByteOrderInStream, 2>)
    ->Name("BM_WriteRecords/ByteOrderHost");
BENCHMARK(BM_ReadRecords<RWByteOrderOutStream, RWByteOrderInStream, 2>)
    ->Name("BM_ReadRecords/ByteOrderHost");
BENCHMARK(BM_WriteRecords<RWByteOrderOutStream, RWByteOrderInStream, 1>)
    ->Name("BM_WriteRecords/ByteOrderBig");
BENCHMARK(BM_ReadRecords<RWByteOrderOutStream, RWByteOrderInStream, 1>)
    ->Name("BM_ReadRecords/ByteOrderBig");
BENCHMARK(BM_WriteRecords<RWPortableOutStream, RWPortableInStream>)
    ->Name("BM_WriteRecords/Portable");
BENCHMARK(BM_ReadRecords<RWPortableOutStream, RWPortableInStream>)->Name("BM_ReadRecords/Portable");
BENCHMARK(BM_MemcpyIntArray);
BENCHMARK(BM_IntArray<RWBinaryOutStream, RWBinaryInStream>)->Name("BM_IntArray/Binary");
BENCHMARK(BM_IntArray<RWByteOrderOutStream, RWByteOrderInStream, 1>)
    ->Name("BM_IntArray/ByteOrderBig");
BENCHMARK(BM_IntArray<RWPortableOutStream, RWPortableInStream>)->Name("BM_IntArray/Portable");
