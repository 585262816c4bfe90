// A thread with a chosen stack size, through POSIX threads (std::thread cannot choose it).
#include "tests/support/SmallStackThread.h"

#include <pthread.h>

namespace vel::test {

namespace {

void* Run(void* function) {
  (*static_cast<const std::function<void()>*>(function))();
  return nullptr;
}

}  // namespace

bool RunWithStack(std::size_t stack_bytes, const std::function<void()>& function) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) {
    return false;
  }
  pthread_t thread;
  const bool started =
      pthread_attr_setstacksize(&attributes, stack_bytes) == 0 &&
      pthread_create(&thread, &attributes, Run, const_cast<std::function<void()>*>(&function)) == 0;
  pthread_attr_destroy(&attributes);
  return started && pthread_join(thread, nullptr) == 0;
}

}  // namespace vel::test
