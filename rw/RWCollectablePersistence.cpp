// Object records: saving an object graph to a virtual stream or a binary file and restoring it.
//
// Record on a virtual stream (each item one put of the stream's own format):
//
//   new object, numeric class id      ':'  u16 id       '{'  contents  '}'
//   new object, class by new name     ':'  u16 0x888F  name (u32 length, then the string)
//                                                       '{'  contents  '}'
//   new object, class by known name   ':'  u16 0x888E  i32 index of the name  '{' contents '}'
//   object already written, or null   '@'  i32 index (0 = the nil object = null)
//
// Record in a binary file (little-endian, no braces):
//
//   outermost object of a save        u32 0x8888 (88 88 00 00), then one of the rows below
//                                     (the magic goes before the first record of a table: the
//                                     outermost one, unless several records share one table)
//   new object, numeric class id      u16 id, contents
//   new object, class by new name     u16 0x888F, u32 length, the name's bytes, contents
//   new object, class by known name   u16 0x888E, i32 index of the name, contents
//   object already written, or null   u16 0xFFFF, i32 index
//
// Classes with ids 0x9000..0xF000 are written by their name (their string id in the class
// factory); all others by their number. Example: X (id 900) holding the int 7, a pointer to Y
// (id 901), the same pointer again and a null pointer, saved to a binary file:
// 88 88 00 00  84 03  07 00 00 00  85 03  FF FF 02 00 00 00  FF FF 00 00 00 00.
//
// A restore that fails (bad data, a class the factory cannot make, corrupt framing, truncation)
// fails the stream or file, frees what it made for the records it was reading (rw/rwstore.h) and
// answers null. Only [REF], [NOCREATE] and [MAGIC] are reported to the error hook; syntax errors
// only fail the stream.
#include <cassert>
#include <cstring>
#include <optional>

#include "rw/RWBinaryFile.h"
#include "rw/RWCollectable.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

constexpr char kNewObject = ':';
constexpr char kReference = '@';
constexpr char kOpen = '{';
constexpr char kClose = '}';
constexpr unsigned short kNewName = 0x888F;
constexpr unsigned short kKnownName = 0x888E;
constexpr unsigned short kFileReference = 0xFFFF;
constexpr std::uint32_t kFileMagic = 0x8888;
// A stored class name longer than this is corrupt data.
constexpr std::uint32_t kMaxClassNameLength = 1024;

void Fail(RWVirtualInStream& stream) {
  stream.SetStatus(stream.Status() | kRWStreamFail);
}

void Fail(RWVirtualOutStream& stream) {
  stream.SetStatus(stream.Status() | kRWStreamFail);
}

bool Failed(const RWBinaryFile& file) {
  return file.Eof() || file.Error();
}

void BadReference() {
  RWRaiseData(RWTOOL_REF());
}

// ---------------------------------------------------------------------------------------------
// Saving

// The record header of a new object, up to its contents. False when the table ran out of memory.
bool WriteNewHeader(RWVirtualOutStream& stream, RWSaveTable& table, RWClassID id) {
  stream.Put(kNewObject);
  if (!RWCollectable::IsStringIdClass(id)) {
    stream.Put(static_cast<unsigned short>(id));
    return true;
  }
  const RWStringID name = ClassIdToStringId(id);
  std::uint32_t index = 0;
  switch (table.Add(name, index)) {
    case RWSaveTable::Outcome::kNoMemory:
      return false;
    case RWSaveTable::Outcome::kKnown:
      stream.Put(kKnownName);
      stream.Put(static_cast<int>(index));
      return true;
    case RWSaveTable::Outcome::kNew:
      stream.Put(kNewName);
      name.SaveOn(stream);
      return true;
  }
  return false;
}

bool WriteNewHeader(RWBinaryFile& file, RWSaveTable& table, RWClassID id) {
  if (!RWCollectable::IsStringIdClass(id)) {
    (void)file.Write(static_cast<unsigned short>(id));
    return true;
  }
  const RWStringID name = ClassIdToStringId(id);
  std::uint32_t index = 0;
  switch (table.Add(name, index)) {
    case RWSaveTable::Outcome::kNoMemory:
      return false;
    case RWSaveTable::Outcome::kKnown:
      (void)file.Write(kKnownName);
      (void)file.Write(static_cast<int>(index));
      return true;
    case RWSaveTable::Outcome::kNew:
      (void)file.Write(kNewName);
      (void)name.SaveOn(file);
      return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Restoring

// What the caller of a record restore expects.
struct Target {
  // Restoring a pointer: the object the pointer holds (null or the object a reference must name).
  // Restoring into an object: that object, which a new record fills.
  RWCollectable* object;
  bool into;
};

// Resolves '@' k (0xFFFF k in a file). Null for the nil object; false for a bad reference.
bool ResolveReference(RWLoadTable& table,
                      std::int32_t k,
                      const Target& target,
                      RWCollectable*& object) {
  RWCollectable* found = nullptr;
  if (!table.ResolveObject(k, found)) {
    return false;
  }
  if (target.object != nullptr && found != target.object) {
    return false;
  }
  object = found == RWNilObject() ? nullptr : found;
  return true;
}

// Makes (or takes) the object of a new record and enters it, then reads its contents through
// `read_contents` and `close`. Returns the object, or null after a failure (the table has freed
// what the record made).
template <typename Carrier, typename Close>
RWCollectable* ReadNewObject(Carrier& carrier,
                             RWLoadTable& table,
                             const Target& target,
                             RWClassID id,
                             const RWStringID* new_name,
                             Close close) {
  RWCollectable* object = target.into ? target.object : nullptr;
  const bool made = object == nullptr;
  if (made) {
    object = new_name != nullptr ? CreateByStringId(*new_name) : CreateByClassId(id);
    if (object == nullptr) {
      const RWClassID reported = new_name != nullptr ? StringIdToClassId(*new_name) : id;
      RWRaiseData(RWTOOL_NOCREATE(), static_cast<unsigned>(reported),
                  static_cast<unsigned>(reported));
      return nullptr;
    }
  }
  const std::uint32_t index = table.Count();
  if (!table.AppendObject(object, made)) {
    if (made) {
      delete object;
    }
    return nullptr;
  }
  if (!table.BeginRecord(index)) {
    table.FailRecord(index);  // nested too deep
    return nullptr;
  }
  if (new_name != nullptr) {
    const RWClassID named_id = made ? object->IsA() : StringIdToClassId(*new_name);
    if (!table.AppendClassId(named_id)) {
      table.FailRecord(index);
      return nullptr;
    }
  }
  object->RestoreContents(carrier);
  if (!close()) {
    table.FailRecord(index);
    return nullptr;
  }
  table.EndRecord(index);
  return object;
}

bool ReadName(RWVirtualInStream& stream, RWStringID& name) {
  unsigned int length = 0;
  stream.Get(length);
  if (!stream.Good() || length > kMaxClassNameLength) {
    return false;
  }
  char text[kMaxClassNameLength + 1] = {};
  if (stream.Version() != 0) {
    stream.GetString(text, length + 1);
  } else {
    stream.Get(text, length);
  }
  if (!stream.Good() || std::strlen(text) != length) {
    return false;
  }
  name = RWStringID(text, length);
  return true;
}

bool ReadName(RWBinaryFile& file, RWStringID& name) {
  std::uint32_t length = 0;
  if (!file.Read(length) || length > kMaxClassNameLength) {
    return false;
  }
  char text[kMaxClassNameLength + 1] = {};
  if (!file.Read(text, length)) {
    return false;
  }
  name = RWStringID(text, length);
  return true;
}

// One record from a virtual stream. Returns the object restored or referenced (null for the nil
// object); `ok` is false after a failure and at the end of data.
RWCollectable* Restore(RWVirtualInStream& stream, const Target& target, bool& ok) {
  ok = false;
  if (!stream.Good()) {
    return nullptr;
  }
  RWLoadTableScope scope;
  RWLoadTable* table = scope.Table();
  if (table == nullptr) {
    Fail(stream);
    return nullptr;
  }
  char mark = 0;
  stream.Get(mark);
  if (stream.Eof()) {
    return nullptr;  // no record: the end of data
  }
  if (!stream.Good()) {
    Fail(stream);
    return nullptr;
  }
  if (mark == kReference) {
    int k = 0;
    stream.Get(k);
    if (!stream.Good()) {
      Fail(stream);
      return nullptr;
    }
    RWCollectable* object = nullptr;
    if (!ResolveReference(*table, k, target, object)) {
      BadReference();
      Fail(stream);
      return nullptr;
    }
    ok = true;
    return object;
  }
  if (mark != kNewObject) {
    Fail(stream);
    return nullptr;
  }
  unsigned short id = 0;
  stream.Get(id);
  if (!stream.Good()) {
    Fail(stream);
    return nullptr;
  }
  // Made only for a class named in the record (a default string id costs an allocation).
  std::optional<RWStringID> name;
  const RWStringID* new_name = nullptr;
  if (id == kNewName) {
    name.emplace();
    if (!ReadName(stream, *name)) {
      Fail(stream);
      return nullptr;
    }
    new_name = &*name;
  } else if (id == kKnownName) {
    int k = 0;
    stream.Get(k);
    if (!stream.Good()) {
      Fail(stream);
      return nullptr;
    }
    RWClassID known = 0;
    if (!table->ResolveClassId(k, known)) {
      BadReference();
      Fail(stream);
      return nullptr;
    }
    id = known;
  }
  stream.Get(mark);
  if (!stream.Good() || mark != kOpen) {
    Fail(stream);
    return nullptr;
  }
  RWCollectable* object = ReadNewObject(stream, *table, target, id, new_name, [&stream] {
    if (!stream.Good()) {
      return false;
    }
    char close = 0;
    stream.Get(close);
    return stream.Good() && close == kClose;
  });
  if (object == nullptr) {
    Fail(stream);
    return nullptr;
  }
  ok = true;
  return object;
}

// One record from a binary file; as above.
RWCollectable* Restore(RWBinaryFile& file, const Target& target, bool& ok) {
  ok = false;
  if (Failed(file)) {
    return nullptr;
  }
  RWLoadTableScope scope;
  RWLoadTable* table = scope.Table();
  if (table == nullptr) {
    file.SetError();
    return nullptr;
  }
  if (table->Count() == 1) {
    std::uint32_t magic = 0;
    if (!file.Read(magic)) {
      return nullptr;  // the end of data, or a read error
    }
    if (magic != kFileMagic) {
      RWRaiseInternal(RWTOOL_MAGIC(), static_cast<long>(magic), static_cast<long>(kFileMagic));
      file.SetError();
      return nullptr;
    }
  }
  unsigned short id = 0;
  if (!file.Read(id)) {
    return nullptr;
  }
  if (id == kFileReference) {
    std::int32_t k = 0;
    if (!file.Read(k)) {
      return nullptr;
    }
    RWCollectable* object = nullptr;
    if (!ResolveReference(*table, k, target, object)) {
      BadReference();
      file.SetError();
      return nullptr;
    }
    ok = true;
    return object;
  }
  // Made only for a class named in the record (a default string id costs an allocation).
  std::optional<RWStringID> name;
  const RWStringID* new_name = nullptr;
  if (id == kNewName) {
    name.emplace();
    if (!ReadName(file, *name)) {
      file.SetError();
      return nullptr;
    }
    new_name = &*name;
  } else if (id == kKnownName) {
    std::int32_t k = 0;
    if (!file.Read(k)) {
      return nullptr;
    }
    RWClassID known = 0;
    if (!table->ResolveClassId(k, known)) {
      BadReference();
      file.SetError();
      return nullptr;
    }
    id = known;
  }
  RWCollectable* object =
      ReadNewObject(file, *table, target, id, new_name, [&file] { return !Failed(file); });
  if (object == nullptr) {
    file.SetError();
    return nullptr;
  }
  ok = true;
  return object;
}

template <typename Carrier>
RWCollectable* RestoreTyped(Carrier& carrier, RWClassTest is_wanted, void (*fail)(Carrier&)) {
  RWRestoredMember member(carrier, nullptr);
  RWCollectable* object = member.Object();
  if (object == nullptr || is_wanted(object)) {
    member.Keep(RWHold::kHolds);
    return object;
  }
  member.Keep(RWHold::kRefuses);
  fail(carrier);
  return nullptr;
}

void FailFile(RWBinaryFile& file) {
  file.SetError();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Members and operators

void RWCollectable::SaveObject(RWVirtualOutStream& stream) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  RWSaveTable* table = scope.Table();
  if (table == nullptr) {
    Fail(stream);
    return;
  }
  assert(table->GetPurpose() == RWSaveTable::Purpose::kSave && "a save inside a stored-size pass");
  std::uint32_t index = 0;
  switch (table->Add(this, index)) {
    case RWSaveTable::Outcome::kNoMemory:
      Fail(stream);
      return;
    case RWSaveTable::Outcome::kKnown:
      stream.Put(kReference);
      stream.Put(static_cast<int>(index));
      return;
    case RWSaveTable::Outcome::kNew:
      break;
  }
  if (!table->BeginRecord()) {
    Fail(stream);  // nested deeper than a restore would read
    return;
  }
  if (!WriteNewHeader(stream, *table, IsA())) {
    table->EndRecord();
    Fail(stream);
    return;
  }
  stream.Put(kOpen);
  SaveContents(stream);
  stream.Put(kClose);
  table->EndRecord();
}

void RWCollectable::SaveObject(RWBinaryFile& file) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  RWSaveTable* table = scope.Table();
  if (table == nullptr) {
    file.SetError();
    return;
  }
  assert(table->GetPurpose() == RWSaveTable::Purpose::kSave && "a save inside a stored-size pass");
  if (table->Entries() == 1) {
    (void)file.Write(kFileMagic);
  }
  std::uint32_t index = 0;
  switch (table->Add(this, index)) {
    case RWSaveTable::Outcome::kNoMemory:
      file.SetError();
      return;
    case RWSaveTable::Outcome::kKnown:
      (void)file.Write(kFileReference);
      (void)file.Write(static_cast<int>(index));
      return;
    case RWSaveTable::Outcome::kNew:
      break;
  }
  if (!table->BeginRecord()) {
    file.SetError();  // nested deeper than a restore would read
    return;
  }
  if (!WriteNewHeader(file, *table, IsA())) {
    table->EndRecord();
    file.SetError();
    return;
  }
  SaveContents(file);
  table->EndRecord();
}

std::uint32_t RWCollectable::TotalStoredSize() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  RWSaveTable* table = scope.Table();
  if (table == nullptr) {
    return 0;
  }
  assert(table->GetPurpose() == RWSaveTable::Purpose::kSize &&
         "TotalStoredSize inside a save: it would enter objects in the save's table");
  std::uint32_t size = table->Entries() == 1 ? 4 : 0;
  std::uint32_t index = 0;
  switch (table->Add(this, index)) {
    case RWSaveTable::Outcome::kNoMemory:
      return size;
    case RWSaveTable::Outcome::kKnown:
      return size + 6;
    case RWSaveTable::Outcome::kNew:
      break;
  }
  if (!table->BeginRecord()) {
    return size;  // too deep to save; counting on would only exhaust the stack
  }
  size += 2;
  const RWClassID id = IsA();
  if (IsStringIdClass(id)) {
    const RWStringID name = ClassIdToStringId(id);
    if (table->Add(name, index) == RWSaveTable::Outcome::kNew) {
      size += 4 + static_cast<std::uint32_t>(name.Length());
    } else {
      size += 4;
    }
  }
  size += StoredByteCount();
  table->EndRecord();
  return size;
}

std::uint32_t RWTotalStoredSize(const RWCollectable* object) {
  return (object != nullptr ? object : RWNilObject())->TotalStoredSize();
}

RWVirtualOutStream& operator<<(RWVirtualOutStream& stream, const RWCollectable* object) {
  (object != nullptr ? object : RWNilObject())->SaveObject(stream);
  return stream;
}

RWBinaryFile& operator<<(RWBinaryFile& file, const RWCollectable* object) {
  (object != nullptr ? object : RWNilObject())->SaveObject(file);
  return file;
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, RWCollectable*& object) {
  bool ok = false;
  RWCollectable* restored = Restore(stream, Target{object, false}, ok);
  if (ok) {
    object = restored;
  }
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, RWCollectable*& object) {
  bool ok = false;
  RWCollectable* restored = Restore(file, Target{object, false}, ok);
  if (ok) {
    object = restored;
  }
  return file;
}

RWCollectable* operator>>(RWVirtualInStream& stream, RWCollectable& object) {
  bool ok = false;
  return Restore(stream, Target{&object, true}, ok);
}

RWCollectable* operator>>(RWBinaryFile& file, RWCollectable& object) {
  bool ok = false;
  return Restore(file, Target{&object, true}, ok);
}

RWCollectable* RWRestoreTypedPointer(RWVirtualInStream& stream, RWClassTest is_wanted) {
  return RestoreTyped<RWVirtualInStream>(stream, is_wanted, &Fail);
}

RWCollectable* RWRestoreTypedPointer(RWBinaryFile& file, RWClassTest is_wanted) {
  return RestoreTyped<RWBinaryFile>(file, is_wanted, &FailFile);
}
