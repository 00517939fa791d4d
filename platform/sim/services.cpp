// The service control manager: a desktop-wide database of services with
// handle accounting.
#include "services.h"

#include <map>

#include "platform/sim/api_calls.h"
#include "platform/sim/oem_text.h"
#include "process.h"
#include "state.h"

namespace sim {
namespace {

struct ServiceEntry {
  services::Service info;
  int openHandles = 0;
};

struct ScHandle {
  bool manager;
  std::string key;  // lower-case service name, "" for the manager
  int pid;
  bool open;
  int closes;
};

struct ServicesArea {
  std::map<std::string, ServiceEntry> services;  // by lower-case name
  std::map<SC_HANDLE, ScHandle> handles;
  uintptr_t nextHandle = 0x3C0000;
  bool denied = false;
  DWORD failCreate = 0, failStart = 0, failStop = 0;
  int faults = 0;
  int nullCloses = 0;
  std::vector<services::Call> log;
};

ServicesArea& Area() { return DesktopArea<ServicesArea>(); }

ServiceEntry* FindEntry(const std::string& name) {
  auto found = Area().services.find(process::Lower(name));
  return found == Area().services.end() ? nullptr : &found->second;
}

// A service marked for deletion leaves once it is stopped and unused.
void RemoveIfDone(const std::string& key) {
  auto found = Area().services.find(key);
  if (found == Area().services.end()) return;
  const ServiceEntry& entry = found->second;
  if (entry.info.markedForDelete && !entry.info.running && entry.openHandles == 0)
    Area().services.erase(found);
}

void Release(ScHandle& record) {
  record.open = false;
  if (!record.manager) {
    ServiceEntry* entry = FindEntry(record.key);
    if (entry) --entry->openHandles;
    RemoveIfDone(record.key);
  }
}

// Handles of programs that have ended are released, as at process exit.
void ReleaseEnded() {
  for (auto& entry : Area().handles) {
    if (entry.second.open && process::HasEnded(entry.second.pid)) Release(entry.second);
  }
}

SC_HANDLE Issue(bool manager, const std::string& key) {
  ServicesArea& area = Area();
  SC_HANDLE handle = reinterpret_cast<SC_HANDLE>(area.nextHandle);
  area.nextHandle += 8;
  area.handles[handle] = {manager, key, process::CallerPid(), true, 0};
  if (!manager) ++area.services[key].openHandles;
  return handle;
}

// The caller's open handle of the wanted kind, or null.
ScHandle* Lookup(SC_HANDLE handle, bool manager) {
  auto found = Area().handles.find(handle);
  if (found == Area().handles.end()) return nullptr;
  ScHandle& record = found->second;
  if (!record.open || record.manager != manager || record.pid != process::CallerPid()) return nullptr;
  return &record;
}

services::Call Begin(const char* op, SC_HANDLE handle, const std::string& service) {
  services::Call call{};
  call.time = D().now;
  call.pid = process::CallerPid();
  call.op = op;
  call.service = service;
  call.handle = handle;
  return call;
}

// Logs the call, sets the caller's error on failure, and passes `result` on.
template <class Result>
Result Finish(services::Call call, DWORD error, Result result) {
  call.ok = error == ERROR_SUCCESS;
  call.error = error;
  std::string detail = call.op + (call.service.empty() ? std::string() : " " + call.service);
  if (call.op == "ControlService") detail += call.argument == SERVICE_CONTROL_STOP ? " stop" : " control";
  Record(TraceEvent::kDevice, nullptr, 0, reinterpret_cast<WPARAM>(call.handle), call.ok ? 1 : 0, detail,
         call.ok ? "ok" : "error " + std::to_string(error));
  Area().log.push_back(call);
  if (error != ERROR_SUCCESS) SetError(error);
  return result;
}

std::string NameOf(const ScHandle* record) {
  if (record == nullptr || record->manager) return "";
  auto found = Area().services.find(record->key);
  return found == Area().services.end() ? record->key : found->second.info.name;
}

}  // namespace

namespace services {

void Add(const std::string& name, const std::string& binaryPath, bool running) {
  ServiceEntry& entry = Area().services[process::Lower(name)];
  entry.info.name = name;
  entry.info.displayName = name;
  entry.info.binaryPath = binaryPath;
  entry.info.running = running;
}

std::optional<Service> Find(const std::string& name) {
  ServiceEntry* entry = FindEntry(name);
  if (entry == nullptr) return std::nullopt;
  return entry->info;
}

bool Exists(const std::string& name) { return FindEntry(name) != nullptr; }

bool IsRunning(const std::string& name) {
  ServiceEntry* entry = FindEntry(name);
  return entry != nullptr && entry->info.running;
}

void DenyAccess(bool deny) { Area().denied = deny; }
void FailCreate(DWORD error) { Area().failCreate = error; }
void FailStart(DWORD error) { Area().failStart = error; }
void FailStop(DWORD error) { Area().failStop = error; }

const std::vector<Call>& Log() { return Area().log; }

std::vector<Call> CallsOf(const std::string& op) {
  std::vector<Call> calls;
  for (const Call& call : Area().log) {
    if (call.op == op) calls.push_back(call);
  }
  return calls;
}

int OpenHandleCount() {
  ReleaseEnded();
  int open = 0;
  for (const auto& entry : Area().handles) open += entry.second.open ? 1 : 0;
  return open;
}

int CloseFaults() { return Area().faults; }
int NullCloses() { return Area().nullCloses; }

bool AllClosedOnce() {
  if (Area().faults != 0) return false;
  for (const auto& entry : Area().handles) {
    if (entry.second.closes != 1) return false;
  }
  return true;
}

}  // namespace services
}  // namespace sim

using sim::Finish;
using sim::ScHandle;

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess) {
  SIM_API_CALL();
  sim::ReleaseEnded();
  sim::services::Call call = sim::Begin("OpenSCManagerA", nullptr, "");
  call.machineNull = lpMachineName == nullptr;
  call.databaseNull = lpDatabaseName == nullptr;
  call.desiredAccess = dwDesiredAccess;
  if (sim::Area().denied) return Finish(call, ERROR_ACCESS_DENIED, SC_HANDLE(nullptr));
  call.handle = sim::Issue(true, "");
  return Finish(call, ERROR_SUCCESS, call.handle);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
  SIM_API_CALL();
  sim::ReleaseEnded();
  std::string name = lpServiceName ? lpServiceName : "";
  sim::services::Call call = sim::Begin("OpenServiceA", nullptr, name);
  call.desiredAccess = dwDesiredAccess;
  if (sim::Lookup(hSCManager, true) == nullptr) return Finish(call, ERROR_INVALID_HANDLE, SC_HANDLE(nullptr));
  sim::ServiceEntry* entry = sim::FindEntry(name);
  if (entry == nullptr) return Finish(call, ERROR_SERVICE_DOES_NOT_EXIST, SC_HANDLE(nullptr));
  call.service = entry->info.name;
  call.handle = sim::Issue(false, sim::process::Lower(name));
  return Finish(call, ERROR_SUCCESS, call.handle);
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                                DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                DWORD dwErrorControl, LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup,
                                LPDWORD lpdwTagId, LPCSTR lpDependencies, LPCSTR lpServiceStartName,
                                LPCSTR lpPassword) {
  SIM_API_CALL();
  sim::ReleaseEnded();
  std::string name = lpServiceName ? lpServiceName : "";
  sim::services::Call call = sim::Begin("CreateServiceA", nullptr, name);
  call.displayName = lpDisplayName ? lpDisplayName : "";
  call.desiredAccess = dwDesiredAccess;
  call.type = dwServiceType;
  call.startType = dwStartType;
  call.errorControl = dwErrorControl;
  // The service control manager reads the path as ANSI text.
  call.binaryPath = lpBinaryPathName ? sim::WideToUtf8(sim::AnsiToWide(lpBinaryPathName)) : "";
  call.loadOrderGroupNull = lpLoadOrderGroup == nullptr;
  call.tagIdNull = lpdwTagId == nullptr;
  call.dependenciesNull = lpDependencies == nullptr;
  call.startNameNull = lpServiceStartName == nullptr;
  call.passwordNull = lpPassword == nullptr;
  if (sim::Lookup(hSCManager, true) == nullptr) return Finish(call, ERROR_INVALID_HANDLE, SC_HANDLE(nullptr));
  if (name.empty() || lpBinaryPathName == nullptr)
    return Finish(call, ERROR_INVALID_PARAMETER, SC_HANDLE(nullptr));
  if (sim::Area().failCreate != 0) return Finish(call, sim::Area().failCreate, SC_HANDLE(nullptr));
  if (sim::ServiceEntry* existing = sim::FindEntry(name)) {
    DWORD error = existing->info.markedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS;
    return Finish(call, error, SC_HANDLE(nullptr));
  }
  sim::ServiceEntry& entry = sim::Area().services[sim::process::Lower(name)];
  entry.info.name = name;
  entry.info.displayName = call.displayName;
  entry.info.type = dwServiceType;
  entry.info.startType = dwStartType;
  entry.info.errorControl = dwErrorControl;
  entry.info.binaryPath = call.binaryPath;
  call.handle = sim::Issue(false, sim::process::Lower(name));
  return Finish(call, ERROR_SUCCESS, call.handle);
}

BOOL WINAPI StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors) {
  SIM_API_CALL();
  (void)lpServiceArgVectors;
  sim::ReleaseEnded();
  ScHandle* record = sim::Lookup(hService, false);
  sim::services::Call call = sim::Begin("StartServiceA", hService, sim::NameOf(record));
  call.argument = dwNumServiceArgs;
  if (record == nullptr) return Finish(call, ERROR_INVALID_HANDLE, FALSE);
  sim::ServiceEntry* entry = sim::FindEntry(record->key);
  if (entry->info.markedForDelete) return Finish(call, ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
  if (entry->info.running) return Finish(call, ERROR_SERVICE_ALREADY_RUNNING, FALSE);
  if (sim::Area().failStart != 0) return Finish(call, sim::Area().failStart, FALSE);
  entry->info.running = true;
  return Finish(call, ERROR_SUCCESS, TRUE);
}

BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  SIM_API_CALL();
  sim::ReleaseEnded();
  ScHandle* record = sim::Lookup(hService, false);
  sim::services::Call call = sim::Begin("ControlService", hService, sim::NameOf(record));
  call.argument = dwControl;
  if (record == nullptr) return Finish(call, ERROR_INVALID_HANDLE, FALSE);
  if (dwControl != SERVICE_CONTROL_STOP) return Finish(call, ERROR_INVALID_PARAMETER, FALSE);
  sim::ServiceEntry* entry = sim::FindEntry(record->key);
  auto report = [&]() {
    if (lpServiceStatus == nullptr) return;
    *lpServiceStatus = SERVICE_STATUS{};
    lpServiceStatus->dwServiceType = entry->info.type;
    lpServiceStatus->dwCurrentState = entry->info.running ? SERVICE_RUNNING : SERVICE_STOPPED;
    lpServiceStatus->dwControlsAccepted = entry->info.running ? 1 /* SERVICE_ACCEPT_STOP */ : 0;
  };
  if (!entry->info.running) {
    report();
    return Finish(call, ERROR_SERVICE_NOT_ACTIVE, FALSE);
  }
  if (sim::Area().failStop != 0) return Finish(call, sim::Area().failStop, FALSE);
  entry->info.running = false;
  report();
  return Finish(call, ERROR_SUCCESS, TRUE);
}

BOOL WINAPI DeleteService(SC_HANDLE hService) {
  SIM_API_CALL();
  sim::ReleaseEnded();
  ScHandle* record = sim::Lookup(hService, false);
  sim::services::Call call = sim::Begin("DeleteService", hService, sim::NameOf(record));
  if (record == nullptr) return Finish(call, ERROR_INVALID_HANDLE, FALSE);
  sim::ServiceEntry* entry = sim::FindEntry(record->key);
  if (entry->info.markedForDelete) return Finish(call, ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
  entry->info.markedForDelete = true;
  return Finish(call, ERROR_SUCCESS, TRUE);
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  SIM_API_CALL();
  sim::ReleaseEnded();
  sim::ServicesArea& area = sim::Area();
  auto found = area.handles.find(hSCObject);
  ScHandle* record = found == area.handles.end() ? nullptr : &found->second;
  sim::services::Call call = sim::Begin("CloseServiceHandle", hSCObject, sim::NameOf(record));
  if (hSCObject == nullptr) {
    ++area.nullCloses;
    return Finish(call, ERROR_INVALID_HANDLE, FALSE);
  }
  if (record) ++record->closes;
  if (record == nullptr || !record->open || record->pid != sim::process::CallerPid()) {
    ++area.faults;
    return Finish(call, ERROR_INVALID_HANDLE, FALSE);
  }
  sim::Release(*record);
  return Finish(call, ERROR_SUCCESS, TRUE);
}
