// Stand-in Win32 system information.
#include "platform/win32/sysinfo.h"

#include <cstring>
#include <mutex>

#include "platform/CallLog.h"
#include "platform/win32/text.h"

namespace vel::platform {
namespace {

struct State {
  std::mutex mutex;
  SystemVersion version;
  std::u16string user = u"User";
};

State& GetState() {
  static State* state = new State;
  return *state;
}

}  // namespace

void SetSystemVersion(const SystemVersion& version) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.version = version;
}

void SetUserName(const std::u16string& name) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.user = name;
}

void ResetSystemInfo() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.version = SystemVersion();
  state.user = u"User";
}

}  // namespace vel::platform

BOOL GetVersionExW(OSVERSIONINFOW* info) {
  const DWORD size = info != nullptr ? info->dwOSVersionInfoSize : 0;
  const std::string call = "GetVersionExW(" + std::to_string(size) + ") = ";
  if (vel::platform::ShouldFail("GetVersionExW") || info == nullptr ||
      size < sizeof(OSVERSIONINFOW)) {
    SetLastError(info == nullptr || size >= sizeof(OSVERSIONINFOW) ? ERROR_INVALID_PARAMETER
                                                                   : ERROR_INSUFFICIENT_BUFFER);
    vel::platform::LogCall(call + "FALSE");
    return FALSE;
  }
  vel::platform::State& state = vel::platform::GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  info->dwMajorVersion = state.version.major;
  info->dwMinorVersion = state.version.minor;
  info->dwBuildNumber = state.version.build;
  info->dwPlatformId = state.version.platform;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  lstrcpynW(info->szCSDVersion, state.version.service_pack.c_str(), 128);
  if (size >= sizeof(OSVERSIONINFOEXW)) {
    auto* extended = reinterpret_cast<OSVERSIONINFOEXW*>(info);
    extended->wServicePackMajor = 0;
    extended->wServicePackMinor = 0;
    extended->wSuiteMask = 0;
    extended->wProductType = 1;  // a workstation
    extended->wReserved = 0;
  }
  vel::platform::LogCall(call + "TRUE");
  return TRUE;
}

DWORD GetVersion() {
  vel::platform::State& state = vel::platform::GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  const DWORD result = (state.version.major & 0xFF) | (state.version.minor & 0xFF) << 8 |
                       (state.version.build & 0x7FFF) << 16;
  vel::platform::LogCall("GetVersion = " + std::to_string(result));
  return result;
}

BOOL GetUserNameW(LPWSTR buffer, LPDWORD size) {
  if (size == nullptr || vel::platform::ShouldFail("GetUserNameW")) {
    SetLastError(size == nullptr ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE);
    vel::platform::LogCall("GetUserNameW = FALSE");
    return FALSE;
  }
  vel::platform::State& state = vel::platform::GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  const DWORD needed = static_cast<DWORD>(state.user.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    vel::platform::LogCall("GetUserNameW = FALSE");
    return FALSE;
  }
  lstrcpynW(buffer, state.user.c_str(), static_cast<int>(needed));
  *size = needed;
  vel::platform::LogCall("GetUserNameW = TRUE");
  return TRUE;
}
