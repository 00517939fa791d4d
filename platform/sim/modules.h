// Loadable libraries of the simulated desktop: LoadLibraryA, GetProcAddress,
// FreeLibrary, GetModuleHandleA.
//
// Contract: a test registers a library by file name with its table of
// exported names and function pointers. LoadLibraryA finds it by file name
// without case and without directory ("C:\X\POWRPROF.DLL" finds
// "powrprof.dll"; a name without an extension gets ".dll"), counts a
// reference for the calling program and returns the same handle every time;
// an unknown name gives null and ERROR_MOD_NOT_FOUND. GetProcAddress matches
// the exact, case-sensitive name; a missing one gives null and
// ERROR_PROC_NOT_FOUND. FreeLibrary drops one reference; freeing a library
// the caller does not hold returns FALSE with ERROR_MOD_NOT_FOUND and counts
// as a fault. GetModuleHandleA(NULL) is the program; by name it finds a
// library the caller holds, without taking a reference. Every call is logged.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "desktop.h"

namespace sim {
namespace modules {

using Exports = std::map<std::string, FARPROC>;

// Makes a library loadable. `path` is what GetModuleFileNameA reports for it
// (default "C:\WINDOWS\SYSTEM32\" + fileName). Registering a name again
// replaces its exports.
void Register(const std::string& fileName, const Exports& exports, const std::string& path = std::string());
// Makes a library unloadable again (programs that hold it keep their handle).
void Unregister(const std::string& fileName);
// Removes one export, for "entry point missing" cases.
void RemoveExport(const std::string& fileName, const std::string& exportName);

struct ModuleCall {
  enum Op { kLoad, kGetProcAddress, kFree, kGetModuleHandle };
  Nanos time;
  int pid;
  Op op;
  std::string library;  // registered file name, or the name asked for
  std::string proc;     // for GetProcAddress
  bool ok;
  DWORD error;  // 0 on success
};
const std::vector<ModuleCall>& Log();
// Successful loads and frees of a library by every program.
int Loads(const std::string& fileName);
int Frees(const std::string& fileName);
// References that program `pid` holds now (0 on the test side).
int References(const std::string& fileName, int pid);
// Frees of libraries not held, by every program.
int FreeFaults();

// --- for the other Win32 areas ---
// The path of a library handle that the caller holds.
bool FileNameOf(HMODULE module, std::string* path);

}  // namespace modules
}  // namespace sim
