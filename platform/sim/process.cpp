// Process facts: version, command line, module path, WinExec, clocks.
#include "process.h"

#include <algorithm>
#include <map>

#include "kernel32.h"
#include "modules.h"
#include "oem_text.h"
#include "platform/sim/api_calls.h"
#include "state.h"
#include "wide_calls.h"

namespace sim {
namespace {

struct ProcessFactsArea {
  LONGLONG frequency = process::kDefaultPerformanceFrequency;
  std::vector<process::ProgramStart> starts;
  std::function<UINT(const process::ProgramStart&)> onWinExec;
  std::map<int, process::ClockReads> clockReads;
};

ProcessFactsArea& Facts() { return DesktopArea<ProcessFactsArea>(); }

// Windows NT 4.0 and 2000 cut a module name that does not fit to nSize
// characters with no terminator and leave the last error as it was.
bool CutsModuleNamesUnterminated() {
  const OSVERSIONINFOA& version = process::CallerOptions().version;
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
         (version.dwMajorVersion < 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion == 0));
}

// Copies `text` to a buffer of nSize characters as GetModuleFileName does:
// when it does not fit, the text is cut to nSize - 1 characters plus the
// terminator, the result is nSize and the error ERROR_INSUFFICIENT_BUFFER;
// on NT 4.0 and 2000 it is cut to nSize characters without terminator.
template <class Char, class Text>
DWORD CopyModuleName(const Text& text, Char* buffer, DWORD nSize) {
  if (nSize == 0 || buffer == nullptr) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < nSize) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<DWORD>(text.size());
  }
  if (CutsModuleNamesUnterminated()) {
    std::copy(text.begin(), text.begin() + nSize, buffer);
    return nSize;
  }
  std::copy(text.begin(), text.begin() + (nSize - 1), buffer);
  buffer[nSize - 1] = 0;
  SetError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

}  // namespace

namespace process {

void SetPerformanceFrequency(LONGLONG countsPerSecond) { Facts().frequency = countsPerSecond; }
LONGLONG PerformanceFrequency() { return Facts().frequency; }
const std::vector<ProgramStart>& WinExecLog() { return Facts().starts; }
void OnWinExec(std::function<UINT(const ProgramStart&)> handler) { Facts().onWinExec = std::move(handler); }

ClockReads ClockReadsOf(int pid) {
  auto& reads = Facts().clockReads;
  auto found = reads.find(pid);
  return found == reads.end() ? ClockReads() : found->second;
}

HMODULE ProgramModule() {
  Process* caller = CurrentProcess();
  return caller ? InstanceHandle(*caller) : reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));
}

int CallerPid() {
  Process* caller = CurrentProcess();
  return caller ? caller->pid : 0;
}

const StartOptions& CallerOptions() {
  static const StartOptions defaults;
  Process* caller = CurrentProcess();
  return caller ? caller->options : defaults;
}

bool HasEnded(int pid) { return pid != 0 && !Desktop::Current().IsRunning(pid); }

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::u16string Widen(const std::string& text) {
  std::u16string wide;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t code = c;
    size_t length = 1;
    if (c >= 0xF0 && i + 3 < text.size()) {
      code = ((c & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
             (text[i + 3] & 0x3Fu);
      length = 4;
    } else if (c >= 0xE0 && i + 2 < text.size()) {
      code = ((c & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      length = 3;
    } else if (c >= 0xC0 && i + 1 < text.size()) {
      code = ((c & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
      length = 2;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return wide;
}

}  // namespace process
}  // namespace sim

using sim::D;
using sim::SetError;

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  SIM_API_CALL();
  if (lpVersionInformation == nullptr) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const sim::StartOptions& options = sim::process::CallerOptions();
  if (options.versionQueryFails) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpVersionInformation = options.version;
  lpVersionInformation->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  return TRUE;
}

LPSTR WINAPI GetCommandLineA(void) {
  SIM_API_CALL();
  sim::Process* caller = sim::CurrentProcess();
  if (caller == nullptr) {
    static char empty[1] = "";
    return empty;
  }
  return &caller->commandLine[0];
}

namespace {

// The file name of a module of the caller: the program itself or a library.
bool ModulePath(HMODULE module, std::string* path) {
  if (module == nullptr || module == sim::process::ProgramModule()) {
    *path = sim::process::CallerOptions().modulePath;
    return true;
  }
  if (sim::modules::FileNameOf(module, path)) return true;
  SetError(ERROR_MOD_NOT_FOUND);
  return false;
}

}  // namespace

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  SIM_API_CALL();
  std::string path;
  if (!ModulePath(hModule, &path)) return 0;
  // Test-side paths are UTF-8; the narrow call gives ANSI text, as Windows does.
  return sim::CopyModuleName(sim::WideToAnsi(sim::process::Widen(path)), lpFilename, nSize);
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  SIM_API_CALL();
  if (sim::RefuseWideCallOn9x()) return 0;
  std::string path;
  if (!ModulePath(hModule, &path)) return 0;
  return sim::CopyModuleName(sim::process::Widen(path), lpFilename, nSize);
}

UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
  SIM_API_CALL();
  sim::Process* caller = sim::CurrentProcess();
  sim::process::ProgramStart start{D().now,
                                   sim::process::CallerPid(),
                                   lpCmdLine ? lpCmdLine : "",
                                   caller ? caller->currentDirectory : std::string(),
                                   uCmdShow,
                                   33};
  sim::Record(sim::TraceEvent::kWinExec, nullptr, 0, uCmdShow, 0, start.commandLine, start.directory);
  auto& facts = sim::Facts();
  if (facts.onWinExec) {
    // Call a copy: the handler may replace itself.
    auto handler = facts.onWinExec;
    start.result = handler(start);
  }
  sim::Facts().starts.push_back(start);
  return start.result;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  SIM_API_CALL();
  ++sim::Facts().clockReads[sim::process::CallerPid()].frequency;
  LONGLONG frequency = sim::Facts().frequency;
  if (lpFrequency) lpFrequency->QuadPart = frequency;
  return frequency > 0 ? TRUE : FALSE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  SIM_API_CALL();
  ++sim::Facts().clockReads[sim::process::CallerPid()].counter;
  LONGLONG frequency = sim::Facts().frequency;
  if (lpPerformanceCount == nullptr) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (frequency <= 0) {
    lpPerformanceCount->QuadPart = 0;
    return FALSE;
  }
  // now * frequency overflows 64 bits after about 43 minutes at 3.58 MHz.
  __int128 counts = static_cast<__int128>(D().now) * frequency / 1000000000;
  lpPerformanceCount->QuadPart = static_cast<LONGLONG>(counts);
  return TRUE;
}

DWORD WINAPI GetTickCount(void) {
  SIM_API_CALL();
  ++sim::Facts().clockReads[sim::process::CallerPid()].ticks;
  return static_cast<DWORD>(static_cast<uint64_t>(D().now / sim::kMillisecond));
}
