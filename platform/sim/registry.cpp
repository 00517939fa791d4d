// The registry: one HKEY_LOCAL_MACHINE tree with handle accounting.
#include "registry.h"

#include <algorithm>
#include <map>
#include <memory>

#include "advapi32.h"
#include "platform/sim/api_calls.h"
#include "process.h"
#include "state.h"

namespace sim {
namespace {

struct Key {
  std::string path;  // below HKEY_LOCAL_MACHINE, in the case it was created with
  std::map<std::string, std::unique_ptr<Key>> children;  // by lower-case name
  std::map<std::string, registry::Value> values;         // by lower-case name
};

struct HandleRecord {
  Key* key;
  bool open;
  int closes;
};

struct RegistryArea {
  Key root;
  std::map<HKEY, HandleRecord> handles;
  std::vector<HKEY> issued;
  uintptr_t nextHandle = 0x5A0000;
  int faults = 0;
  std::vector<registry::Call> log;
};

RegistryArea& Registry() { return DesktopArea<RegistryArea>(); }

// Splits "A\B\C" into its names. A trailing backslash is allowed; an empty
// name anywhere else makes the path invalid.
bool SplitPath(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end == start) return false;
    names->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

std::string Join(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

// Finds (or with `create`, makes) the key at `path` below `from`.
Key* Walk(Key* from, const std::string& path, bool create) {
  std::vector<std::string> names;
  if (!SplitPath(path, &names)) return nullptr;
  Key* key = from;
  for (const std::string& name : names) {
    auto& child = key->children[process::Lower(name)];
    if (!child) {
      if (!create) {
        key->children.erase(process::Lower(name));
        return nullptr;
      }
      child = std::make_unique<Key>();
      child->path = Join(key->path, name);
    }
    key = child.get();
  }
  return key;
}

Key* Resolve(HKEY handle) {
  if (handle == HKEY_LOCAL_MACHINE) return &Registry().root;
  auto found = Registry().handles.find(handle);
  if (found == Registry().handles.end() || !found->second.open) return nullptr;
  return found->second.key;
}

HKEY Issue(Key* key) {
  RegistryArea& area = Registry();
  HKEY handle = reinterpret_cast<HKEY>(area.nextHandle);
  area.nextHandle += 4;
  area.handles[handle] = {key, true, 0};
  area.issued.push_back(handle);
  return handle;
}

const char* OpName(registry::Call::Op op) {
  switch (op) {
    case registry::Call::kOpen:
      return "RegOpenKeyA";
    case registry::Call::kCreate:
      return "RegCreateKeyA";
    case registry::Call::kQuery:
      return "RegQueryValueExA";
    case registry::Call::kSet:
      return "RegSetValueExA";
    case registry::Call::kClose:
      return "RegCloseKey";
  }
  return "?";
}

LONG Log(registry::Call call) {
  call.time = D().now;
  call.pid = process::CallerPid();
  std::string detail = std::string(OpName(call.op)) + " HKLM\\" + call.key;
  if (!call.value.empty()) detail += " [" + call.value + "]";
  Record(TraceEvent::kNote, nullptr, 0, reinterpret_cast<WPARAM>(call.handle), call.result, detail,
         "result " + std::to_string(call.result));
  Registry().log.push_back(call);
  return call.result;
}

registry::Call Make(registry::Call::Op op, const std::string& key, HKEY handle, LONG result) {
  registry::Call call{};
  call.op = op;
  call.key = key;
  call.handle = handle;
  call.result = result;
  return call;
}

// Opens or creates a subkey for RegOpenKeyA / RegCreateKeyA.
LONG OpenOrCreate(registry::Call::Op op, HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  bool create = op == registry::Call::kCreate;
  std::string subKey = lpSubKey ? lpSubKey : "";
  Key* parent = Resolve(hKey);
  if (parent == nullptr) return Log(Make(op, subKey, hKey, ERROR_INVALID_HANDLE));
  std::string path = Join(parent->path, subKey);
  if (phkResult == nullptr) return Log(Make(op, path, nullptr, ERROR_INVALID_PARAMETER));
  if (subKey.empty()) {
    // Win32: a null or empty subkey hands back the key given, not a new handle.
    *phkResult = hKey;
    return Log(Make(op, parent->path, hKey, ERROR_SUCCESS));
  }
  Key* key = Walk(parent, subKey, create);
  if (key == nullptr) {
    *phkResult = nullptr;
    return Log(Make(op, path, nullptr, create ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND));
  }
  *phkResult = Issue(key);
  return Log(Make(op, key->path, *phkResult, ERROR_SUCCESS));
}

}  // namespace

namespace registry {

void CreateKey(const std::string& keyPath) { Walk(&Registry().root, keyPath, true); }

void SetValue(const std::string& keyPath, const std::string& valueName, DWORD type, const std::string& data) {
  Key* key = Walk(&Registry().root, keyPath, true);
  if (key) key->values[process::Lower(valueName)] = Value{type, data};
}

void SetString(const std::string& keyPath, const std::string& valueName, const std::string& text) {
  SetValue(keyPath, valueName, REG_SZ, text + std::string(1, '\0'));
}

bool KeyExists(const std::string& keyPath) { return Walk(&Registry().root, keyPath, false) != nullptr; }

std::optional<Value> GetValue(const std::string& keyPath, const std::string& valueName) {
  Key* key = Walk(&Registry().root, keyPath, false);
  if (key == nullptr) return std::nullopt;
  auto found = key->values.find(process::Lower(valueName));
  if (found == key->values.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> GetString(const std::string& keyPath, const std::string& valueName) {
  std::optional<Value> value = GetValue(keyPath, valueName);
  if (!value || value->type != REG_SZ) return std::nullopt;
  return value->data.substr(0, value->data.find('\0'));
}

const std::vector<Call>& Log() { return Registry().log; }

int OpenKeyCount() {
  int open = 0;
  for (const auto& entry : Registry().handles) open += entry.second.open ? 1 : 0;
  return open;
}

std::vector<HKEY> IssuedHandles() { return Registry().issued; }

int CloseCount(HKEY handle) {
  auto found = Registry().handles.find(handle);
  return found == Registry().handles.end() ? 0 : found->second.closes;
}

int CloseFaults() { return Registry().faults; }

bool AllClosedOnce() {
  if (Registry().faults != 0) return false;
  for (const auto& entry : Registry().handles) {
    if (entry.second.closes != 1) return false;
  }
  return true;
}

}  // namespace registry
}  // namespace sim

using sim::registry::Call;

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  SIM_API_CALL();
  return sim::OpenOrCreate(Call::kOpen, hKey, lpSubKey, phkResult);
}

LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  SIM_API_CALL();
  return sim::OpenOrCreate(Call::kCreate, hKey, lpSubKey, phkResult);
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
  SIM_API_CALL();
  std::string name = lpValueName ? lpValueName : "";
  sim::Key* key = sim::Resolve(hKey);
  Call call = sim::Make(Call::kQuery, key ? key->path : std::string(), hKey, ERROR_SUCCESS);
  call.value = name;
  call.size = lpcbData ? *lpcbData : 0;
  if (key == nullptr) {
    call.result = ERROR_INVALID_HANDLE;
    return sim::Log(call);
  }
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    call.result = ERROR_INVALID_PARAMETER;
    return sim::Log(call);
  }
  auto found = key->values.find(sim::process::Lower(name));
  if (found == key->values.end()) {
    call.result = ERROR_FILE_NOT_FOUND;
    return sim::Log(call);
  }
  const sim::registry::Value& value = found->second;
  DWORD needed = static_cast<DWORD>(value.data.size());
  call.type = value.type;
  if (lpType) *lpType = value.type;
  if (lpData != nullptr && *lpcbData < needed) {
    // The buffer is left as it was; Win32 leaves its contents undefined.
    call.result = ERROR_MORE_DATA;
  } else if (lpData != nullptr) {
    std::copy(value.data.begin(), value.data.end(), lpData);
    call.data = value.data;
  }
  if (lpcbData) *lpcbData = needed;
  call.size = needed;
  return sim::Log(call);
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                           DWORD cbData) {
  SIM_API_CALL();
  (void)Reserved;
  std::string name = lpValueName ? lpValueName : "";
  sim::Key* key = sim::Resolve(hKey);
  Call call = sim::Make(Call::kSet, key ? key->path : std::string(), hKey, ERROR_SUCCESS);
  call.value = name;
  call.type = dwType;
  call.size = cbData;
  if (key == nullptr) {
    call.result = ERROR_INVALID_HANDLE;
    return sim::Log(call);
  }
  if (lpData == nullptr && cbData > 0) {
    call.result = ERROR_INVALID_PARAMETER;
    return sim::Log(call);
  }
  std::string data = lpData ? std::string(reinterpret_cast<const char*>(lpData), cbData) : std::string();
  key->values[sim::process::Lower(name)] = sim::registry::Value{dwType, data};
  call.data = data;
  return sim::Log(call);
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  SIM_API_CALL();
  if (hKey == HKEY_LOCAL_MACHINE) return sim::Log(sim::Make(Call::kClose, "", hKey, ERROR_SUCCESS));
  sim::RegistryArea& area = sim::Registry();
  auto found = area.handles.find(hKey);
  if (found == area.handles.end() || !found->second.open) {
    if (found != area.handles.end()) ++found->second.closes;
    ++area.faults;
    return sim::Log(sim::Make(Call::kClose, found != area.handles.end() ? found->second.key->path : "", hKey,
                              ERROR_INVALID_HANDLE));
  }
  found->second.open = false;
  ++found->second.closes;
  return sim::Log(sim::Make(Call::kClose, found->second.key->path, hKey, ERROR_SUCCESS));
}
