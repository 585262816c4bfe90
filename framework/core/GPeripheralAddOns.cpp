// GPeripheral: installing and removing the add-on proxies of a stage.
#include <memory>
#include <new>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GIterator.h"
#include "framework/core/GPeripheral.h"
#include "framework/core/GPeripheralProxy.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/StringWidth.h"
#include "vel_flavour.h"

namespace {

// The children of `stage` that pass `test`, in order.
template <typename Test>
std::vector<GBaseObject*> ChildrenOf(const GPeripheral& stage, const Test& test) {
  std::vector<GBaseObject*> children;
  const std::unique_ptr<GIterator> walk(stage.CreateIterator());
  while (walk != nullptr && walk->Advance() != 0) {
    if (GBaseObject* child = walk->Current(); child != nullptr && test(*child)) {
      children.push_back(child);
    }
  }
  return children;
}

}  // namespace

void GPeripheral::BeginUpdate() {
  // The render module installs no add-ons.
  if (vel::flavour::kIsRenderFlavour || add_on_mode_ == kNoAddOns || AsComposite() == nullptr) {
    return;
  }
  GState* job = JobState();
  const GBaseObject* list = job != nullptr ? job->FindByKey(add_on_list_key_) : nullptr;
  if (list == nullptr) {
    return;
  }
  // The stages step aside, the proxies take the front, the stages come back behind them.
  GAttributeComposite parked;
  for (GBaseObject* child : ChildrenOf(*this, [](const GBaseObject& object) {
         return object.IsKindOf(vel::classid::kGPeripheral);
       })) {
    if (GBaseObject* taken = RemoveObject(child)) {
      parked.Add(taken);
    }
  }
  const std::unique_ptr<GIterator> names(list->CreateIterator());
  while (names != nullptr && names->Advance() != 0) {
    const auto* name = dynamic_cast<const GStringAttribute*>(names->Current());
    if (name == nullptr) {
      continue;
    }
    RWWString library;
    (void)WidenString(name->GetValue(), library);
    Add(new (std::nothrow) GPeripheralProxy(library, add_on_kind_, add_on_mode_));
  }
  while (parked.Count() > 0) {
    if (GBaseObject* stage = parked.RemoveObject(parked.ChildAt(0))) {
      Add(stage);
    }
  }
}

void GPeripheral::EndUpdate() {
  if (vel::flavour::kIsRenderFlavour || add_on_mode_ == kNoAddOns || AsComposite() == nullptr) {
    return;
  }
  for (GBaseObject* proxy : ChildrenOf(*this, [](const GBaseObject& object) {
         return object.IsA() == vel::classid::kGPeripheralProxy;
       })) {
    // A proxy shared with another holder comes back as a copy, which lets go of its share only.
    delete RemoveObject(proxy);
  }
}
