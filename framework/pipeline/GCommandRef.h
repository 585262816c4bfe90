// GCommandRef: a counted reference to a command, the form in which a stage of the output chain
// holds a command while it works on it. It counts in the command's own reference word (as
// GCountedPtr does), so a command held by a GCommandRef, a composite and an error command at once
// goes with its last holder.
//
// The stages' ProcessCommand takes and returns plain pointers: the result belongs to the caller,
// who holds it by a reference of its own. Inside, a stage holds the command here and lets go with
// Release, which never deletes.
#pragma once

#include <utility>

class GCommand;

class GCommandRef {
 public:
  GCommandRef() = default;
  // Holds `command` (null allowed): one more reference.
  explicit GCommandRef(GCommand* command);
  GCommandRef(const GCommandRef& other);
  GCommandRef(GCommandRef&& other) noexcept : command_(std::exchange(other.command_, nullptr)) {}
  // Drops the reference; the last one deletes the command. (An empty one, as a moved-from
  // reference is, costs no call.)
  ~GCommandRef() {
    if (command_ != nullptr) {
      Reset();
    }
  }

  // Holds `command` (one more reference), then drops the old one, deleting it at its last
  // reference. Holding the command already held changes nothing.
  GCommandRef& operator=(GCommand* command);
  GCommandRef& operator=(const GCommandRef& other);
  GCommandRef& operator=(GCommandRef&& other) noexcept;

  // Holds `command` and hands back the old command without deleting it, also when this was its
  // last reference (the caller then owns it). The same command again: handed back, still held.
  GCommand* Exchange(GCommand* command);
  // Lets go of the command without deleting it, also at its last reference (the caller then owns
  // it), and hands it back; the reference is empty.
  GCommand* Release();
  // Drops the reference as the destructor does; the reference is empty.
  void Reset();

  GCommand* Get() const { return command_; }
  GCommand* operator->() const { return command_; }
  explicit operator bool() const { return command_ != nullptr; }

 private:
  GCommand* command_ = nullptr;
};
