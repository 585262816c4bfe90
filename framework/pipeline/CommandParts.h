// Parts shared by the command and attribute classes: the level bundle of document and page
// commands, the stored form of a class that adds nothing but its class version word, and that of a
// class that adds its word and a few fixed-width fields.
#pragma once

#include <cstdint>
#include <tuple>

#include "framework/core/ClassVersion.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/StoredFields.h"
#include "rw/rwstore.h"

class GCommand;
class GState;

namespace vel {

// The bundle a document or page command starts with: `bundle` with its key set to `level`, or,
// when null, a new GState with that key (null when memory is short).
GState* LevelBundle(GState* bundle, std::uint32_t level);

// SetGraphicBundle of a document or page command: nothing for null or the bundle already held; a
// kind of GState gets key `level` and becomes the bundle; anything else is refused (destroyed
// unless a counted reference holds it) and the bundle stays.
void SetLevelBundle(GCommand& command, GBaseObject* bundle, std::uint32_t level);

// The stored-size pass of a command's StoredByteCount. Counted on its own (outside any record), the
// command enters itself in the pass first, as its record would, so the records it holds count as
// nested ones (no file magic) and a reference back to it counts as a reference.
class StoredSizeScope {
 public:
  explicit StoredSizeScope(const RWCollectable* object);
  StoredSizeScope(const StoredSizeScope&) = delete;
  StoredSizeScope& operator=(const StoredSizeScope&) = delete;

 private:
  RWSaveTableScope scope_;
};

// The same for a command's SaveContents: saved on its own, the command enters itself first, so the
// bytes are those its record holds (and StoredByteCount counts).
class SaveScope {
 public:
  explicit SaveScope(const RWCollectable* object);
  SaveScope(const SaveScope&) = delete;
  SaveScope& operator=(const SaveScope&) = delete;

 private:
  RWSaveTableScope scope_;
};

// The counterpart of SaveScope for a RestoreContents: read on its own, the object enters itself
// first and its record stays open while its contents are read, as the record around it would be,
// so the records it holds read as nested ones (no file magic), all in one restore, and a reference
// back to it names it. Where a class saves under a SaveScope, its restore reads under this one.
// Inside a record (or another restore) it does nothing. When the carrier has failed by the end of
// the scope, what the contents gave the object is unwound as for a failed record restored into it;
// a carrier that has already failed is left alone.
template <typename Carrier>
class RestoreScope {
 public:
  RestoreScope(RWCollectable* object, Carrier& carrier) : carrier_(carrier) {
    RWLoadTable* table = scope_.Table();
    if (!scope_.IsOwner() || table == nullptr || !CarrierGood(carrier)) {
      return;
    }
    index_ = table->Count();
    if (!table->AppendObject(object, false) || !table->BeginRecord(index_)) {
      FailCarrier(carrier);
      return;
    }
    open_ = true;
  }
  ~RestoreScope() {
    if (!open_) {
      return;
    }
    if (CarrierGood(carrier_)) {
      scope_.Table()->EndRecord(index_);
    } else {
      scope_.Table()->FailRecord(index_);
    }
  }
  RestoreScope(const RestoreScope&) = delete;
  RestoreScope& operator=(const RestoreScope&) = delete;

 private:
  RWLoadTableScope scope_;
  Carrier& carrier_;
  std::uint32_t index_ = 0;
  bool open_ = false;
};

// The stored form of a class whose own part is only its class version word: the base's part, then
// the word. A restore reads the base's part and then checks the word.
template <typename Base, typename Carrier>
void SaveVersionAfter(const Base& self, Carrier& carrier) {
  const SaveScope scope(&self);
  self.Base::SaveContents(carrier);
  WriteClassVersion(carrier);
}

template <typename Base, typename Carrier>
void RestoreVersionAfter(Base& self, Carrier& carrier) {
  const RestoreScope scope(&self, carrier);
  self.Base::RestoreContents(carrier);
  if (CarrierGood(carrier)) {
    (void)ReadClassVersion(carrier);
  }
}

// The stored form of a class whose own part is its class version word and fixed-width fields
// (StoredFields.h): the base's part, the word, the fields in order. A restore reads the base's
// part, checks the word and reads every field; it takes the fields only when all of them were
// read, else it fails the carrier and leaves them as they were.
template <typename Base, typename Carrier, typename... Fields>
void SaveFieldsAfter(const Base& self, Carrier& carrier, const Fields&... fields) {
  self.Base::SaveContents(carrier);
  WriteClassVersion(carrier);
  (WriteField(carrier, fields), ...);
}

template <typename Base, typename Carrier, typename... Fields>
void RestoreFieldsAfter(Base& self, Carrier& carrier, Fields&... fields) {
  self.Base::RestoreContents(carrier);
  if (!CarrierGood(carrier) || !ReadClassVersion(carrier)) {
    return;
  }
  std::tuple<Fields...> read{fields...};
  const bool good =
      std::apply([&carrier](auto&... field) { return (ReadField(carrier, field) && ...); }, read);
  if (!good) {
    FailCarrier(carrier);
    return;
  }
  std::tie(fields...) = read;
}

}  // namespace vel
