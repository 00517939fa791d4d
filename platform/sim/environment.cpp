// The environment and the wide command line of each simulated program.
// The narrow environment call gives ANSI text.
#include <cstring>

#include "platform/sim/api_calls.h"
#include "platform/sim/oem_text.h"
#include "platform/sim/state.h"
#include "platform/sim/wide_calls.h"
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

namespace {

// The value of a variable of the calling program, or false (error set) when
// it has none.
bool ValueOf(LPCWSTR name, std::u16string* value) {
  sim::Process* process = sim::CurrentProcess();
  if (name && process) {
    const std::u16string wanted = name;
    for (const auto& variable : process->options.environment) {
      if (!SameName(sim::Utf8ToWide(variable.first), wanted)) continue;
      *value = sim::Utf8ToWide(variable.second);
      return true;
    }
  }
  sim::SetError(kErrorEnvironmentVariableNotFound);
  return false;
}

// Too small a buffer: the size needed, the zero included; the buffer is left
// as it was.
template <class Char, class Text>
DWORD CopyValue(const Text& value, Char* buffer, DWORD size) {
  if (!buffer || size < value.size() + 1) return static_cast<DWORD>(value.size() + 1);
  std::memcpy(buffer, value.data(), value.size() * sizeof(Char));
  buffer[value.size()] = 0;
  return static_cast<DWORD>(value.size());
}

}  // namespace

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  SIM_API_CALL();
  if (sim::RefuseWideCallOn9x()) return 0;
  std::u16string value;
  if (!ValueOf(name, &value)) return 0;
  return CopyValue<WCHAR>(value, buffer, size);
}

DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  SIM_API_CALL();
  std::u16string value;
  if (!ValueOf(name ? sim::AnsiToWide(name).c_str() : nullptr, &value)) return 0;
  return CopyValue<CHAR>(sim::WideToAnsi(value), buffer, size);
}

// Implemented on Windows 95/98/Me too.
LPWSTR WINAPI GetCommandLineW(void) {
  SIM_API_CALL();
  static WCHAR empty[1] = {0};
  sim::Process* process = sim::CurrentProcess();
  return process ? &process->commandLineW[0] : empty;
}
