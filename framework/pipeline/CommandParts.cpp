// The level bundle of document and page commands.
#include "framework/pipeline/CommandParts.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/pipeline/GCommand.h"

namespace vel {

GState* LevelBundle(GState* bundle, std::uint32_t level) {
  if (bundle == nullptr) {
    return new (std::nothrow) GState(level);
  }
  bundle->SetKey(level);
  return bundle;
}

namespace {

// Enters `object` in the table of an outermost scope.
void EnterOutermost(const RWSaveTableScope& scope, const RWCollectable* object) {
  if (scope.IsOwner() && scope.Table() != nullptr) {
    std::uint32_t index = 0;
    (void)scope.Table()->Add(object, index);
  }
}

}  // namespace

StoredSizeScope::StoredSizeScope(const RWCollectable* object)
    : scope_(RWSaveTable::Purpose::kSize) {
  EnterOutermost(scope_, object);
}

SaveScope::SaveScope(const RWCollectable* object) : scope_(RWSaveTable::Purpose::kSave) {
  EnterOutermost(scope_, object);
}

void SetLevelBundle(GCommand& command, GBaseObject* bundle, std::uint32_t level) {
  if (bundle == nullptr || bundle == command.GetGraphicBundle()) {
    return;
  }
  if (!bundle->IsKindOf(classid::kGState)) {
    DestroyRefused(bundle, false);
    return;
  }
  bundle->SetKey(level);
  command.GCommand::SetGraphicBundle(bundle);
}

}  // namespace vel
