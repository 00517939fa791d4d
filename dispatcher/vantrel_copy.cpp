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

// Makes the `size` bytes read a terminated string: they end at their first
// zero, else at `size`, where a zero is put when the buffer has room for it.
// False when the bytes fill the buffer without a zero: the string was cut.
bool EndAsString(BYTE* data, DWORD size) {
  if (size > kProgramBufferSize) return false;
  if (memchr(data, 0, size) != nullptr) return true;
  if (size == kProgramBufferSize) return false;
  data[size] = 0;
  return true;
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
  // Only a value that was read whole is copied, also one stored without its
  // terminating zero: a missing or over-long value would otherwise put
  // whatever the buffer held into the registry.
  if (read == ERROR_SUCCESS && EndAsString(program, size)) {
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
