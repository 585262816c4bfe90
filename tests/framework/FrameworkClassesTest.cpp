// The framework's registration table and the registration of the persistent classes for this whole
// test program.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>

#include "framework/core/FrameworkClasses.h"
#include "framework/core/FrameworkIds.h"
#include "rw/RWFactory.h"
#include "tests/support/FwTestObjects.h"

namespace {

// Registration is explicit: this program registers the foundation classes, the framework classes
// and the test classes once, before any test runs, as a module does when it starts.
class PersistentClasses : public ::testing::Environment {
 public:
  void SetUp() override { RegisterFrameworkTestClasses(); }
  void TearDown() override { UnregisterFrameworkTestClasses(); }
};

[[maybe_unused]] ::testing::Environment* const kPersistentClasses =
    ::testing::AddGlobalTestEnvironment(new PersistentClasses);

std::string ClassNameOf(const RWCollectable& object) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(typeid(object).name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && name != nullptr ? std::string(name.get()) : std::string();
}

// Classes that are only ever saved and restored in place, inside their holder: the factory knows
// their id and name, but their create function makes nothing.
bool IsSavedInPlace(RWClassID id) {
  return id == vel::classid::kGCountedPtr;
}

// Every class of the table: ids unique and in the framework's range, registered under that id
// with the table's create function, each name string its class's name, each concrete class
// creatable with its own id. Abstract classes register nothing.
TEST(FrameworkClassesTest, TableHoldsEveryClassOnceUnderItsOwnName) {
  std::size_t count = 0;
  const RWClassRegistration* classes = GFrameworkClasses(&count);
  ASSERT_GT(count, 0u);
  std::set<RWClassID> ids;
  std::set<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    const RWClassRegistration& entry = classes[i];
    SCOPED_TRACE(entry.name);
    ids.insert(entry.id);
    names.insert(entry.name);
    EXPECT_LT(entry.id, kRWUnknownClassId);
    EXPECT_EQ(TheFactory()->GetFunction(entry.id), entry.create);
    EXPECT_EQ(StringIdToClassId(RWStringID(entry.name)), entry.id);
    std::unique_ptr<RWCollectable> object(entry.create());
    if (IsSavedInPlace(entry.id)) {
      EXPECT_EQ(object, nullptr);
      continue;
    }
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->IsA(), entry.id);
    EXPECT_EQ(ClassNameOf(*object), entry.name);
  }
  EXPECT_EQ(ids.size(), count);
  EXPECT_EQ(names.size(), count);
  for (const RWClassID abstract :
       {vel::classid::kGBaseObject, vel::classid::kGAttribute, vel::classid::kGPeripheral}) {
    EXPECT_EQ(TheFactory()->GetFunction(abstract), nullptr) << abstract;
  }
}

}  // namespace
