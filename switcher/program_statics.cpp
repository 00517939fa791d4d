// The program's static objects, all in this one file so that they are built
// in this order and destroyed in the reverse one: the application object,
// the power-profile binding (its destructor frees the library before the
// application object goes), and the OS version record. The string library's
// own statics, the shared empty strings, are zero-initialised data that
// exist before any of these.
#include <cstring>

#include "switcher/kelvane.h"

namespace kelvane {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

// GetVersionExA fills the record once; its result is not examined: a failed
// query leaves platform id 0, which counts as Windows NT.
struct OsVersionRecord {
  OSVERSIONINFOA info;
  bool isWin9x;

  OsVersionRecord() {
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(&info);
    isWin9x = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  }
};

PROCESS_GLOBAL SwitcherApp switcherApp;
PROCESS_GLOBAL PowerProfileApi powerProfileApi;
PROCESS_GLOBAL OsVersionRecord osVersion;

}  // namespace

SwitcherApp& App() { return switcherApp; }
PowerProfileApi& PowerProfile() { return powerProfileApi; }
bool IsWin9x() { return osVersion.isWin9x; }

void BuildStatics() {
  // The first use of per-program statics builds all of this file's, in
  // declaration order.
  (void)App();
  (void)PowerProfile();
  (void)IsWin9x();
}

}  // namespace kelvane
