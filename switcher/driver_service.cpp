// The switcher's driver KELVANE: on Windows NT a kernel-driver service that
// is replaced and started at every start and removed at exit; on Windows 9x a
// VxD that opening its name loads and closing the handle unloads.
#include "strlib/program_location.h"
#include "switcher/kelvane.h"

namespace kelvane {
namespace {

const char kVxdPath[] = "\\\\.\\KELVANE.VXD";  // does not follow serviceName
constexpr DWORD kManagerAccess = SC_MANAGER_ALL_ACCESS;
constexpr DWORD kServiceAccess = SERVICE_ALL_ACCESS;

// The directory of the running module itself. The command line will not
// do: its first word is whatever the starter chose, and a relative name is
// looked for in the current directory and PATH first, so a planted copy of
// the program there would choose where the kernel driver is loaded from.
strlib::SWString ModuleDirectory() {
  WCHAR path[1024];
  const DWORD length = GetModuleFileNameW(nullptr, path, sizeof(path) / sizeof(path[0]));
  if (length == 0 || length >= sizeof(path) / sizeof(path[0])) return strlib::SWString();
  return strlib::DirectoryPart(path);
}

// Stops the service when it runs and deletes it once stopped; a service that
// cannot be stopped keeps its registration.
void StopAndDelete(SC_HANDLE service) {
  SERVICE_STATUS status;
  if (ControlService(service, SERVICE_CONTROL_STOP, &status)) DeleteService(service);
}

}  // namespace

int SwitcherApp::InstallDriverService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, kManagerAccess);
  if (!manager) return 0;
  SC_HANDLE service = OpenServiceA(manager, serviceName, kServiceAccess);
  if (service) StopAndDelete(service);
  CloseServiceHandle(service);

  service = OpenServiceA(manager, serviceName, kServiceAccess);
  if (!service) {
    // The service control manager reads the path as ANSI text.
    strlib::SString directory;
    directory.AssignAnsi(ModuleDirectory());
    strlib::SString driverPath;
    driverPath.Format("%s\\%s.sys", directory.Chars(), serviceName);
    service = CreateServiceA(manager, serviceName, serviceName, kServiceAccess, SERVICE_KERNEL_DRIVER,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, driverPath, nullptr, nullptr,
                             nullptr, nullptr, nullptr);
    if (!service) {
      CloseServiceHandle(manager);
      return 0;
    }
  }
  StartServiceA(service, 0, nullptr);  // a driver still running just keeps running
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 1;
}

int SwitcherApp::OpenKeyDevice() {
  if (IsWin9x()) {
    device = CreateFileA(kVxdPath, 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (device != INVALID_HANDLE_VALUE) return 1;
    // A VxD that loaded but takes no device requests is unloaded again.
    if (GetLastError() == ERROR_NOT_SUPPORTED) DeleteFileA(kVxdPath);
    return 0;
  }
  strlib::SString devicePath;
  devicePath.Format("\\\\.\\%s", serviceName);
  device = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  return device != INVALID_HANDLE_VALUE ? 1 : 0;
}

int SwitcherApp::RemoveDriverService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, kManagerAccess);
  if (!manager) return 0;
  SC_HANDLE service = OpenServiceA(manager, serviceName, kServiceAccess);
  if (service) StopAndDelete(service);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 1;
}

void SwitcherApp::CloseKeyDevice() {
  if (device == INVALID_HANDLE_VALUE) return;
  CloseHandle(device);  // on Windows 9x this also unloads the VxD
  device = INVALID_HANDLE_VALUE;
}

void SwitcherApp::SendPresentationNotice() {
  DWORD returned = 0;
  DeviceIoControl(device, IOCTL_KELVANE_PRESENTATION, nullptr, 0, nullptr, 0, &returned, nullptr);
}

}  // namespace kelvane
