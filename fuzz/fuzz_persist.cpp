// Restores an object graph from arbitrary bytes on each carrier: byte 0 picks the carrier
// (portable, binary, byte-order tagged stream, binary file: its value modulo 4) and whether the
// restore fills a given node (bit 2) or makes its root; the rest is the stored graph. The
// graph's classes are small test classes (a node with an int and three pointers, a leaf, a value
// compared by value, a class written by its name) and every collection and association class.
//
// A restore must not crash, leak or touch freed memory. A failed restore must answer null; one
// that succeeds must report a stored size equal to what saving the graph to a file writes, and
// must save and restore again on its own carrier; the graph is then deleted. A failed restore into
// a given node must leave the node holding nothing.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "rw/RWBTreeDictionary.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWCollectable.h"
#include "rw/RWCollectableAssociation.h"
#include "rw/RWCollectionBase.h"
#include "rw/RWError.h"
#include "rw/RWFactory.h"
#include "rw/RWPortableStream.h"
#include "rw/rwstore.h"

namespace {

bool ReadInt(RWVirtualInStream& stream, int& value) {
  stream.Get(value);
  return stream.Good() != 0;
}

bool ReadInt(RWBinaryFile& file, int& value) {
  return file.Read(value);
}

class FuzzLeaf : public RWCollectable {
 public:
  RWClassID IsA() const override { return 901; }
  static RWCollectable* Create() { return new (std::nothrow) FuzzLeaf; }
};

// An int and three pointers, held through the holder protocol.
class FuzzNode : public RWCollectable {
 public:
  RWClassID IsA() const override { return 900; }
  std::uint32_t StoredByteCount() const override {
    return 4 + RWTotalStoredSize(child[0]) + RWTotalStoredSize(child[1]) +
           RWTotalStoredSize(child[2]);
  }
  void SaveContents(RWVirtualOutStream& stream) const override {
    stream.Put(value);
    stream << child[0] << child[1] << child[2];
  }
  void SaveContents(RWBinaryFile& file) const override {
    (void)file.Write(value);
    file << child[0] << child[1] << child[2];
  }
  void RestoreContents(RWVirtualInStream& stream) override { Restore(stream); }
  void RestoreContents(RWBinaryFile& file) override { Restore(file); }
  void ForgetRestoredMembers() override { child[0] = child[1] = child[2] = nullptr; }
  static RWCollectable* Create() { return new (std::nothrow) FuzzNode; }

  int value = 0;
  RWCollectable* child[3] = {};

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier) {
    child[0] = child[1] = child[2] = nullptr;
    if (!ReadInt(carrier, value)) {
      return;
    }
    for (RWCollectable*& c : child) {
      RWRestoredMember member(carrier, this);
      c = member.Object();
      member.Keep(RWHold::kHolds);
    }
  }
};

// An int, ordered, hashed and matched by value.
class FuzzValue : public RWCollectable {
 public:
  RWClassID IsA() const override { return 902; }
  std::uint32_t StoredByteCount() const override { return 4; }
  int Compare(const RWCollectable* other) const override {
    const auto* v = dynamic_cast<const FuzzValue*>(other);
    if (v == nullptr) {
      return RWCollectable::Compare(other);
    }
    return value < v->value ? -1 : (value > v->value ? 1 : 0);
  }
  std::uint32_t Hash() const override { return static_cast<std::uint32_t>(value); }
  bool IsEqual(const RWCollectable* other) const override {
    const auto* v = dynamic_cast<const FuzzValue*>(other);
    return v != nullptr && v->IsA() == IsA() && v->value == value;
  }
  void SaveContents(RWVirtualOutStream& stream) const override { stream.Put(value); }
  void SaveContents(RWBinaryFile& file) const override { (void)file.Write(value); }
  void RestoreContents(RWVirtualInStream& stream) override { (void)ReadInt(stream, value); }
  void RestoreContents(RWBinaryFile& file) override { (void)ReadInt(file, value); }
  static RWCollectable* Create() { return new (std::nothrow) FuzzValue; }

  int value = 0;
};

// Written by its name.
class FuzzNamed : public FuzzValue {
 public:
  RWClassID IsA() const override { return Id(); }
  static RWClassID Id() {
    static const RWClassID id = RWCollectable::NextClassId();
    return id;
  }
  static RWCollectable* Create() { return new (std::nothrow) FuzzNamed; }
};

void IgnoreErrors(const RWErrorBase&) {}

void Register() {
  RWRegisterFoundationClasses();
  AddToFactory(&FuzzNode::Create, 900, RWStringID("FuzzNode"));
  AddToFactory(&FuzzLeaf::Create, 901, RWStringID("FuzzLeaf"));
  AddToFactory(&FuzzValue::Create, 902, RWStringID("FuzzValue"));
  AddToFactory(&FuzzNamed::Create, FuzzNamed::Id(), RWStringID("FuzzNamed"));
}

// Deletes every object reachable from the root once; a dictionary deletes its associations.
class Graph {
 public:
  void Visit(RWCollectable* object) {
    if (object == nullptr || !seen_.insert(object).second) {
      return;
    }
    order_.push_back(object);
    if (auto* node = dynamic_cast<FuzzNode*>(object)) {
      for (RWCollectable* c : node->child) {
        Visit(c);
      }
    } else if (auto* association = dynamic_cast<RWCollectableAssociation*>(object)) {
      Visit(association->Key());
      Visit(association->Value());
    } else if (auto* dictionary = dynamic_cast<RWBTreeDictionary*>(object)) {
      dictionary->Apply(VisitOwned, this);
    } else if (auto* collection = dynamic_cast<RWCollectionBase*>(object)) {
      collection->Apply(VisitMember, this);
    }
  }

  void DeleteAll() { DeleteAllBut(nullptr); }

  void DeleteAllBut(const RWCollectable* kept) {
    for (RWCollectable* object : order_) {
      if (owned_.count(object) == 0 && object != kept) {
        delete object;
      }
    }
  }

 private:
  static void VisitMember(RWCollectable* item, void* graph) {
    static_cast<Graph*>(graph)->Visit(item);
  }
  static void VisitOwned(RWCollectable* item, void* graph) {
    static_cast<Graph*>(graph)->owned_.insert(item);
    static_cast<Graph*>(graph)->Visit(item);
  }

  std::unordered_set<const RWCollectable*> seen_;
  std::unordered_set<const RWCollectable*> owned_;
  std::vector<RWCollectable*> order_;
};

// The binary file reads an in-memory file, reached by name through /proc.
struct ScratchFile {
  int fd = memfd_create("fuzz_persist", 0);
  std::string name = "/proc/self/fd/" + std::to_string(fd);

  bool Fill(const std::string& bytes) const {
    return fd >= 0 && ftruncate(fd, 0) == 0 &&
           pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
  }
  std::size_t Size() const { return static_cast<std::size_t>(lseek(fd, 0, SEEK_END)); }
};

ScratchFile& Scratch() {
  static ScratchFile file;
  return file;
}

// What saving the graph to a file writes, in bytes.
std::size_t FileSize(const RWCollectable* root) {
  ScratchFile& scratch = Scratch();
  if (!scratch.Fill("")) {
    std::abort();
  }
  RWBinaryFile file(scratch.name.c_str(), "wb+");
  file << root;
  (void)file.Flush();
  return scratch.Size();
}

RWCollectable* RestoreStream(int format, const std::string& bytes, bool& failed) {
  std::istringstream in(bytes);
  RWCollectable* root = nullptr;
  if (format == 0) {
    RWPortableInStream stream(in);
    stream >> root;
    failed = stream.Good() == 0;
  } else if (format == 1) {
    RWBinaryInStream stream(in);
    stream >> root;
    failed = stream.Good() == 0;
  } else {
    RWByteOrderInStream stream(in);
    stream >> root;
    failed = stream.Good() == 0;
  }
  return root;
}

std::string SaveStream(int format, const RWCollectable* root) {
  std::ostringstream out;
  if (format == 0) {
    RWPortableOutStream stream(out);
    stream << root;
  } else if (format == 1) {
    RWBinaryOutStream stream(out);
    stream << root;
  } else {
    RWByteOrderOutStream stream(out, 2);
    stream << root;
  }
  return out.str();
}

RWCollectable* RestoreFile(const std::string& bytes, bool& failed) {
  ScratchFile& scratch = Scratch();
  if (!scratch.Fill(bytes)) {
    std::abort();
  }
  RWBinaryFile file(scratch.name.c_str(), "rb");
  RWCollectable* root = nullptr;
  file >> root;
  failed = file.Eof() || file.Error();
  return root;
}

void Check(RWCollectable* root, bool failed) {
  if (failed) {
    // A failed restore hands nothing over.
    if (root != nullptr) {
      std::abort();
    }
    return;
  }
  if (root != nullptr && root->TotalStoredSize() != FileSize(root)) {
    std::abort();
  }
}

void Delete(RWCollectable* root) {
  Graph graph;
  graph.Visit(root);
  graph.DeleteAll();
}

RWCollectable* RestoreStreamInto(int format, const std::string& bytes, RWCollectable& given) {
  std::istringstream in(bytes);
  if (format == 0) {
    RWPortableInStream stream(in);
    return stream >> given;
  }
  if (format == 1) {
    RWBinaryInStream stream(in);
    return stream >> given;
  }
  RWByteOrderInStream stream(in);
  return stream >> given;
}

RWCollectable* RestoreFileInto(const std::string& bytes, RWCollectable& given) {
  ScratchFile& scratch = Scratch();
  if (!scratch.Fill(bytes)) {
    std::abort();
  }
  RWBinaryFile file(scratch.name.c_str(), "rb");
  return file >> given;
}

// Restores into a node on the stack; what it received is deleted, the node itself is not.
void RestoreIntoGivenNode(int carrier, const std::string& bytes) {
  FuzzNode given;
  RWCollectable* restored =
      carrier == 3 ? RestoreFileInto(bytes, given) : RestoreStreamInto(carrier, bytes, given);
  if (restored == nullptr) {
    // Failed: the node forgot everything the restore gave it (it held nothing before).
    for (RWCollectable* c : given.child) {
      if (c != nullptr) {
        std::abort();
      }
    }
    return;
  }
  Graph graph;
  graph.Visit(&given);
  graph.DeleteAllBut(&given);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    SetErrorHook(&IgnoreErrors);
    Register();
    return true;
  }();
  (void)ready;
  if (size < 1) {
    return 0;
  }
  const int carrier = data[0] % 4;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 4) != 0) {
    RestoreIntoGivenNode(carrier, bytes);
    return 0;
  }
  bool failed = false;
  RWCollectable* root =
      carrier == 3 ? RestoreFile(bytes, failed) : RestoreStream(carrier, bytes, failed);
  Check(root, failed);
  if (!failed && root != nullptr) {
    // Whatever was accepted saves and restores again (it may nest deeper in its new order, which
    // the restore may refuse; it must still be safe).
    bool again_failed = false;
    RWCollectable* again =
        carrier == 3 ? nullptr : RestoreStream(carrier, SaveStream(carrier, root), again_failed);
    Check(again, again_failed);
    Delete(again);
  }
  Delete(root);
  return 0;
}
