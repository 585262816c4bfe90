// Recording error hook for tests.
#include "tests/support/RwRecordingErrorHook.h"

#include <mutex>

namespace vel::test {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_texts;

void Record(const RWErrorBase& error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_texts.emplace_back(error.Text());
}

}  // namespace

RecordingErrorHook::RecordingErrorHook() : previous_(SetErrorHook(&Record)) {
  Clear();
}

RecordingErrorHook::~RecordingErrorHook() {
  SetErrorHook(previous_);
}

std::vector<std::string> RecordingErrorHook::Texts() const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_texts;
}

std::vector<std::string> RecordingErrorHook::Tags() const {
  std::vector<std::string> tags;
  for (const std::string& text : Texts()) {
    std::size_t end = text.find(']');
    tags.push_back(text.rfind('[', 0) == 0 && end != std::string::npos ? text.substr(0, end + 1)
                                                                       : std::string());
  }
  return tags;
}

std::size_t RecordingErrorHook::Count() const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_texts.size();
}

void RecordingErrorHook::Clear() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_texts.clear();
}

}  // namespace vel::test
