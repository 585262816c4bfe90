// Call log and failure switches of the stand-in platform.
#include "platform/CallLog.h"

#include <atomic>
#include <map>
#include <mutex>
#include <utility>

namespace vel::platform {
namespace {

struct Failure {
  int skip = 0;
  int count = 0;
};

struct State {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::map<std::string, Failure, std::less<>> failures;
  std::atomic<bool> any_failures{false};
};

// Never destroyed: stand-ins may be called from static destructors and exit handlers.
State& GetState() {
  static State* state = new State;
  return *state;
}

}  // namespace

void LogCall(std::string line) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.lines.push_back(std::move(line));
}

std::vector<std::string> CallLogSnapshot() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.lines;
}

void ClearCallLog() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.lines.clear();
}

void FailCalls(const std::string& function, int skip, int count) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.failures[function] = Failure{skip, count};
  state.any_failures.store(true, std::memory_order_release);
}

void ClearFailures() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.failures.clear();
  state.any_failures.store(false, std::memory_order_release);
}

bool ShouldFail(std::string_view function) {
  State& state = GetState();
  if (!state.any_failures.load(std::memory_order_acquire)) {
    return false;
  }
  std::lock_guard<std::mutex> lock(state.mutex);
  auto it = state.failures.find(function);
  if (it == state.failures.end()) {
    return false;
  }
  Failure& failure = it->second;
  if (failure.skip > 0) {
    --failure.skip;
    return false;
  }
  if (failure.count == 0) {
    return false;
  }
  if (failure.count > 0) {
    --failure.count;
  }
  return true;
}

}  // namespace vel::platform
