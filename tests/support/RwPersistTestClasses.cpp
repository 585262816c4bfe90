// Persistent test classes and the carrier helpers.
#include "tests/support/RwPersistTestClasses.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWCollectionBase.h"
#include "rw/RWHashTable.h"
#include "rw/RWPortableStream.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"
#include "tests/support/TempDir.h"

namespace {

std::atomic<int> g_alive{0};

}  // namespace

int TestObjectsAlive() {
  return g_alive.load();
}

TestObject::TestObject() {
  ++g_alive;
}

TestObject::TestObject(const TestObject& other) : RWCollectable(other) {
  ++g_alive;
}

TestObject::~TestObject() {
  --g_alive;
}

RWCollectable* TestLeaf::Clone() const {
  return new (std::nothrow) TestLeaf(*this);
}

RWCollectable* TestLeaf::Create() {
  return new (std::nothrow) TestLeaf;
}

RWCollectable* TestNode::Clone() const {
  return new (std::nothrow) TestNode(*this);
}

RWCollectable* TestNode::Create() {
  return new (std::nothrow) TestNode;
}

std::uint32_t TestNode::StoredByteCount() const {
  return 4 + RWTotalStoredSize(child_[0]) + RWTotalStoredSize(child_[1]) +
         RWTotalStoredSize(child_[2]);
}

void TestNode::SaveContents(RWVirtualOutStream& stream) const {
  stream.Put(value_);
  stream << child_[0] << child_[1] << child_[2];
}

void TestNode::SaveContents(RWBinaryFile& file) const {
  (void)file.Write(value_);
  file << child_[0] << child_[1] << child_[2];
}

namespace {

bool ReadValue(RWVirtualInStream& stream, int& value) {
  stream.Get(value);
  return stream.Good() != 0;
}

bool ReadValue(RWBinaryFile& file, int& value) {
  return file.Read(value);
}

}  // namespace

template <typename Carrier>
void TestNode::Restore(Carrier& carrier) {
  child_[0] = child_[1] = child_[2] = nullptr;
  if (!ReadValue(carrier, value_)) {
    return;
  }
  for (RWCollectable*& child : child_) {
    RWRestoredMember member(carrier, this);
    child = member.Object();
    member.Keep(RWHold::kHolds);
  }
}

void TestNode::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void TestNode::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void TestNode::ForgetRestoredMembers() {
  child_[0] = child_[1] = child_[2] = nullptr;
}

RWCollectable* TestValue::Clone() const {
  return new (std::nothrow) TestValue(*this);
}

RWCollectable* TestValue::Create() {
  return new (std::nothrow) TestValue;
}

int TestValue::Compare(const RWCollectable* other) const {
  const auto* value = dynamic_cast<const TestValue*>(other);
  if (value == nullptr) {
    return RWCollectable::Compare(other);
  }
  return value_ < value->value_ ? -1 : (value_ > value->value_ ? 1 : 0);
}

bool TestValue::IsEqual(const RWCollectable* other) const {
  const auto* value = dynamic_cast<const TestValue*>(other);
  return value != nullptr && value->IsA() == IsA() && value->value_ == value_;
}

void TestValue::SaveContents(RWVirtualOutStream& stream) const {
  stream.Put(value_);
}

void TestValue::SaveContents(RWBinaryFile& file) const {
  (void)file.Write(value_);
}

void TestValue::RestoreContents(RWVirtualInStream& stream) {
  (void)ReadValue(stream, value_);
}

void TestValue::RestoreContents(RWBinaryFile& file) {
  (void)ReadValue(file, value_);
}

RWCollectable* TestNamed::Clone() const {
  return new (std::nothrow) TestNamed(*this);
}

RWCollectable* TestNamed::Create() {
  return new (std::nothrow) TestNamed;
}

RWClassID TestNamed::ClassId() {
  static const RWClassID id = RWCollectable::NextClassId();
  return id;
}

namespace {

template <typename T>
RWClassRegistration Entry() {
  return RWClassRegistration{&T::Create, T::ClassId(), T::ClassName()};
}

}  // namespace

const RWClassRegistration* TestPersistClasses(std::size_t* count) {
  static const RWClassRegistration classes[] = {
      Entry<TestNode>(),
      Entry<TestLeaf>(),
      Entry<TestValue>(),
      Entry<TestNamed>(),
  };
  *count = std::size(classes);
  return classes;
}

void RegisterTestPersistClasses() {
  RWRegisterFoundationClasses();
  std::size_t count = 0;
  const RWClassRegistration* classes = TestPersistClasses(&count);
  RWRegisterClasses(classes, count);
}

void UnregisterTestPersistClasses() {
  std::size_t count = 0;
  const RWClassRegistration* classes = TestPersistClasses(&count);
  RWUnregisterClasses(classes, count);
  RWUnregisterFoundationClasses();
}

namespace vel::test {

const char* CarrierName(Carrier carrier) {
  switch (carrier) {
    case Carrier::kPortable:
      return "portable";
    case Carrier::kBinary:
      return "binary";
    case Carrier::kByteOrder:
      return "byte-order";
    case Carrier::kFile:
      return "file";
  }
  return "?";
}

namespace {

Bytes BytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Runs `restore` over a virtual input stream of the carrier's format holding `bytes`.
template <typename Restore>
Restored WithInStream(Carrier carrier, const Bytes& bytes, Restore restore) {
  std::stringbuf buffer(std::string(bytes.begin(), bytes.end()), std::ios::in);
  Restored result;
  auto run = [&](RWVirtualInStream& stream) {
    result.object = restore(stream);
    result.failed = stream.Good() == 0;
  };
  switch (carrier) {
    case Carrier::kPortable: {
      RWPortableInStream stream(&buffer);
      run(stream);
      break;
    }
    case Carrier::kBinary: {
      RWBinaryInStream stream(&buffer);
      run(stream);
      break;
    }
    case Carrier::kByteOrder: {
      RWByteOrderInStream stream(&buffer);
      run(stream);
      break;
    }
    case Carrier::kFile:
      break;
  }
  return result;
}

template <typename Restore>
Restored WithFile(const Bytes& bytes, Restore restore) {
  TempDir dir;
  const std::string path = dir.File("graph.bin");
  WriteFileBytes(path, bytes);
  RWBinaryFile file(path.c_str(), "rb");
  Restored result;
  result.object = restore(file);
  result.failed = file.Eof() || file.Error();
  return result;
}

// Runs `save` over a fresh carrier of the given kind and returns the bytes it wrote, and in
// `failed` (when given) whether the carrier failed. The byte-order stream writes the host's order.
template <typename Save>
Bytes SaveWith(Carrier carrier, Save save, bool* failed = nullptr) {
  bool bad = false;
  if (carrier == Carrier::kFile) {
    TempDir dir;
    const std::string path = dir.File("graph.bin");
    {
      RWBinaryFile file(path.c_str(), "wb+");
      save(file);
      bad = file.Error();
    }
    if (failed != nullptr) {
      *failed = bad;
    }
    return ReadFileBytes(path);
  }
  std::stringbuf buffer(std::ios::out);
  auto run = [&](RWVirtualOutStream& stream) {
    save(stream);
    bad = stream.Good() == 0;
  };
  switch (carrier) {
    case Carrier::kPortable: {
      RWPortableOutStream stream(&buffer);
      run(stream);
      break;
    }
    case Carrier::kBinary: {
      RWBinaryOutStream stream(&buffer);
      run(stream);
      break;
    }
    case Carrier::kByteOrder: {
      RWByteOrderOutStream stream(&buffer, 2);
      run(stream);
      break;
    }
    case Carrier::kFile:
      break;
  }
  if (failed != nullptr) {
    *failed = bad;
  }
  return BytesOf(buffer.str());
}

}  // namespace

Bytes SaveGraph(Carrier carrier, const RWCollectable* root, bool* failed) {
  return SaveWith(
      carrier, [root](auto& carrier_object) { carrier_object << root; }, failed);
}

Bytes SaveContentsOf(Carrier carrier, const RWCollectable& object) {
  return SaveWith(carrier,
                  [&object](auto& carrier_object) { object.SaveContents(carrier_object); });
}

Restored RestoreGraph(Carrier carrier, const Bytes& bytes, RWCollectable* expected) {
  if (carrier == Carrier::kFile) {
    return WithFile(bytes, [expected](RWBinaryFile& file) {
      RWCollectable* object = expected;
      file >> object;
      return object;
    });
  }
  return WithInStream(carrier, bytes, [expected](RWVirtualInStream& stream) {
    RWCollectable* object = expected;
    stream >> object;
    return object;
  });
}

Restored RestoreInto(Carrier carrier, const Bytes& bytes, RWCollectable& object) {
  if (carrier == Carrier::kFile) {
    return WithFile(bytes, [&object](RWBinaryFile& file) { return file >> object; });
  }
  return WithInStream(carrier, bytes,
                      [&object](RWVirtualInStream& stream) { return stream >> object; });
}

Restored RestoreContentsOf(Carrier carrier, const Bytes& bytes, RWCollectable& object) {
  auto restore = [&object](auto& carrier_object) {
    object.RestoreContents(carrier_object);
    return &object;
  };
  if (carrier == Carrier::kFile) {
    return WithFile(bytes, restore);
  }
  return WithInStream(carrier, bytes, restore);
}

namespace {

class Describer {
 public:
  std::string Describe(const RWCollectable* object) {
    if (object == nullptr) {
      return "null";
    }
    auto seen = numbers_.find(object);
    if (seen != numbers_.end()) {
      return "@" + std::to_string(seen->second);
    }
    const int number = next_++;
    numbers_[object] = number;
    const std::string tag = "#" + std::to_string(number);
    if (const auto* named = dynamic_cast<const TestNamed*>(object)) {
      return "Named" + tag + "(" + std::to_string(named->Value()) + ")";
    }
    if (const auto* value = dynamic_cast<const TestValue*>(object)) {
      return "Value" + tag + "(" + std::to_string(value->Value()) + ")";
    }
    if (dynamic_cast<const TestLeaf*>(object) != nullptr) {
      return "Leaf" + tag;
    }
    if (const auto* node = dynamic_cast<const TestNode*>(object)) {
      std::string text = "Node" + tag + "(" + std::to_string(node->Value());
      for (int i = 0; i < 3; ++i) {
        text += "," + Describe(node->Child(i));
      }
      return text + ")";
    }
    if (const auto* association = dynamic_cast<const RWCollectableAssociation*>(object)) {
      std::string text =
          association->IsA() == kRWCollectableIDAssociationClassId ? "IDAssoc" : "Assoc";
      return text + tag + "(" + Describe(association->Key()) + "=>" +
             Describe(association->Value()) + ")";
    }
    if (const auto* collection = dynamic_cast<const RWCollectionBase*>(object)) {
      std::string text = "Collection" + std::to_string(collection->IsA()) + tag + "{";
      if (dynamic_cast<const RWHashTable*>(collection) != nullptr) {
        return text + DescribeHashed(*collection) + "}";
      }
      std::vector<std::string> members;
      Walk walk{this, &members};
      collection->Apply(DescribeMember, &walk);
      for (const std::string& member : members) {
        text += member + ";";
      }
      return text + "}";
    }
    return "Object" + std::to_string(object->IsA()) + tag;
  }

 private:
  struct Walk {
    Describer* describer;
    std::vector<std::string>* members;
  };

  static void Gather(RWCollectable* item, void* client_data) {
    static_cast<std::vector<const RWCollectable*>*>(client_data)->push_back(item);
  }

  // Members in an order that does not follow addresses: each distinct member by its own
  // description (or its number when it was met before) and how often it is held, sorted. Members
  // met here first are numbered in that order.
  std::string DescribeHashed(const RWCollectionBase& collection) {
    std::vector<const RWCollectable*> members;
    collection.Apply(Gather, &members);
    std::vector<std::pair<std::string, const RWCollectable*>> distinct;
    for (const RWCollectable* member : members) {
      if (std::none_of(distinct.begin(), distinct.end(),
                       [member](const auto& d) { return d.second == member; })) {
        const auto seen = numbers_.find(member);
        std::string key = seen != numbers_.end() ? "@" + std::to_string(seen->second)
                                                 : Describer().Describe(member);
        key += "x" + std::to_string(std::count(members.begin(), members.end(), member));
        distinct.emplace_back(std::move(key), member);
      }
    }
    std::sort(distinct.begin(), distinct.end());
    std::string text;
    for (const auto& [key, member] : distinct) {
      if (numbers_.count(member) == 0) {
        numbers_[member] = next_++;
      }
      text += key + ";";
    }
    return text;
  }

  static void DescribeMember(RWCollectable* item, void* client_data) {
    auto* walk = static_cast<Walk*>(client_data);
    walk->members->push_back(walk->describer->Describe(item));
  }

  std::map<const RWCollectable*, int> numbers_;
  int next_ = 1;
};

class Collector {
 public:
  void Visit(RWCollectable* object) {
    if (object == nullptr || !seen_.insert(object).second) {
      return;
    }
    order_.push_back(object);
    if (auto* node = dynamic_cast<TestNode*>(object)) {
      for (int i = 0; i < 3; ++i) {
        Visit(node->Child(i));
      }
    } else if (auto* association = dynamic_cast<RWCollectableAssociation*>(object)) {
      Visit(association->Key());
      Visit(association->Value());
    } else if (auto* dictionary = dynamic_cast<RWBTreeDictionary*>(object)) {
      dictionary->Apply(VisitDictionaryPair, this);
    } else if (auto* collection = dynamic_cast<RWCollectionBase*>(object)) {
      collection->Apply(VisitMember, this);
    }
  }

  void DeleteAll() {
    for (RWCollectable* object : order_) {
      if (owned_.count(object) == 0) {
        delete object;
      }
    }
  }

 private:
  static void VisitMember(RWCollectable* item, void* client_data) {
    static_cast<Collector*>(client_data)->Visit(item);
  }

  // The dictionary deletes its associations itself.
  static void VisitDictionaryPair(RWCollectable* item, void* client_data) {
    auto* collector = static_cast<Collector*>(client_data);
    collector->owned_.insert(item);
    collector->Visit(item);
  }

  std::unordered_set<const RWCollectable*> seen_;
  std::unordered_set<const RWCollectable*> owned_;
  std::vector<RWCollectable*> order_;
};

}  // namespace

std::string Describe(const RWCollectable* root) {
  Describer describer;
  return describer.Describe(root);
}

void DeleteGraph(RWCollectable* root) {
  Collector collector;
  collector.Visit(root);
  collector.DeleteAll();
}

Bytes WriteItems(Carrier carrier, const std::vector<Item>& items) {
  if (carrier == Carrier::kFile) {
    TempDir dir;
    const std::string path = dir.File("items.bin");
    {
      RWBinaryFile file(path.c_str(), "wb+");
      bool magic = false;
      auto magic_first = [&file, &magic] {
        if (!magic) {
          (void)file.Write(0x8888u);
          magic = true;
        }
      };
      for (const Item& item : items) {
        switch (item.kind) {
          case Item::kMagic:
            (void)file.Write(static_cast<unsigned int>(item.value));
            magic = true;
            break;
          case Item::kNew:
            magic_first();
            (void)file.Write(static_cast<unsigned short>(item.value));
            break;
          case Item::kNewName:
            magic_first();
            (void)file.Write(static_cast<unsigned short>(0x888F));
            (void)RWCString(item.name).SaveOn(file);
            break;
          case Item::kKnownName:
            magic_first();
            (void)file.Write(static_cast<unsigned short>(0x888E));
            (void)file.Write(item.value);
            break;
          case Item::kRef:
            magic_first();
            (void)file.Write(static_cast<unsigned short>(0xFFFF));
            (void)file.Write(item.value);
            break;
          case Item::kInt:
            (void)file.Write(item.value);
            break;
          case Item::kChar:
            (void)file.Write(static_cast<char>(item.value));
            break;
          case Item::kOpen:
          case Item::kClose:
            break;
        }
      }
    }
    return ReadFileBytes(path);
  }
  std::stringbuf buffer(std::ios::out);
  auto run = [&items](RWVirtualOutStream& out) {
    for (const Item& item : items) {
      switch (item.kind) {
        case Item::kNew:
          out.Put(':');
          out.Put(static_cast<unsigned short>(item.value));
          break;
        case Item::kNewName:
          out.Put(':');
          out.Put(static_cast<unsigned short>(0x888F));
          RWCString(item.name).SaveOn(out);
          break;
        case Item::kKnownName:
          out.Put(':');
          out.Put(static_cast<unsigned short>(0x888E));
          out.Put(item.value);
          break;
        case Item::kRef:
          out.Put('@');
          out.Put(item.value);
          break;
        case Item::kOpen:
          out.Put('{');
          break;
        case Item::kClose:
          out.Put('}');
          break;
        case Item::kInt:
          out.Put(item.value);
          break;
        case Item::kChar:
          out.Put(static_cast<char>(item.value));
          break;
        case Item::kMagic:
          break;
      }
    }
  };
  switch (carrier) {
    case Carrier::kPortable: {
      RWPortableOutStream out(&buffer);
      run(out);
      break;
    }
    case Carrier::kBinary: {
      RWBinaryOutStream out(&buffer);
      run(out);
      break;
    }
    case Carrier::kByteOrder: {
      RWByteOrderOutStream out(&buffer, 2);
      run(out);
      break;
    }
    case Carrier::kFile:
      break;
  }
  return BytesOf(buffer.str());
}

}  // namespace vel::test
