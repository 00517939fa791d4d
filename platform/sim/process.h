// Process facts of the simulated desktop: the version record, the command
// line, the module path, WinExec, and the performance counter and tick count
// on the virtual clock.
//
// Contract: GetVersionExA, GetCommandLineA and GetModuleFileNameA/W answer
// from the calling program's StartOptions (the test side gets the defaults).
// GetVersionExA insists on dwOSVersionInfoSize == sizeof(OSVERSIONINFOA).
// GetModuleFileNameA/W cut a name that does not fit as the program's system
// does: NT 4.0 and 2000 fill the buffer without terminator and leave the
// last error; the others end it with a terminator and ERROR_INSUFFICIENT_BUFFER.
// WinExec starts nothing by itself: it records the start (trace kind
// kWinExec, the log below) and returns 33, unless a handler says otherwise.
// QueryPerformanceCounter is floor(now * frequency / 1e9); a frequency of 0
// means "no counter": both calls return FALSE and give 0. GetTickCount is the
// virtual time in whole milliseconds, wrapping at 2^32 like the real one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "desktop.h"

namespace sim {

namespace process {

// The module handle of the calling program itself (GetModuleHandleA(NULL)):
// the instance handle its entry received.
HMODULE ProgramModule();

constexpr LONGLONG kDefaultPerformanceFrequency = 3579545;

// Counts per second of QueryPerformanceCounter on this desktop; 0: no counter.
void SetPerformanceFrequency(LONGLONG countsPerSecond);
LONGLONG PerformanceFrequency();

struct ProgramStart {
  Nanos time;
  int pid;  // the program that called WinExec
  std::string commandLine;
  std::string directory;  // its current directory at that moment
  UINT showCommand;
  UINT result;
};
// Every WinExec call, in order.
const std::vector<ProgramStart>& WinExecLog();
// Decides what WinExec returns (> 31 success, else an error code); the
// handler may also start a program. Without one, WinExec returns 33.
void OnWinExec(std::function<UINT(const ProgramStart&)> handler);

// How often a program has read the clocks: QueryPerformanceFrequency,
// QueryPerformanceCounter and GetTickCount calls, counted per program (pid 0:
// the test side), so that tests can tell a waiting loop from a spinning one.
struct ClockReads {
  int64_t frequency = 0;
  int64_t counter = 0;
  int64_t ticks = 0;
};
ClockReads ClockReadsOf(int pid);

// --- for the other Win32 areas of the simulated desktop ---
// The calling program's pid, 0 on the test side.
int CallerPid();
// The calling program's start options (the defaults on the test side).
const StartOptions& CallerOptions();
// Whether a program has ended, so that what it held is released.
bool HasEnded(int pid);
// ASCII lower case, for the names Windows compares without case.
std::string Lower(const std::string& text);
// Text as 16-bit units (UTF-8 in, UTF-16 out).
std::u16string Widen(const std::string& text);

}  // namespace process
}  // namespace sim
