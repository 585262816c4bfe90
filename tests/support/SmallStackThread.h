// Runs a function on a new thread with a stack of a given size, as the system's threads may have.
#pragma once

#include <cstddef>
#include <functional>

namespace vel::test {

// Runs `function` on a thread whose stack is `stack_bytes` and waits for it; false when the
// thread could not be started.
bool RunWithStack(std::size_t stack_bytes, const std::function<void()>& function);

}  // namespace vel::test
