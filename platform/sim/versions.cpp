// The version records that GetVersionExA reports for each Windows release.
#include <cstring>

#include "desktop.h"

namespace sim {
namespace {

OSVERSIONINFOA Version(DWORD major, DWORD minor, DWORD build, DWORD platform) {
  OSVERSIONINFOA v;
  memset(&v, 0, sizeof(v));
  v.dwOSVersionInfoSize = sizeof(v);
  v.dwMajorVersion = major;
  v.dwMinorVersion = minor;
  v.dwBuildNumber = build;
  v.dwPlatformId = platform;
  return v;
}

}  // namespace

// The 9x family reports the version in the high word of the build number.
OSVERSIONINFOA Windows95() { return Version(4, 0, 0x040003B6, VER_PLATFORM_WIN32_WINDOWS); }
OSVERSIONINFOA Windows98() { return Version(4, 10, 0x040A07CE, VER_PLATFORM_WIN32_WINDOWS); }
OSVERSIONINFOA WindowsMe() { return Version(4, 90, 0x045A0BB8, VER_PLATFORM_WIN32_WINDOWS); }
OSVERSIONINFOA WindowsNT4() { return Version(4, 0, 1381, VER_PLATFORM_WIN32_NT); }
OSVERSIONINFOA Windows2000() { return Version(5, 0, 2195, VER_PLATFORM_WIN32_NT); }

}  // namespace sim
