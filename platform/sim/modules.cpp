// Loadable libraries: LoadLibraryA, GetProcAddress, FreeLibrary, GetModuleHandleA.
#include "modules.h"

#include "kernel32.h"
#include "platform/sim/api_calls.h"
#include "process.h"
#include "state.h"

namespace sim {
namespace {

struct Library {
  std::string fileName;  // as registered
  std::string path;
  modules::Exports exports;
  HMODULE handle;
  bool loadable = true;
  std::map<int, int> references;  // pid -> count
};

struct ModulesArea {
  std::map<std::string, Library> libraries;  // lower-case file name -> library
  std::vector<modules::ModuleCall> log;
  uintptr_t nextHandle = 0x10000000;
  int freeFaults = 0;
};

ModulesArea& Modules() { return DesktopArea<ModulesArea>(); }

// "C:\Dir\PowrProf.DLL" -> "powrprof.dll"; "powrprof" -> "powrprof.dll".
std::string KeyOf(const std::string& name) {
  std::string base =
      name.substr(name.find_last_of("\\/") == std::string::npos ? 0 : name.find_last_of("\\/") + 1);
  if (base.find('.') == std::string::npos) base += ".dll";
  return process::Lower(base);
}

Library* ByHandle(HMODULE module) {
  for (auto& entry : Modules().libraries) {
    if (entry.second.handle == module) return &entry.second;
  }
  return nullptr;
}

void Log(modules::ModuleCall::Op op, const std::string& library, const std::string& proc, DWORD error) {
  Modules().log.push_back({D().now, process::CallerPid(), op, library, proc, error == 0, error});
}

int Count(modules::ModuleCall::Op op, const std::string& fileName) {
  int count = 0;
  std::string key = KeyOf(fileName);
  for (const auto& call : Modules().log) {
    if (call.op == op && call.ok && KeyOf(call.library) == key) ++count;
  }
  return count;
}

}  // namespace

namespace modules {

void Register(const std::string& fileName, const Exports& exports, const std::string& path) {
  ModulesArea& area = Modules();
  Library& library = area.libraries[KeyOf(fileName)];
  if (library.handle == nullptr) {
    library.handle = reinterpret_cast<HMODULE>(area.nextHandle);
    area.nextHandle += 0x10000;
  }
  library.fileName = fileName;
  library.path = path.empty() ? "C:\\WINDOWS\\SYSTEM32\\" + fileName : path;
  library.exports = exports;
  library.loadable = true;
}

void Unregister(const std::string& fileName) {
  auto found = Modules().libraries.find(KeyOf(fileName));
  if (found != Modules().libraries.end()) found->second.loadable = false;
}

void RemoveExport(const std::string& fileName, const std::string& exportName) {
  auto found = Modules().libraries.find(KeyOf(fileName));
  if (found != Modules().libraries.end()) found->second.exports.erase(exportName);
}

const std::vector<ModuleCall>& Log() { return Modules().log; }
int Loads(const std::string& fileName) { return Count(ModuleCall::kLoad, fileName); }
int Frees(const std::string& fileName) { return Count(ModuleCall::kFree, fileName); }
int FreeFaults() { return Modules().freeFaults; }

int References(const std::string& fileName, int pid) {
  auto found = Modules().libraries.find(KeyOf(fileName));
  if (found == Modules().libraries.end()) return 0;
  auto count = found->second.references.find(pid);
  return count == found->second.references.end() ? 0 : count->second;
}

bool FileNameOf(HMODULE module, std::string* path) {
  Library* library = ByHandle(module);
  if (library == nullptr || library->references[process::CallerPid()] == 0) return false;
  *path = library->path;
  return true;
}

}  // namespace modules
}  // namespace sim

using sim::SetError;
using sim::modules::ModuleCall;

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  SIM_API_CALL();
  std::string name = lpLibFileName ? lpLibFileName : "";
  auto& libraries = sim::Modules().libraries;
  auto found = libraries.find(sim::KeyOf(name));
  if (lpLibFileName == nullptr || found == libraries.end() || !found->second.loadable) {
    sim::Log(ModuleCall::kLoad, name, "", ERROR_MOD_NOT_FOUND);
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++found->second.references[sim::process::CallerPid()];
  sim::Log(ModuleCall::kLoad, found->second.fileName, "", 0);
  return found->second.handle;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  SIM_API_CALL();
  sim::Library* library = sim::ByHandle(hModule);
  if (library == nullptr || library->references[sim::process::CallerPid()] == 0) {
    sim::Log(ModuleCall::kGetProcAddress, "", IS_INTRESOURCE(lpProcName) ? "" : lpProcName,
             ERROR_MOD_NOT_FOUND);
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Ordinals are not modelled: every library here exports by name only.
  std::string proc = IS_INTRESOURCE(lpProcName) ? std::string() : std::string(lpProcName);
  auto entry = library->exports.find(proc);
  if (IS_INTRESOURCE(lpProcName) || entry == library->exports.end() || entry->second == nullptr) {
    sim::Log(ModuleCall::kGetProcAddress, library->fileName, proc, ERROR_PROC_NOT_FOUND);
    SetError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  sim::Log(ModuleCall::kGetProcAddress, library->fileName, proc, 0);
  return entry->second;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  SIM_API_CALL();
  sim::Library* library = sim::ByHandle(hLibModule);
  int pid = sim::process::CallerPid();
  if (library == nullptr || library->references[pid] == 0) {
    ++sim::Modules().freeFaults;
    sim::Log(ModuleCall::kFree, library ? library->fileName : "", "", ERROR_MOD_NOT_FOUND);
    SetError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  --library->references[pid];
  sim::Log(ModuleCall::kFree, library->fileName, "", 0);
  return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  SIM_API_CALL();
  if (lpModuleName == nullptr) return sim::process::ProgramModule();
  auto& libraries = sim::Modules().libraries;
  auto found = libraries.find(sim::KeyOf(lpModuleName));
  if (found == libraries.end() || found->second.references[sim::process::CallerPid()] == 0) {
    sim::Log(ModuleCall::kGetModuleHandle, lpModuleName, "", ERROR_MOD_NOT_FOUND);
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  sim::Log(ModuleCall::kGetModuleHandle, found->second.fileName, "", 0);
  return found->second.handle;
}
