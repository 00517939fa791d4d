// The environment and the wide command line of each simulated program.
#include <cstring>

#include "platform/sim/api_calls.h"
#include "platform/sim/oem_text.h"
#include "platform/sim/state.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kErrorEnvironmentVariableNotFound = 203;  // ERROR_ENVVAR_NOT_FOUND

char16_t FoldCase(char16_t c) { return c >= 'a' && c <= 'z' ? static_cast<char16_t>(c - ('a' - 'A')) : c; }

bool SameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  SIM_API_CALL();
  sim::Process* process = sim::CurrentProcess();
  if (!name || !process) {
    sim::SetError(kErrorEnvironmentVariableNotFound);
    return 0;
  }
  const std::u16string wanted = name;
  for (const auto& variable : process->options.environment) {
    if (!SameName(sim::Utf8ToWide(variable.first), wanted)) continue;
    const std::u16string value = sim::Utf8ToWide(variable.second);
    // Too small a buffer: the size needed, the zero included; the buffer is
    // left as it was.
    if (!buffer || size < value.size() + 1) return static_cast<DWORD>(value.size() + 1);
    std::memcpy(buffer, value.data(), value.size() * sizeof(WCHAR));
    buffer[value.size()] = 0;
    return static_cast<DWORD>(value.size());
  }
  sim::SetError(kErrorEnvironmentVariableNotFound);
  return 0;
}

LPWSTR WINAPI GetCommandLineW(void) {
  SIM_API_CALL();
  static WCHAR empty[1] = {0};
  sim::Process* process = sim::CurrentProcess();
  return process ? &process->commandLineW[0] : empty;
}
