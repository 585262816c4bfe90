// GFontDatabase.
#include "framework/output/fonts/GFontDatabase.h"

#include <atomic>
#include <new>

#include "framework/core/StringWidth.h"
#include "framework/output/fonts/FontDevices.h"
#include "framework/output/fonts/GFontImp.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "vel_flavour.h"

namespace {

std::atomic<std::uint32_t> g_next_font_id{0};

GFontImp* AsImplementation(RWCollectable* object) {
  return static_cast<GFontImp*>(static_cast<GBaseObject*>(object));
}

// The verdicts of the table on its entries (see GObjectCache's states).
std::uint32_t TableState(RWCollectable* first, RWCollectable* second, std::uint32_t state) {
  switch (state) {
    case 1: {  // purge: keep what a font still holds
      GFontImp* held = AsImplementation(second);
      if (held->FontReferences() != 1) {
        return 0;
      }
      held->SetFontReferences(0);
      return 1;
    }
    case 2:
      return 1;
    case 3:  // a restored implementation for a new id: the table's reference
      AsImplementation(first)->SetFontReferences(1);
      return 1;
    case 5: {  // a restored implementation meets the held one of its id
      GFontImp* restored = AsImplementation(first);
      GFontImp* held = AsImplementation(second);
      if (held->GetChangeCount() >= restored->GetChangeCount()) {
        return 0;
      }
      if (held->FontReferences() < 2) {
        // Only the table holds the old copy: the restored one takes its place.
        held->DropFontReference();
        restored->SetFontReferences(1);
        return 1;
      }
      held->Merge(*restored);
      held->SetChangeCount(restored->GetChangeCount());
      return 0;
    }
    case 6:
      return AsImplementation(second)->IsSameKey(AsImplementation(first)) ? 1 : 0;
    default:
      return 0;
  }
}

// Which implementations a font file carries: those marked for saving, unmarked once written.
std::uint32_t SaveFilter(RWCollectable* value, std::uint32_t state, void* /*user_data*/) {
  GFontImp* implementation = AsImplementation(value);
  if (state == 2) {
    implementation->ClearSaveFlag();
    return 0;
  }
  return implementation->GetSaveFlag() == 1 ? 1 : 0;
}

}  // namespace

GFontDatabase::GFontDatabase(GRenderDevice* owner)
    : cache_(&TableState, GFontImp::ClassId()), owner_(owner) {}

GFontDatabase::~GFontDatabase() {
  Flush();
}

std::uint32_t GFontDatabase::NextFontId() {
  return g_next_font_id.fetch_add(1);
}

std::uint32_t GFontDatabase::OwnerId() const {
  return vel::RenderDeviceCookie(owner_);
}

int GFontDatabase::Add(GFontImp* implementation) {
  if (implementation == nullptr) {
    return 0;
  }
  if (cache_.Contains(implementation->GetFontId()) != 0) {
    return 1;
  }
  if (cache_.Insert(implementation->GetFontId(), implementation) == 0) {
    return 0;
  }
  implementation->AddFontReference();
  return 1;
}

GFontImp* GFontDatabase::Find(std::uint32_t font_id, std::uint32_t change_count) {
  RWCollectable* found = cache_.Find(font_id);
  if (found == nullptr) {
    return nullptr;
  }
  GFontImp* implementation = AsImplementation(found);
  if (implementation->GetChangeCount() < change_count) {
    return nullptr;
  }
  implementation->AddFontReference();
  return implementation;
}

GFontImp* GFontDatabase::Remove(std::uint32_t font_id) {
  RWCollectable* removed = cache_.Remove(font_id);
  return removed != nullptr ? AsImplementation(removed) : nullptr;
}

int GFontDatabase::Release(std::uint32_t font_id) {
  GFontImp* implementation = Remove(font_id);
  if (implementation == nullptr) {
    return 0;
  }
  if (implementation->DropFontReference() <= 0) {
    delete implementation;
  }
  return 1;
}

int GFontDatabase::Contains(std::uint32_t font_id) const {
  return cache_.Contains(font_id);
}

std::uint32_t GFontDatabase::Count() const {
  return cache_.Count();
}

int GFontDatabase::AddFontFile(const RWWString& name) {
  RWCString narrow;
  (void)NarrowString(name, narrow);
  int result = 0;
  {
    RWBinaryFile file(narrow.Data(), "wb");
    if (!file.IsOpen()) {
      return 0;
    }
    // The file is written anew: what was read from it before is no longer what it holds, so the
    // next selection of that name reads it again.
    if (current_file_ == name) {
      current_file_ = RWWString();
    }
    GTTFontPool* pool = GTTFontPool::Instance();
    result = pool != nullptr ? pool->Save(file, OwnerId()) : 1;
    if (result == 1) {
      result = cache_.Save(file, &SaveFilter, nullptr);
    }
    if (result == 1) {
      result = file.Flush() && !file.Error() ? 1 : 0;
    }
  }
  if (result == 1) {
    Purge();
  }
  if (auto* written = new (std::nothrow) WrittenFile{written_, name}) {
    written_ = written;
  }
  return result;
}

int GFontDatabase::SelectFontFile(const RWWString& name) {
  if (current_file_.Length() != 0 && current_file_ == name) {
    return 1;
  }
  RWCString narrow;
  (void)NarrowString(name, narrow);
  RWBinaryFile file(narrow.Data(), "rb");
  if (!file.IsOpen()) {
    return 0;
  }
  Purge();
  GTTFontPool* pool = GTTFontPool::Instance();
  int result = pool != nullptr ? pool->Restore(file) : 1;
  if (result == 1) {
    result = cache_.Restore(file);
  }
  current_file_ = result == 1 ? name : RWWString();
  return result;
}

int GFontDatabase::Save(RWVirtualOutStream& stream) {
  GTTFontPool* pool = GTTFontPool::Instance();
  const int result = pool != nullptr ? pool->Save(stream, OwnerId()) : 1;
  if (result != 1) {
    return result;
  }
  return cache_.Save(stream, &SaveFilter, nullptr);
}

int GFontDatabase::Restore(RWVirtualInStream& stream) {
  Purge();
  GTTFontPool* pool = GTTFontPool::Instance();
  const int result = pool != nullptr ? pool->Restore(stream) : 1;
  if (result != 1) {
    return result;
  }
  return cache_.Restore(stream);
}

void GFontDatabase::Purge() {
  cache_.Purge();
  if (GTTFontPool* pool = GTTFontPool::Instance()) {
    pool->Purge(OwnerId());
  }
}

void GFontDatabase::Flush() {
  std::uint32_t* keys = nullptr;
  const std::uint32_t count = cache_.Keys(keys);
  for (std::uint32_t i = 0; i < count; ++i) {
    (void)Release(keys[i]);
  }
  delete[] keys;
  if (GTTFontPool* pool = GTTFontPool::Instance()) {
    pool->Purge(OwnerId());
  }
  while (written_ != nullptr) {
    WrittenFile* next = written_->next;
    RWCString narrow;
    (void)NarrowString(written_->name, narrow);
    (void)vel::flavour::FileRemove(narrow.Data());
    delete written_;
    written_ = next;
  }
  current_file_ = RWWString();
}
