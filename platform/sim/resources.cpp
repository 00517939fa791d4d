// Resources of a program, looked up in the ResourceTable of its image.
#include <cstring>

#include "platform/sim/api_calls.h"
#include "state.h"

namespace sim {
namespace {

Process* Owner(HINSTANCE instance) {
  if (instance) return ProcessOfInstance(instance);
  return CurrentProcess();
}

// Resource handles are distinct, stable values made from the program and id.
template <class Handle>
Handle ResourceHandle(int pid, UINT kind, UINT id) {
  return reinterpret_cast<Handle>(
      static_cast<uintptr_t>(0x70000000u + pid * 0x100000u + kind * 0x10000u + id));
}

constexpr DWORD kResourceNotFound = 1814;  // ERROR_RESOURCE_NAME_NOT_FOUND

}  // namespace
}  // namespace sim

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  SIM_API_CALL();
  const sim::Process* process = sim::Owner(instance);
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!process || !process->image.resources) return 0;
  for (const auto& entry : process->image.resources->strings) {
    if (entry.id != id) continue;
    const int n = std::min<int>(static_cast<int>(strlen(entry.text)), size - 1);
    memcpy(buffer, entry.text, n);
    buffer[n] = 0;
    return n;
  }
  sim::SetError(sim::kResourceNotFound);
  return 0;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
  SIM_API_CALL();
  if (!IS_INTRESOURCE(name)) return nullptr;
  const UINT id = LOWORD(name);
  if (!instance) return sim::ResourceHandle<HICON>(0, 1, id);  // a system icon
  const sim::Process* process = sim::ProcessOfInstance(instance);
  if (process && process->image.resources) {
    for (UINT icon : process->image.resources->icons) {
      if (icon == id) return sim::ResourceHandle<HICON>(process->pid, 1, id);
    }
  }
  sim::SetError(sim::kResourceNotFound);
  return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
  SIM_API_CALL();
  if (!instance && IS_INTRESOURCE(name)) return sim::ResourceHandle<HCURSOR>(0, 2, LOWORD(name));
  sim::SetError(sim::kResourceNotFound);
  return nullptr;
}

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
  SIM_API_CALL();
  const sim::Process* process = sim::Owner(instance);
  if (process && process->image.resources && IS_INTRESOURCE(name) &&
      process->image.resources->acceleratorTableId == LOWORD(name) &&
      process->image.resources->acceleratorTableId != 0) {
    return sim::ResourceHandle<HACCEL>(process->pid, 3, LOWORD(name));
  }
  sim::SetError(sim::kResourceNotFound);
  return nullptr;
}
