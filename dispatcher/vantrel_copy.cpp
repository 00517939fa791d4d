// Copies the "Program" value of the companion product Vantrel from its
// Windows 95 key to its Windows NT 4.0 key, once: on the first start at which
// the NT 4.0 key does not exist yet.
#include <cstring>

#include "dispatcher/plimset.h"

namespace plimset {
namespace {

const char kVantrelKey[] = "Software\\Vantrel";
const char kNt4Key[] = "Software\\Vantrel\\Vantrel for Windows NT 4.0";
const char kWin95Key[] = "Software\\Vantrel\\Vantrel for Windows 95";
const char kProgramValue[] = "Program";
constexpr DWORD kProgramBufferSize = 400;

// True when the read gave a string that fits the buffer with its terminator.
bool IsTerminatedString(const BYTE* data, DWORD size) {
  return size > 0 && size <= kProgramBufferSize && memchr(data, 0, size) != nullptr;
}

}  // namespace

void CopyVantrelProgramValue() {
  HKEY vantrel;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kVantrelKey, &vantrel) != ERROR_SUCCESS) return;
  HKEY nt4;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kNt4Key, &nt4) == ERROR_SUCCESS) {
    RegCloseKey(nt4);
    RegCloseKey(vantrel);
    return;
  }
  HKEY win95;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kWin95Key, &win95) != ERROR_SUCCESS) {
    RegCloseKey(vantrel);
    return;
  }
  BYTE program[kProgramBufferSize];
  DWORD size = kProgramBufferSize;
  const LONG read = RegQueryValueExA(win95, kProgramValue, nullptr, nullptr, program, &size);
  RegCloseKey(win95);
  // Only a value that was read whole is copied: a missing or over-long value
  // would otherwise put whatever the buffer held into the registry.
  if (read == ERROR_SUCCESS && IsTerminatedString(program, size)) {
    HKEY target;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kNt4Key, &target) == ERROR_SUCCESS) {
      const DWORD length = static_cast<DWORD>(strlen(reinterpret_cast<const char*>(program))) + 1;
      RegSetValueExA(target, kProgramValue, 0, REG_SZ, program, length);
      RegCloseKey(target);
    }
  }
  RegCloseKey(vantrel);
}

}  // namespace plimset
