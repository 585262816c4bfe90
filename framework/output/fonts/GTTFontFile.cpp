// GTTFontFile.
#include "framework/output/fonts/GTTFontFile.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GTTFontFile::GTTFontFile(GTTFontPool* pool, GTTFontReader* reader)
    : reader_(reader), pool_(pool) {
  if (reader_ != nullptr) {
    reader_->Lock();
    reader_->SetReferenceCount(static_cast<std::int16_t>(reader_->GetReferenceCount() + 1));
    reader_->Unlock();
  }
}

GTTFontFile::GTTFontFile(const GTTFontFile& other)
    : GTTFontFile(other.pool_, other.reader_) {
  GBaseObject::operator=(other);
}

GTTFontFile::~GTTFontFile() {
  LetGo();
}

void GTTFontFile::LetGo() {
  GTTFontReader* reader = reader_;
  reader_ = nullptr;
  if (reader == nullptr) {
    return;
  }
  if (pool_ != nullptr) {
    (void)pool_->Release(reader);
    return;
  }
  reader->Lock();
  const auto count = static_cast<std::int16_t>(reader->GetReferenceCount() - 1);
  reader->SetReferenceCount(count);
  reader->Unlock();
  if (count <= 0) {
    delete reader;
  }
}

RWClassID GTTFontFile::ClassId() {
  return vel::classid::kGTTFontFile;
}

RWCollectable* GTTFontFile::Create() {
  return new (std::nothrow) GTTFontFile;
}

RWCollectable* GTTFontFile::CreateInstance() const {
  return Create();
}

RWCollectable* GTTFontFile::Clone() const {
  return new (std::nothrow) GTTFontFile(*this);
}

RWClassID GTTFontFile::IsA() const {
  return ClassId();
}

bool GTTFontFile::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GTTFontFile::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  GTTFontReader* a = reader_;
  GTTFontReader* b = static_cast<const GTTFontFile*>(other)->reader_;
  if (a == b) {
    return true;
  }
  if (a == nullptr || b == nullptr) {
    return false;
  }
  // Two readers are locked in address order, so that two comparisons never wait on each other.
  GTTFontReader* first = a < b ? a : b;
  GTTFontReader* second = a < b ? b : a;
  first->Lock();
  second->Lock();
  const bool same = a->IsSameKey(b);
  second->Unlock();
  first->Unlock();
  return same;
}

template <typename Result, typename Call>
Result GTTFontFile::Locked(Result fallback, Call call) {
  if (reader_ == nullptr) {
    return fallback;
  }
  reader_->Lock();
  const Result result = call(*reader_);
  reader_->Unlock();
  return result;
}

int GTTFontFile::HasRequiredTables(GTTFontHandle font) {
  return Locked(0, [&](GTTFontReader& r) { return r.HasRequiredTables(font); });
}

std::uint32_t GTTFontFile::ReadTableData(GTTFontHandle font, std::uint32_t index,
                                         std::uint32_t offset, bool cache, std::uint8_t* buffer,
                                         std::uint32_t length) {
  return Locked(std::uint32_t{0}, [&](GTTFontReader& r) {
    return r.ReadTableData(font, index, offset, cache, buffer, length);
  });
}

std::uint32_t GTTFontFile::GetTable(GTTFontHandle font, std::uint32_t index, bool cache,
                                    GMemoryBlock*& block) {
  block = nullptr;
  return Locked(std::uint32_t{0},
                [&](GTTFontReader& r) { return r.GetTable(font, index, cache, block); });
}

std::uint32_t GTTFontFile::GetTableSize(GTTFontHandle font, std::uint32_t index) {
  return Locked(std::uint32_t{0}, [&](GTTFontReader& r) { return r.GetTableSize(font, index); });
}

std::uint32_t GTTFontFile::GetGlyphData(GTTFontHandle font, bool cache, std::uint16_t glyph,
                                        GMemoryBlock*& block) {
  block = nullptr;
  return Locked(std::uint32_t{0},
                [&](GTTFontReader& r) { return r.GetGlyphData(font, cache, glyph, block); });
}

std::uint16_t GTTFontFile::MapCharToGlyph(GTTFontHandle font, bool vertical, std::uint16_t code,
                                          std::uint32_t char_set) {
  return Locked(std::uint16_t{0}, [&](GTTFontReader& r) {
    return r.MapCharToGlyph(font, vertical, code, char_set);
  });
}

int GTTFontFile::CacheGlyph(GTTFontHandle font, std::uint16_t glyph) {
  return Locked(0, [&](GTTFontReader& r) { return r.CacheGlyph(font, glyph); });
}

int GTTFontFile::Preload(GTTFontHandle font, std::uint32_t char_set) {
  return Locked(0, [&](GTTFontReader& r) { return r.Preload(font, char_set); });
}

int GTTFontFile::GetNumGlyphs(GTTFontHandle font, std::uint16_t& count) {
  return Locked(0, [&](GTTFontReader& r) { return r.GetNumGlyphs(font, count); });
}

int GTTFontFile::GetTypoDescender(GTTFontHandle font, std::int16_t& descender) {
  return Locked(0, [&](GTTFontReader& r) { return r.GetTypoDescender(font, descender); });
}

int GTTFontFile::GetHMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                             std::int16_t& bearing) {
  return Locked(0, [&](GTTFontReader& r) { return r.GetHMetrics(font, glyph, advance, bearing); });
}

int GTTFontFile::GetVMetrics(GTTFontHandle font, std::uint16_t glyph, std::uint16_t& advance,
                             std::int16_t& bearing) {
  return Locked(0, [&](GTTFontReader& r) { return r.GetVMetrics(font, glyph, advance, bearing); });
}

std::int32_t GTTFontFile::PlatformOperation1(GTTFontHandle font, std::uint32_t first,
                                             std::uint32_t second, void* data) {
  return Locked(std::int32_t{0}, [&](GTTFontReader& r) {
    return r.PlatformOperation1(font, first, second, data);
  });
}

std::int32_t GTTFontFile::PlatformOperation2(GTTFontHandle font, std::uint32_t first,
                                             std::uint32_t second, void* data) {
  return Locked(std::int32_t{0}, [&](GTTFontReader& r) {
    return r.PlatformOperation2(font, first, second, data);
  });
}

int GTTFontFile::RequestSave(std::uint32_t owner) {
  if (reader_ == nullptr) {
    return 0;
  }
  reader_->Lock();
  (void)reader_->AddSaveRequest(owner);
  reader_->Unlock();
  return pool_ != nullptr ? pool_->Add(reader_) : 0;
}

std::uint32_t GTTFontFile::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 12;
}

template <typename Carrier>
void GTTFontFile::Save(Carrier& carrier) const {
  std::uint32_t font_id = kNoReader;
  std::uint32_t change_count = kNoReader;
  if (reader_ != nullptr) {
    reader_->Lock();
    font_id = reader_->GetFontId();
    change_count = reader_->GetChangeCount();
    reader_->Unlock();
  }
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, font_id);
  vel::WriteField(carrier, change_count);
}

template <typename Carrier>
void GTTFontFile::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t font_id = 0;
  std::uint32_t change_count = 0;
  if (!vel::ReadField(carrier, font_id) || !vel::ReadField(carrier, change_count)) {
    vel::FailCarrier(carrier);
    return;
  }
  LetGo();
  pool_ = GTTFontPool::Instance();
  if (pool_ == nullptr || (font_id == kNoReader && change_count == kNoReader)) {
    return;
  }
  reader_ = pool_->Lookup(font_id, change_count);
}

void GTTFontFile::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTTFontFile::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GTTFontFile::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTTFontFile::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
