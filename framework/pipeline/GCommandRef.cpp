// GCommandRef: holding and letting go of commands.
#include "framework/pipeline/GCommandRef.h"

#include "framework/core/GCountedPtr.h"
#include "framework/pipeline/GCommand.h"
#include "rw/RWRefCounted.h"

namespace {

// One reference fewer without a delete.
void LetGo(GCommand* command) {
  if (command != nullptr) {
    (void)command->ReferenceWord().RemoveReference(GCountedPtr::Lock());
  }
}

}  // namespace

GCommandRef::GCommandRef(GCommand* command) : command_(command) {
  GCountedPtr::AddReference(command_);
}

GCommandRef::GCommandRef(const GCommandRef& other) : command_(other.command_) {
  GCountedPtr::AddReference(command_);
}

GCommandRef& GCommandRef::operator=(GCommand* command) {
  if (command == command_) {
    return *this;
  }
  // The new command is held first, so that dropping the old one cannot free it (an error command
  // holding the command it replaces).
  GCommand* old = std::exchange(command_, command);
  GCountedPtr::AddReference(command_);
  GCountedPtr::DropReference(old);
  return *this;
}

GCommandRef& GCommandRef::operator=(const GCommandRef& other) {
  return *this = other.command_;
}

GCommandRef& GCommandRef::operator=(GCommandRef&& other) noexcept {
  if (this == &other) {
    return *this;
  }
  GCommand* old = std::exchange(command_, std::exchange(other.command_, nullptr));
  GCountedPtr::DropReference(old);
  return *this;
}

GCommand* GCommandRef::Exchange(GCommand* command) {
  if (command == command_) {
    return command_;
  }
  GCommand* old = std::exchange(command_, command);
  GCountedPtr::AddReference(command_);
  LetGo(old);
  return old;
}

GCommand* GCommandRef::Release() {
  GCommand* command = std::exchange(command_, nullptr);
  LetGo(command);
  return command;
}

void GCommandRef::Reset() {
  GCountedPtr::DropReference(std::exchange(command_, nullptr));
}
