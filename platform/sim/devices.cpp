// Devices: CreateFileA / DeviceIoControl / CloseHandle / DeleteFileA routed to
// device models by name, with handle accounting and share-mode checks.
#include "devices.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "kernel32.h"
#include "platform/sim/api_calls.h"
#include "process.h"
#include "state.h"

namespace sim {

std::vector<DeviceCall> DeviceModel::CallsOf(DeviceCall::Op op) const {
  std::vector<DeviceCall> calls;
  for (const DeviceCall& call : calls_) {
    if (call.op == op) calls.push_back(call);
  }
  return calls;
}

struct DeviceTable {
  struct Handle {
    std::string key;   // lower-case device name
    std::string name;  // as opened
    std::shared_ptr<DeviceModel> model;
    int pid;
    DWORD access;
    DWORD share;
    bool open;
  };
  std::map<std::string, std::shared_ptr<DeviceModel>> models;  // by lower-case name
  std::map<HANDLE, Handle> handles;
  uintptr_t nextHandle = 0x7C0;
  int closeFaults = 0;
  std::vector<DeviceCall> log;

  // Handles are released as their program ends, recorded under that program.
  DeviceTable() {
    D().exitHooks.push_back([this] { ReleaseEnded(); });
  }

  static DeviceTable& Get() { return DesktopArea<DeviceTable>(); }

  // Logs a call on the desktop, in the model's own log and in the trace.
  static void Note(DeviceCall call, DeviceModel* model, const std::string& detail, const std::string& text) {
    call.time = D().now;
    if (model) model->calls_.push_back(call);
    Get().log.push_back(call);
    Record(TraceEvent::kDevice, nullptr, 0, reinterpret_cast<WPARAM>(call.handle), call.ok ? 1 : 0, detail,
           text);
  }

  static void CountOpen(DeviceModel& model, int delta) { model.openHandles_ += delta; }

  // Releases the handles of programs that have ended, as Windows does at
  // process exit.
  void ReleaseEnded() {
    for (auto& entry : handles) {
      Handle& handle = entry.second;
      if (!handle.open || !process::HasEnded(handle.pid)) continue;
      handle.open = false;
      CountOpen(*handle.model, -1);
      handle.model->Close(handle.name);
      DeviceCall call;
      call.pid = handle.pid;
      call.op = DeviceCall::kReleasedAtExit;
      call.name = handle.name;
      call.handle = entry.first;
      call.ok = true;
      Note(call, handle.model.get(), "released at exit " + handle.name, "");
    }
  }

  // The caller's open handle, or null.
  Handle* Lookup(HANDLE handle) {
    auto found = handles.find(handle);
    if (found == handles.end() || !found->second.open || found->second.pid != process::CallerPid())
      return nullptr;
    return &found->second;
  }

  // Share-mode check of Windows for a new open of `key`.
  bool ShareConflict(const std::string& key, DWORD access, DWORD share) const {
    const DWORD kRead = GENERIC_READ | 0x10000000 /* GENERIC_ALL */;
    const DWORD kWrite = GENERIC_WRITE | 0x10000000;
    DWORD existingShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD existingAccess = 0;
    for (const auto& entry : handles) {
      const Handle& other = entry.second;
      if (!other.open || other.key != key || (other.access & (kRead | kWrite)) == 0) continue;
      existingShare &= other.share;
      existingAccess |= other.access;
    }
    if ((access & (kRead | kWrite)) == 0) return false;
    if ((access & kRead) && !(existingShare & FILE_SHARE_READ)) return true;
    if ((access & kWrite) && !(existingShare & FILE_SHARE_WRITE)) return true;
    if ((existingAccess & kRead) && !(share & FILE_SHARE_READ)) return true;
    if ((existingAccess & kWrite) && !(share & FILE_SHARE_WRITE)) return true;
    return false;
  }
};

namespace {

// "\\.\TRAVOK" -> "TRAVOK", for the trace.
std::string Label(const std::string& name) { return name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name; }

std::string Hex(DWORD value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

std::string Outcome(bool ok, DWORD error) { return ok ? "ok" : "error " + std::to_string(error); }

WORD ReadWord(const void* from) {
  WORD word;
  std::memcpy(&word, from, sizeof word);
  return word;
}

}  // namespace

namespace devices {

void Add(const std::string& name, std::shared_ptr<DeviceModel> model) {
  DeviceTable::Get().models[process::Lower(name)] = std::move(model);
}

void Remove(const std::string& name) { DeviceTable::Get().models.erase(process::Lower(name)); }

DeviceModel* Find(const std::string& name) {
  auto& models = DeviceTable::Get().models;
  auto found = models.find(process::Lower(name));
  return found == models.end() ? nullptr : found->second.get();
}

const std::vector<DeviceCall>& Log() { return DeviceTable::Get().log; }

int OpenHandleCount() {
  DeviceTable& table = DeviceTable::Get();
  table.ReleaseEnded();
  int open = 0;
  for (const auto& entry : table.handles) open += entry.second.open ? 1 : 0;
  return open;
}

int CloseFaults() { return DeviceTable::Get().closeFaults; }

}  // namespace devices
}  // namespace sim

using sim::DeviceCall;
using sim::DeviceTable;
using sim::SetError;

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  SIM_API_CALL();
  (void)lpSecurityAttributes;
  (void)hTemplateFile;
  DeviceTable& table = DeviceTable::Get();
  table.ReleaseEnded();
  std::string name = lpFileName ? lpFileName : "";
  std::string key = sim::process::Lower(name);
  DeviceCall call;
  call.pid = sim::process::CallerPid();
  call.op = DeviceCall::kOpen;
  call.name = name;
  call.access = dwDesiredAccess;
  call.share = dwShareMode;
  call.disposition = dwCreationDisposition;
  call.flags = dwFlagsAndAttributes;

  auto found = table.models.find(key);
  std::shared_ptr<sim::DeviceModel> model = found == table.models.end() ? nullptr : found->second;
  DWORD error = ERROR_FILE_NOT_FOUND;
  if (model) {
    error = model->Open(
        {name, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes, call.pid});
    if (error == ERROR_SUCCESS && table.ShareConflict(key, dwDesiredAccess, dwShareMode)) {
      model->Close(name);  // the model saw the open go ahead: undo it
      error = ERROR_SHARING_VIOLATION;
    }
  }
  if (error != ERROR_SUCCESS) {
    call.error = error;
    call.handle = INVALID_HANDLE_VALUE;
    DeviceTable::Note(call, model.get(), "CreateFileA " + name, sim::Outcome(false, error));
    SetError(error);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = reinterpret_cast<HANDLE>(table.nextHandle);
  table.nextHandle += 4;
  table.handles[handle] = {key, name, model, call.pid, dwDesiredAccess, dwShareMode, true};
  DeviceTable::CountOpen(*model, +1);
  call.handle = handle;
  call.ok = true;
  DeviceTable::Note(call, model.get(), "CreateFileA " + name, "ok");
  return handle;
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                            LPOVERLAPPED lpOverlapped) {
  SIM_API_CALL();
  DeviceTable& table = DeviceTable::Get();
  table.ReleaseEnded();
  DeviceTable::Handle* handle = table.Lookup(hDevice);
  DeviceCall call;
  call.pid = sim::process::CallerPid();
  call.op = DeviceCall::kControl;
  call.handle = hDevice;
  call.code = dwIoControlCode;
  call.inSize = nInBufferSize;
  call.outSize = nOutBufferSize;
  call.inNull = lpInBuffer == nullptr;
  call.outNull = lpOutBuffer == nullptr;
  if (lpInBuffer && nInBufferSize >= 2) {
    call.wordInGiven = true;
    call.wordIn = sim::ReadWord(lpInBuffer);
  }
  std::string label = handle ? sim::Label(handle->name) : "(invalid handle)";
  std::string detail = "DeviceIoControl " + label + " " + sim::Hex(dwIoControlCode, 6);
  auto fail = [&](DWORD error) {
    call.error = error;
    DeviceTable::Note(call, handle ? handle->model.get() : nullptr, detail, sim::Outcome(false, error));
    SetError(error);
    return FALSE;
  };
  if (handle == nullptr) return fail(ERROR_INVALID_HANDLE);
  call.name = handle->name;
  if (lpOverlapped != nullptr || lpBytesReturned == nullptr || (lpInBuffer == nullptr && nInBufferSize > 0) ||
      (lpOutBuffer == nullptr && nOutBufferSize > 0)) {
    return fail(ERROR_INVALID_PARAMETER);
  }

  std::vector<BYTE> buffer(std::max(nInBufferSize, nOutBufferSize));
  if (nInBufferSize > 0) std::memcpy(buffer.data(), lpInBuffer, nInBufferSize);
  DWORD information = 0;
  DWORD error = handle->model->Control(handle->name, dwIoControlCode, buffer.data(), nInBufferSize,
                                       nOutBufferSize, &information);
  information = std::min(information, nOutBufferSize);
  if (error != ERROR_SUCCESS) {
    // A driver that fails with a warning status (STATUS_BUFFER_OVERFLOW:
    // ERROR_MORE_DATA) still has its reply copied; the model says so by
    // reporting bytes with the error.
    if (information > 0) std::memcpy(lpOutBuffer, buffer.data(), information);
    *lpBytesReturned = information;
    return fail(error);
  }
  if (information > 0) std::memcpy(lpOutBuffer, buffer.data(), information);
  *lpBytesReturned = information;
  call.bytesReturned = information;
  if (lpOutBuffer && nOutBufferSize >= 2) {
    call.wordOutGiven = true;
    call.wordOut = sim::ReadWord(lpOutBuffer);
  }
  call.ok = true;
  std::string text = "in " + (call.wordInGiven ? sim::Hex(call.wordIn, 4) : std::string("-")) + " out " +
                     (call.wordOutGiven ? sim::Hex(call.wordOut, 4) : std::string("-")) + " ok";
  DeviceTable::Note(call, handle->model.get(), detail, text);
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  SIM_API_CALL();
  DeviceTable& table = DeviceTable::Get();
  table.ReleaseEnded();
  DeviceTable::Handle* handle = table.Lookup(hObject);
  DeviceCall call;
  call.pid = sim::process::CallerPid();
  call.op = DeviceCall::kClose;
  call.handle = hObject;
  if (handle == nullptr) {
    ++table.closeFaults;
    auto known = table.handles.find(hObject);
    sim::DeviceModel* model = nullptr;
    if (known != table.handles.end()) {
      call.name = known->second.name;
      model = known->second.model.get();
    }
    call.error = ERROR_INVALID_HANDLE;
    DeviceTable::Note(call, model,
                      "CloseHandle " + (call.name.empty() ? "(invalid handle)" : sim::Label(call.name)),
                      sim::Outcome(false, ERROR_INVALID_HANDLE));
    SetError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  handle->open = false;
  DeviceTable::CountOpen(*handle->model, -1);
  handle->model->Close(handle->name);
  call.name = handle->name;
  call.ok = true;
  DeviceTable::Note(call, handle->model.get(), "CloseHandle " + sim::Label(handle->name), "ok");
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  SIM_API_CALL();
  DeviceTable& table = DeviceTable::Get();
  table.ReleaseEnded();
  std::string name = lpFileName ? lpFileName : "";
  auto found = table.models.find(sim::process::Lower(name));
  std::shared_ptr<sim::DeviceModel> model = found == table.models.end() ? nullptr : found->second;
  DWORD error = model ? model->Delete(name) : static_cast<DWORD>(ERROR_FILE_NOT_FOUND);
  DeviceCall call;
  call.pid = sim::process::CallerPid();
  call.op = DeviceCall::kDelete;
  call.name = name;
  call.ok = error == ERROR_SUCCESS;
  call.error = error;
  DeviceTable::Note(call, model.get(), "DeleteFileA " + name, sim::Outcome(call.ok, error));
  if (!call.ok) {
    SetError(error);
    return FALSE;
  }
  return TRUE;
}
