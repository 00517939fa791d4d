// The current directory of each simulated program, and full path names
// formed from it. The narrow calls take and give ANSI text.
#include <cstring>

#include "platform/sim/api_calls.h"
#include "platform/sim/file_system.h"
#include "platform/sim/oem_text.h"
#include "platform/sim/state.h"
#include "platform/sim/wide_calls.h"
#include "platform/win32.h"

namespace {

// Copies `text` and its zero when it fits in `size` units and returns its
// length; otherwise returns the size needed, the zero included, as the
// Win32 calls that fill a caller's buffer do.
template <class Char, class Text>
DWORD CopyOut(const Text& text, DWORD size, Char* buffer) {
  if (!buffer || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.data(), text.size() * sizeof(Char));
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

BOOL EnterDirectory(const std::u16string& path) {
  sim::Process* process = sim::CurrentProcess();
  if (!process) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string full;
  if (!sim::FullPathName(path, sim::CallerDirectory(), &full)) {
    sim::SetError(path.empty() ? sim::kErrorInvalidName : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  DWORD error = 0;
  DWORD attributes = sim::AttributesOf(full, &error);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    sim::SetError(error);
    return FALSE;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    sim::SetError(sim::kErrorDirectory);
    return FALSE;
  }
  // Kept as Windows keeps it: a root with its backslash, others without.
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  process->currentDirectory = sim::WideToUtf8(full);
  return TRUE;
}

}  // namespace

DWORD WINAPI GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
  SIM_API_CALL();
  if (sim::RefuseWideCallOn9x()) return 0;
  return CopyOut<WCHAR>(sim::CallerDirectory(), bufferLength, buffer);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  SIM_API_CALL();
  return CopyOut<CHAR>(sim::WideToAnsi(sim::CallerDirectory()), bufferLength, buffer);
}

BOOL WINAPI SetCurrentDirectoryW(LPCWSTR pathName) {
  SIM_API_CALL();
  if (sim::RefuseWideCallOn9x()) return FALSE;
  if (!pathName) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return EnterDirectory(pathName);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR pathName) {
  SIM_API_CALL();
  if (!pathName) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return EnterDirectory(sim::AnsiToWide(pathName));
}

DWORD WINAPI GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
  SIM_API_CALL();
  if (!fileName) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string full;
  if (!sim::FullPathName(sim::AnsiToWide(fileName), sim::CallerDirectory(), &full)) {
    sim::SetError(sim::kErrorInvalidName);
    return 0;
  }
  std::string narrow = sim::WideToAnsi(full);
  DWORD result = CopyOut<CHAR>(narrow, bufferLength, buffer);
  if (filePart && result == narrow.size()) {
    // The last name, or null when the path ends with a backslash.
    size_t lastBackslash = narrow.rfind('\\');
    *filePart = lastBackslash + 1 < narrow.size() ? buffer + lastBackslash + 1 : nullptr;
  }
  return result;
}
