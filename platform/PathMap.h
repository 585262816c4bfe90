// The one mapping of Windows and NT file names to host paths, used by every stand-in that opens
// files by a name the system gives (engine modules, native files, Win32 files, module loading).
#pragma once

#include <string>
#include <string_view>

namespace vel::platform {

// The host folder under which Windows names live. A drive `X:` is the folder `<root>/X` (the
// letter in upper case), and `\SystemRoot` is `<root>/C/WINNT`. Set by the host before it hands
// names to the platform; the default is "vel-platform-root" in the system's temporary folder.
void SetPlatformRoot(const std::string& folder);
std::string PlatformRoot();

// Maps a name to a host path:
//   \SystemRoot\a\b          <root>/C/WINNT/a/b
//   \??\X:\a, \DosDevices\X:\a, X:\a, X:/a     <root>/X/a
//   \a\b                     <root>/C/a/b (the root of the system drive)
//   a\b (relative)           <root>/a/b
//   /a/b (absolute POSIX)    /a/b, used as it is
// Backslashes become slashes. "." and ".." are resolved inside the mapped part and never climb
// above the drive folder. Each component below the root is first taken exactly; when no such
// entry exists, an entry of the same folder whose name differs only in ASCII case is taken; when
// there is none either, the name is kept as given (a file about to be created). Returns an empty
// string for a name that cannot be mapped (an empty name, an NT device path such as
// \Device\Harddisk0, an embedded NUL).
std::string MapPlatformPath(std::string_view name);
std::string MapPlatformPath(std::u16string_view name);

}  // namespace vel::platform
