// The memory font reader and the test pool.
#include "tests/support/FwMemoryFontReader.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "framework/output/fonts/TrueTypeData.h"
#include "rw/RWFactory.h"

namespace vel::test {

MemoryFontReader::MemoryFontReader(std::vector<std::uint8_t> image, std::uint32_t face)
    : GTTFontReader(), image_(std::move(image)) {
  ParseDirectory(face);
}

MemoryFontReader::MemoryFontReader(std::vector<std::uint8_t> image, std::uint32_t face,
                                   std::uint32_t font_id)
    : GTTFontReader(font_id), image_(std::move(image)) {
  ParseDirectory(face);
}

RWCollectable* MemoryFontReader::Create() {
  return new (std::nothrow) MemoryFontReader;
}

void MemoryFontReader::Register() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const RWClassRegistration entry{&Create, kClassId, ClassName()};
    RWRegisterClasses(&entry, 1);
  });
}

void MemoryFontReader::ParseDirectory(std::uint32_t face) {
  const truetype::ByteView file(image_.data(), static_cast<std::uint32_t>(image_.size()));
  std::uint32_t start = 0;
  std::uint32_t tag = 0;
  if (!file.U32(0, tag)) {
    return;
  }
  if (tag == truetype::Tag("ttcf")) {
    std::uint32_t faces = 0;
    if (!file.U32(8, faces) || face >= faces || !file.U32(12 + 4ull * face, start)) {
      return;
    }
  }
  std::uint16_t count = 0;
  if (!file.U16(std::uint64_t{start} + 4, count)) {
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t entry = std::uint64_t{start} + 12 + 16ull * i;
    std::uint32_t table_tag = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    if (!file.U32(entry, table_tag) || !file.U32(entry + 8, offset) ||
        !file.U32(entry + 12, length)) {
      return;
    }
    if (file.Has(offset, length)) {
      tables_.emplace(table_tag, Table{offset, length});
    }
  }
}

const MemoryFontReader::Table* MemoryFontReader::Find(std::uint32_t tag) const {
  auto at = tables_.find(tag);
  return at == tables_.end() ? nullptr : &at->second;
}

std::int32_t MemoryFontReader::PlatformOperation1(GTTFontHandle font, std::uint32_t first,
                                                  std::uint32_t second, void*) {
  last_handle_ = font;
  return static_cast<std::int32_t>(first + second);
}

std::int32_t MemoryFontReader::PlatformOperation2(GTTFontHandle font, std::uint32_t first,
                                                  std::uint32_t second, void*) {
  last_handle_ = font;
  return static_cast<std::int32_t>(first - second);
}

std::uint32_t MemoryFontReader::GetTableLength(GTTFontHandle font, std::uint32_t tag) {
  last_handle_ = font;
  ++calls_.table_length;
  const Table* table = Find(tag);
  return table == nullptr ? 0 : table->length;
}

std::uint32_t MemoryFontReader::ReadTable(GTTFontHandle font, std::uint32_t tag,
                                          GMemoryBlock*& block, std::uint32_t length) {
  last_handle_ = font;
  ++calls_.read_table;
  calls_.whole_tags.push_back(tag);
  block = nullptr;
  const Table* table = Find(tag);
  if (table == nullptr || length > table->length) {
    return 0;
  }
  const std::uint32_t n = length > short_by_ ? length - short_by_ : 0;
  auto* data = new (std::nothrow) std::uint8_t[length == 0 ? 1 : length]();
  if (data == nullptr) {
    return 0;
  }
  std::memcpy(data, image_.data() + table->offset, n);
  block = new (std::nothrow) GMemoryBlock(data, length, true);
  if (block == nullptr) {
    delete[] data;
    return 0;
  }
  return n;
}

std::uint32_t MemoryFontReader::ReadTableRange(GTTFontHandle font, std::uint32_t tag,
                                               std::uint32_t offset, std::uint8_t* buffer,
                                               std::uint32_t length) {
  last_handle_ = font;
  ++calls_.read_range;
  calls_.range_tags.push_back(tag);
  const Table* table = Find(tag);
  if (table == nullptr || offset > table->length) {
    return 0;
  }
  std::uint32_t n = std::min(length, table->length - offset);
  n = n > short_by_ ? n - short_by_ : 0;
  std::memcpy(buffer, image_.data() + table->offset + offset, n);
  return n;
}

GTTFontFile* TestFontPool::OpenFontFile(void* font_object) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> hold(mutex);
  const auto* source = static_cast<const FontSource*>(font_object);
  const auto key = std::make_pair(source->path, source->face);
  auto known = ids_.find(key);
  if (known != ids_.end()) {
    if (GTTFontReader* reader = Lookup(known->second, 0)) {
      GTTFontFile* file = NewFontFile(reader);
      // The handle holds its own reference: give back the one Lookup added.
      reader->Lock();
      reader->SetReferenceCount(static_cast<std::int16_t>(reader->GetReferenceCount() - 1));
      reader->Unlock();
      return file;
    }
  }
  auto* reader = new (std::nothrow)
      MemoryFontReader(source->image != nullptr ? *source->image : std::vector<std::uint8_t>{},
                       source->face);
  if (reader == nullptr) {
    return nullptr;
  }
  (void)Add(reader);
  ids_[key] = reader->GetFontId();
  return NewFontFile(reader);
}

}  // namespace vel::test
