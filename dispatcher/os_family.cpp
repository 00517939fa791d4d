// Classifies the running Windows version; only Windows 95 changes behaviour.
#include <cstring>

#include "dispatcher/plimset.h"
#include "dispatcher/program_state.h"

namespace plimset {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

constexpr DWORD kWin98Build = 0x040A07CE;    // 4.10, build 1998
constexpr DWORD kWin98SeBuild = 0x040A08AE;  // 4.10, build 2222

}  // namespace

int GetOsFamily() {
  int& cached = State().cachedOsFamily;
  if (cached != OS_FAMILY_NONE) return cached;
  OSVERSIONINFOA version;
  memset(&version, 0, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  if (!GetVersionExA(&version)) return cached;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    const bool win98 = version.dwBuildNumber == kWin98Build || version.dwBuildNumber == kWin98SeBuild;
    cached = win98 ? OS_FAMILY_WIN98 : OS_FAMILY_WIN9X;
    if (version.dwMinorVersion == 0) cached = OS_FAMILY_WIN95;  // wins over the build test
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (version.dwMajorVersion == 4) cached = OS_FAMILY_NT4;
    if (version.dwMajorVersion == 5) cached = OS_FAMILY_NT5;
  }
  return cached;
}

}  // namespace plimset
