// The service control manager of the simulated desktop: OpenSCManagerA,
// OpenServiceA, CreateServiceA, StartServiceA, ControlService (stop),
// DeleteService and CloseServiceHandle.
//
// Contract: one database of services for the whole desktop, names compared
// without case. OpenSCManagerA fails with ERROR_ACCESS_DENIED while a test
// denies access. CreateServiceA records every parameter and fails with
// ERROR_SERVICE_EXISTS (or ERROR_SERVICE_MARKED_FOR_DELETE) when the name is
// taken. StartServiceA starts a stopped service (ERROR_SERVICE_ALREADY_RUNNING
// when it runs). ControlService with SERVICE_CONTROL_STOP stops a running
// service and fails with ERROR_SERVICE_NOT_ACTIVE for a stopped one; the
// status record is filled on success and on that error, as Win32 does.
// DeleteService marks the service; as on Windows it leaves the database when
// it is stopped and its last handle is closed. Every handle is to be closed
// exactly once; a close of a handle closed already or never issued returns
// FALSE with ERROR_INVALID_HANDLE and counts as a fault (a null handle is
// counted apart, as programs close null handles on purpose). A test can make
// creation, start or stop fail with an error of its choice. Every call is
// logged and goes to the trace (kind kDevice, detail such as
// "ControlService KELVANE stop").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "advapi32.h"
#include "desktop.h"

namespace sim {
namespace services {

struct Service {
  std::string name;
  std::string displayName;
  DWORD type = SERVICE_KERNEL_DRIVER;
  DWORD startType = SERVICE_DEMAND_START;
  DWORD errorControl = SERVICE_ERROR_NORMAL;
  std::string binaryPath;  // UTF-8, as CreateServiceA's ANSI text reads
  bool running = false;
  bool markedForDelete = false;
};

// A service registered before any program runs.
void Add(const std::string& name, const std::string& binaryPath, bool running);
std::optional<Service> Find(const std::string& name);
bool Exists(const std::string& name);
bool IsRunning(const std::string& name);

void DenyAccess(bool deny);
// The next calls fail with `error` until set to 0 again.
void FailCreate(DWORD error);
void FailStart(DWORD error);
void FailStop(DWORD error);

struct Call {
  Nanos time;
  int pid;
  std::string op;       // "OpenSCManagerA", "CreateServiceA", ...
  std::string service;  // the service's name, "" for the manager
  bool ok;
  DWORD error;
  SC_HANDLE handle;  // the handle returned, used or closed
  // CreateServiceA
  std::string displayName;
  DWORD desiredAccess = 0;  // also OpenSCManagerA / OpenServiceA
  DWORD type = 0, startType = 0, errorControl = 0;
  std::string binaryPath;  // UTF-8, as the ANSI text given reads
  bool loadOrderGroupNull = true, tagIdNull = true, dependenciesNull = true, startNameNull = true,
       passwordNull = true;
  // OpenSCManagerA
  bool machineNull = true, databaseNull = true;
  // StartServiceA / ControlService
  DWORD argument = 0;  // number of start arguments, or the control code
};
const std::vector<Call>& Log();
// The calls with operation `op`, in order.
std::vector<Call> CallsOf(const std::string& op);

int OpenHandleCount();
int CloseFaults();
int NullCloses();
// True when every issued handle was closed exactly once and there was no fault.
bool AllClosedOnce();

}  // namespace services
}  // namespace sim
