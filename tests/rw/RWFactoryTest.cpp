// The class factory, the registration of the foundation classes, and the registration of the
// persistent classes for this whole test program.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <typeinfo>

#include "rw/RWFactory.h"
#include "tests/support/RwPersistTestClasses.h"

namespace {

// Registration is explicit: this program registers the foundation classes and the test classes
// once, before any test runs, as a module does when it starts.
class PersistentClasses : public ::testing::Environment {
 public:
  void SetUp() override { RegisterTestPersistClasses(); }
  void TearDown() override { UnregisterTestPersistClasses(); }
};

[[maybe_unused]] ::testing::Environment* const kPersistentClasses =
    ::testing::AddGlobalTestEnvironment(new PersistentClasses);

std::string ClassNameOf(const RWCollectable& object) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(typeid(object).name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && name != nullptr ? std::string(name.get()) : std::string();
}

struct Registry {
  std::set<RWClassID> ids;
  std::set<std::string> names;
  std::size_t classes = 0;
};

void Check(const RWFactoryIdEntry& entry, void* client_data) {
  auto* registry = static_cast<Registry*>(client_data);
  ++registry->classes;
  registry->ids.insert(entry.ClassId());
  const std::string name(entry.StringId().Data(), entry.StringId().Length());
  registry->names.insert(name);
  std::unique_ptr<RWCollectable> object(entry.Function()());
  ASSERT_NE(object, nullptr) << name;
  EXPECT_EQ(object->IsA(), entry.ClassId()) << name;
  EXPECT_EQ(ClassNameOf(*object), name);
  EXPECT_EQ(StringIdToClassId(entry.StringId()), entry.ClassId()) << name;
}

// Every class the program registered: ids unique, each name string its class's name, each class
// creatable with its own id. The factory holds exactly the classes of the tables, so no
// registration was dropped as a duplicate.
TEST(RWFactoryTest, RegistryHoldsEveryClassOnceUnderItsOwnName) {
  Registry registry;
  TheFactory()->ApplyToClasses(Check, &registry);
  std::size_t foundation = 0;
  std::size_t tests = 0;
  const RWClassRegistration* classes = RWFoundationClasses(&foundation);
  (void)TestPersistClasses(&tests);
  EXPECT_EQ(registry.classes, foundation + tests);
  EXPECT_EQ(registry.ids.size(), registry.classes);
  EXPECT_EQ(registry.names.size(), registry.classes);
  EXPECT_EQ(TheFactory()->Entries(), 2 * registry.classes);
  for (std::size_t i = 0; i < foundation; ++i) {
    EXPECT_EQ(TheFactory()->GetFunction(classes[i].id), classes[i].create) << classes[i].name;
  }
  // The abstract collection base registers nothing.
  EXPECT_EQ(CreateByClassId(0x801D), nullptr);
}

TEST(RWFactoryTest, FoundationClassIds) {
  const struct {
    const char* name;
    RWClassID id;
  } expected[] = {
      {"RWCollectable", 0x8007},
      {"RWHashTable", 0x805E},
      {"RWSet", 0x802B},
      {"RWIdentitySet", 0x8025},
      {"RWBTree", 0x8003},
      {"RWBTreeDictionary", 0x8004},
      {"RWCollectableAssociation", 0x8008},
      {"RWCollectableIDAssociation", 0x805F},
      {"RWSlistCollectables", 0x8033},
  };
  for (const auto& c : expected) {
    EXPECT_EQ(StringIdToClassId(RWStringID(c.name)), c.id) << c.name;
    EXPECT_EQ(ClassIdToStringId(c.id), RWCString(c.name));
  }
}

RWCollectable* MakeLeaf() {
  return new TestLeaf;
}

RWCollectable* MakeValue() {
  return new TestValue(5);
}

// The rules of the factory, on a factory of its own making: the program's registrations are
// removed for the test and made again afterwards.
class RWFactoryRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { UnregisterTestPersistClasses(); }
  void TearDown() override { RegisterTestPersistClasses(); }
};

TEST_F(RWFactoryRulesTest, FirstRegistrationWinsAndTheFactoryGoesWithItsLastEntry) {
  ASSERT_FALSE(RWFactoryExists());
  EXPECT_EQ(ClassIdToStringId(751), RWCString("NoID"));  // no factory at all
  AddToFactory(MakeLeaf, 751, RWStringID("Seven"));
  AddToFactory(MakeValue, 751, RWStringID("Seven"));
  ASSERT_TRUE(RWFactoryExists());
  std::unique_ptr<RWCollectable> made(CreateByClassId(751));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->IsA(), TestLeaf::kClassId);
  EXPECT_EQ(TheFactory()->Entries(), 2u);

  // Removing the id leaves the name.
  RemoveFromFactoryById(751);
  EXPECT_EQ(CreateByClassId(751), nullptr);
  std::unique_ptr<RWCollectable> by_name(CreateByStringId(RWStringID("Seven")));
  ASSERT_NE(by_name, nullptr);
  EXPECT_EQ(by_name->IsA(), TestLeaf::kClassId);
  EXPECT_EQ(StringIdToClassId(RWStringID("Seven")), 751);
  EXPECT_TRUE(RWFactoryExists());

  RemoveFromFactoryByStringId(RWStringID("Seven"));
  EXPECT_FALSE(RWFactoryExists());
  EXPECT_EQ(CreateByStringId(RWStringID("Seven")), nullptr);
}

// Restores look classes up by id on every thread: an answer found once must follow every later
// registration and removal, on the thread that found it and on any other.
TEST_F(RWFactoryRulesTest, LookUpsByIdFollowEveryChangeOnEveryThread) {
  auto made_kind = [](RWClassID id) {
    std::unique_ptr<RWCollectable> made(CreateByClassId(id));
    return made != nullptr ? static_cast<int>(made->IsA()) : -1;
  };
  auto on_other_thread = [&](RWClassID id) {
    int kind = 0;
    std::thread([&] { kind = made_kind(id); }).join();
    return kind;
  };
  AddToFactory(MakeLeaf, 756, RWStringID("Six"));
  EXPECT_EQ(made_kind(756), TestLeaf::kClassId);
  EXPECT_EQ(on_other_thread(756), TestLeaf::kClassId);
  RemoveFromFactoryById(756);
  EXPECT_EQ(made_kind(756), -1);
  TheFactory()->AddFunction(MakeValue, 756, RWStringID("Six"));
  EXPECT_EQ(made_kind(756), TestValue::kClassId);
  EXPECT_EQ(on_other_thread(756), TestValue::kClassId);
  // Ids that share a cache place do not answer for each other.
  AddToFactory(MakeLeaf, 756 + 256, RWStringID("Six and more"));
  EXPECT_EQ(made_kind(756 + 256), TestLeaf::kClassId);
  EXPECT_EQ(made_kind(756), TestValue::kClassId);
  RemoveFromFactoryById(756);
  RemoveFromFactoryById(756 + 256);
  RemoveFromFactoryByStringId(RWStringID("Six"));
  RemoveFromFactoryByStringId(RWStringID("Six and more"));
  EXPECT_FALSE(RWFactoryExists());
  EXPECT_EQ(made_kind(756), -1);
}

TEST_F(RWFactoryRulesTest, UnknownIdsAndNames) {
  AddToFactory(MakeLeaf, 752, RWStringID("Known"));
  EXPECT_EQ(ClassIdToStringId(753), RWCString("NoID"));
  EXPECT_EQ(StringIdToClassId(RWStringID("Unknown")), 0x8000);
  EXPECT_EQ(CreateByClassId(753), nullptr);
  EXPECT_EQ(CreateByStringId(RWStringID("Unknown")), nullptr);
  EXPECT_EQ(TheFactory()->GetFunction(753), nullptr);
  // Without a string id: the process-wide function uses "No_RWStringID", the member "NoID".
  AddToFactory(MakeValue, 754);
  TheFactory()->AddFunction(MakeValue, 755);
  EXPECT_EQ(ClassIdToStringId(754), RWCString("No_RWStringID"));
  EXPECT_EQ(ClassIdToStringId(755), RWCString("NoID"));
  for (RWClassID id : {752, 754, 755}) {
    RemoveFromFactoryById(id);
  }
  for (const char* name : {"Known", "No_RWStringID", "NoID"}) {
    RemoveFromFactoryByStringId(RWStringID(name));
  }
  EXPECT_FALSE(RWFactoryExists());
}

}  // namespace
