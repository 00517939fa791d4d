// The service control manager and the KELVANE driver model tied to it.
#include "platform/sim/services.h"

#include <gtest/gtest.h>

#include "platform/sim/kelvane_driver.h"
#include "platform/win32.h"
#include "tests/support/in_program.h"

namespace {

using sim::KelvaneDriverModel;

SC_HANDLE Manager() { return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

SC_HANDLE Create(SC_HANDLE manager, const char* path) {
  return CreateServiceA(manager, "KELVANE", "KELVANE", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                        SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr,
                        nullptr);
}

HANDLE OpenKelvaneNt() {
  return CreateFileA("\\\\.\\KELVANE", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Services, AccessDeniedStopsAtTheManager) {
  sim::Desktop desktop;
  sim::services::DenyAccess(true);
  EXPECT_EQ(Manager(), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(sim::services::OpenHandleCount(), 0);
}

TEST(Services, CreateRecordsEveryParameterAndRefusesATakenName) {
  sim::Desktop desktop;
  SC_HANDLE manager = Manager();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(OpenServiceA(manager, "KELVANE", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

  // The path is ANSI text: 0xDC is "Ü" in code page 1252.
  SC_HANDLE service = Create(manager,
                             "C:\\Programme\\\xDC"
                             "berall\\KELVANE.sys");
  ASSERT_NE(service, nullptr);
  const auto create = sim::services::CallsOf("CreateServiceA").at(0);
  EXPECT_EQ(create.service, "KELVANE");
  EXPECT_EQ(create.displayName, "KELVANE");
  EXPECT_EQ(create.desiredAccess, static_cast<DWORD>(SERVICE_ALL_ACCESS));
  EXPECT_EQ(create.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(create.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(create.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(create.binaryPath, "C:\\Programme\\Überall\\KELVANE.sys");
  EXPECT_TRUE(create.loadOrderGroupNull && create.tagIdNull && create.dependenciesNull &&
              create.startNameNull && create.passwordNull);
  auto stored = sim::services::Find("kelvane");
  ASSERT_TRUE(stored.has_value());
  EXPECT_FALSE(stored->running);

  EXPECT_EQ(Create(manager, "D:\\other.sys"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
  EXPECT_EQ(sim::services::Find("KELVANE")->binaryPath, "C:\\Programme\\Überall\\KELVANE.sys");

  sim::services::FailCreate(ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateServiceA(manager, "OTHER", "OTHER", SERVICE_ALL_ACCESS, 1, 3, 1, "x.sys", nullptr, nullptr,
                           nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(sim::services::Exists("OTHER"));
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  EXPECT_TRUE(sim::services::AllClosedOnce());
}

TEST(Services, StartAndStopFollowTheServiceState) {
  sim::Desktop desktop;
  sim::services::Add("KELVANE", "C:\\old\\KELVANE.sys", false);
  SC_HANDLE manager = Manager();
  SC_HANDLE service = OpenServiceA(manager, "KELVANE", SERVICE_ALL_ACCESS);
  ASSERT_NE(service, nullptr);

  SERVICE_STATUS status{};
  status.dwCurrentState = 99;
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));

  EXPECT_TRUE(StartServiceA(service, 0, nullptr));
  EXPECT_TRUE(sim::services::IsRunning("KELVANE"));
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));

  sim::services::FailStop(ERROR_SERVICE_REQUEST_TIMEOUT);
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
  EXPECT_TRUE(sim::services::IsRunning("KELVANE"));
  sim::services::FailStop(0);
  EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_FALSE(sim::services::IsRunning("KELVANE"));

  sim::services::FailStart(ERROR_DLL_INIT_FAILED);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_FALSE(sim::services::IsRunning("KELVANE"));
  // A manager handle is not a service handle.
  EXPECT_FALSE(StartServiceA(reinterpret_cast<SC_HANDLE>(manager), 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Services, ADeletedServiceLeavesWithItsLastHandleOnceStopped) {
  sim::Desktop desktop;
  sim::services::Add("KELVANE", "C:\\old\\KELVANE.sys", true);
  SC_HANDLE manager = Manager();
  SC_HANDLE first = OpenServiceA(manager, "KELVANE", SERVICE_ALL_ACCESS);
  SC_HANDLE second = OpenServiceA(manager, "KELVANE", SERVICE_ALL_ACCESS);
  SERVICE_STATUS status;
  EXPECT_TRUE(ControlService(first, SERVICE_CONTROL_STOP, &status));
  EXPECT_TRUE(DeleteService(first));
  EXPECT_FALSE(DeleteService(second));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_TRUE(CloseServiceHandle(first));
  EXPECT_TRUE(sim::services::Exists("KELVANE"));  // `second` still holds it
  EXPECT_EQ(Create(manager, "C:\\new\\KELVANE.sys"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_TRUE(CloseServiceHandle(second));
  EXPECT_FALSE(sim::services::Exists("KELVANE"));
  SC_HANDLE fresh = Create(manager, "C:\\new\\KELVANE.sys");
  EXPECT_NE(fresh, nullptr);
  EXPECT_EQ(sim::services::Find("KELVANE")->binaryPath, "C:\\new\\KELVANE.sys");

  // A running service marked for deletion stays until it is stopped.
  EXPECT_TRUE(StartServiceA(fresh, 0, nullptr));
  EXPECT_TRUE(DeleteService(fresh));
  EXPECT_TRUE(CloseServiceHandle(fresh));
  EXPECT_TRUE(sim::services::Exists("KELVANE"));
}

TEST(Services, EveryHandleIsClosedExactlyOnce) {
  sim::Desktop desktop;
  SC_HANDLE manager = Manager();
  EXPECT_FALSE(CloseServiceHandle(nullptr));  // closing null is counted apart
  EXPECT_EQ(sim::services::NullCloses(), 1);
  EXPECT_EQ(sim::services::CloseFaults(), 0);
  EXPECT_TRUE(CloseServiceHandle(manager));
  EXPECT_TRUE(sim::services::AllClosedOnce());
  EXPECT_FALSE(CloseServiceHandle(manager));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sim::services::CloseFaults(), 1);
  EXPECT_FALSE(sim::services::AllClosedOnce());
}

TEST(Services, HandlesLeftOpenByAProgramAreReleasedAtItsEnd) {
  sim::Desktop desktop;
  sim::services::Add("KELVANE", "C:\\old\\KELVANE.sys", false);
  simtest::RunInProgram(desktop, [] {
    SC_HANDLE service = OpenServiceA(Manager(), "KELVANE", SERVICE_ALL_ACCESS);
    EXPECT_TRUE(DeleteService(service));
    EXPECT_EQ(sim::services::OpenHandleCount(), 2);
  });
  EXPECT_EQ(sim::services::OpenHandleCount(), 0);
  EXPECT_FALSE(sim::services::Exists("KELVANE"));
  EXPECT_FALSE(sim::services::AllClosedOnce());  // the leak stays visible
}

TEST(KelvaneDriver, TheNtDeviceExistsOnlyWhileItsServiceRunsAndOpensExclusively) {
  sim::Desktop desktop;
  KelvaneDriverModel& driver = sim::InstallKelvaneDriver();
  EXPECT_EQ(OpenKelvaneNt(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  sim::services::Add("KELVANE", "C:\\Notebook\\KELVANE.sys", true);
  HANDLE device = OpenKelvaneNt();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenKelvaneNt(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

  DWORD bytes = 7;
  EXPECT_TRUE(DeviceIoControl(device, KelvaneDriverModel::kPresentationNotice, nullptr, 0, nullptr, 0, &bytes,
                              nullptr));
  EXPECT_EQ(bytes, 0u);
  EXPECT_TRUE(DeviceIoControl(device, KelvaneDriverModel::kPresentationNotice, nullptr, 0, nullptr, 0, &bytes,
                              nullptr));
  EXPECT_FALSE(DeviceIoControl(device, 0x222404, nullptr, 0, nullptr, 0, &bytes, nullptr));
  EXPECT_EQ(driver.Notices(), 2);
  const auto controls = driver.ControlCalls();
  ASSERT_EQ(controls.size(), 3u);
  EXPECT_TRUE(controls[0].inNull && controls[0].outNull);
  EXPECT_EQ(controls[0].inSize + controls[0].outSize, 0u);

  EXPECT_TRUE(CloseHandle(device));
  EXPECT_NE(OpenKelvaneNt(), INVALID_HANDLE_VALUE);
}

TEST(KelvaneDriver, TheVxdCanBeRefusedAndIsUnloadedByName) {
  sim::Desktop desktop;
  KelvaneDriverModel& driver = sim::InstallKelvaneDriver();
  // No service is needed on Windows 9x.
  HANDLE vxd =
      CreateFileA("\\\\.\\KELVANE.VXD", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  EXPECT_NE(vxd, INVALID_HANDLE_VALUE);
  CloseHandle(vxd);
  driver.SetVxdOpenError(ERROR_NOT_SUPPORTED);
  EXPECT_EQ(CreateFileA("\\\\.\\KELVANE.VXD", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(DeleteFileA("\\\\.\\KELVANE.VXD"));
  EXPECT_EQ(driver.Deletes(), 1);
}

}  // namespace
