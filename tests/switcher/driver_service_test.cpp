// The KELVANE driver: the service at start-up and exit on Windows NT, the
// device on both paths, and the order of the teardown.
#include "tests/switcher/kelvane_fixture.h"

namespace kelvane_test {
namespace {

using Calls = std::vector<std::string>;

TEST_F(KelvaneTest, FirstStartCreatesTheServiceFromTheProgramDirectoryAndOpensTheDevice) {
  StartAndSettle();
  const Calls expected{"OpenSCManagerA",
                       "OpenServiceA KELVANE",
                       "CloseServiceHandle",
                       "OpenServiceA KELVANE",
                       "CreateServiceA KELVANE",
                       "StartServiceA KELVANE",
                       "CloseServiceHandle KELVANE",
                       "CloseServiceHandle",
                       "CreateFileA \\\\.\\KELVANE"};
  EXPECT_EQ(DriverCalls(), expected);

  const sim::services::Call manager = sim::services::CallsOf("OpenSCManagerA").at(0);
  EXPECT_TRUE(manager.machineNull);
  EXPECT_TRUE(manager.databaseNull);
  EXPECT_EQ(manager.desiredAccess, 0xF003Fu);
  const sim::services::Call create = sim::services::CallsOf("CreateServiceA").at(0);
  EXPECT_EQ(create.displayName, "KELVANE");
  EXPECT_EQ(create.desiredAccess, 0xF01FFu);
  EXPECT_EQ(create.type, 1u);
  EXPECT_EQ(create.startType, 3u);
  EXPECT_EQ(create.errorControl, 1u);
  EXPECT_EQ(create.binaryPath, kDriverPath);
  EXPECT_TRUE(create.loadOrderGroupNull && create.tagIdNull && create.dependenciesNull &&
              create.startNameNull && create.passwordNull);
  EXPECT_EQ(sim::services::CallsOf("StartServiceA").at(0).argument, 0u);
  for (const sim::services::Call& open : sim::services::CallsOf("OpenServiceA")) {
    EXPECT_EQ(open.desiredAccess, 0xF01FFu);
  }
  EXPECT_TRUE(sim::services::IsRunning("KELVANE"));
  EXPECT_EQ(sim::services::OpenHandleCount(), 0);

  const sim::DeviceCall open = driver.CallsOf(sim::DeviceCall::kOpen).at(0);
  EXPECT_TRUE(open.ok);
  EXPECT_EQ(open.access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(open.share, 0u);
  EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(driver.OpenHandles(), 1);
}

TEST_F(KelvaneTest, ARunningServiceIsReplacedWithTheCurrentDirectory) {
  sim::services::Add("KELVANE", "C:\\Old\\KELVANE.sys", true);
  StartAndSettle();
  const Calls expected{"OpenSCManagerA",         "OpenServiceA KELVANE",       "ControlService KELVANE stop",
                       "DeleteService KELVANE",  "CloseServiceHandle KELVANE", "OpenServiceA KELVANE",
                       "CreateServiceA KELVANE", "StartServiceA KELVANE",      "CloseServiceHandle KELVANE",
                       "CloseServiceHandle",     "CreateFileA \\\\.\\KELVANE"};
  EXPECT_EQ(DriverCalls(), expected);
  EXPECT_EQ(sim::services::Find("KELVANE")->binaryPath, kDriverPath);
  EXPECT_TRUE(sim::services::IsRunning("KELVANE"));
  EXPECT_EQ(driver.OpenHandles(), 1);
}

TEST_F(KelvaneTest, AStoppedServiceKeepsItsRegistrationAndIsOnlyStarted) {
  sim::services::Add("KELVANE", "C:\\Old\\KELVANE.sys", false);
  StartAndSettle();
  EXPECT_TRUE(sim::services::CallsOf("DeleteService").empty());
  EXPECT_TRUE(sim::services::CallsOf("CreateServiceA").empty());
  ASSERT_EQ(sim::services::CallsOf("StartServiceA").size(), 1u);
  EXPECT_EQ(sim::services::Find("KELVANE")->binaryPath, "C:\\Old\\KELVANE.sys");
  EXPECT_TRUE(sim::services::IsRunning("KELVANE"));
  EXPECT_EQ(sim::services::OpenHandleCount(), 0);
}

TEST_F(KelvaneTest, WithoutServiceRightsNothingIsInstalledAndPresentationIsStillActivated) {
  sim::services::DenyAccess(true);
  power.SetActiveIndex(2);  // "Presentation"
  StartAndSettle();
  EXPECT_EQ(ServiceCalls(), Calls{"OpenSCManagerA"});
  EXPECT_EQ(driver.OpenHandles(), 0) << "the device needs the running service";
  PressAndRun(Ms(3000));
  EXPECT_EQ(ActivatedIndexes(), std::vector<UINT>{2});
  EXPECT_EQ(driver.Notices(), 0);
  Exit();
  EXPECT_EQ(ServiceCalls(), (Calls{"OpenSCManagerA", "OpenSCManagerA"}));
  EXPECT_TRUE(driver.CallsOf(sim::DeviceCall::kClose).empty()) << "nothing to close";
  EXPECT_EQ(desktop.ExitCode(pid), 0);
}

TEST_F(KelvaneTest, AFailedCreationClosesTheManagerAndStartsNothing) {
  sim::services::FailCreate(ERROR_ACCESS_DENIED);
  StartAndSettle();
  const Calls expected{"OpenSCManagerA",       "OpenServiceA KELVANE",   "CloseServiceHandle",
                       "OpenServiceA KELVANE", "CreateServiceA KELVANE", "CloseServiceHandle"};
  EXPECT_EQ(ServiceCalls(), expected);
  EXPECT_FALSE(sim::services::Exists("KELVANE"));
  EXPECT_EQ(sim::services::OpenHandleCount(), 0);
  EXPECT_TRUE(desktop.IsRunning(pid));
}

TEST_F(KelvaneTest, ExitClosesTheDeviceBeforeStoppingAndDeletesTheStoppedService) {
  StartAndSettle();
  const size_t atStart = DriverCalls().size();
  Exit();
  const Calls calls = DriverCalls();
  const Calls atExit(calls.begin() + static_cast<long>(atStart), calls.end());
  const Calls expected{"CloseHandle KELVANE",         "OpenSCManagerA",        "OpenServiceA KELVANE",
                       "ControlService KELVANE stop", "DeleteService KELVANE", "CloseServiceHandle KELVANE",
                       "CloseServiceHandle"};
  EXPECT_EQ(atExit, expected);
  EXPECT_FALSE(sim::services::Exists("KELVANE"));
  EXPECT_EQ(driver.OpenHandles(), 0);
  EXPECT_TRUE(sim::services::AllClosedOnce());
  EXPECT_EQ(sim::devices::CloseFaults(), 0);
  EXPECT_EQ(desktop.ExitCode(pid), 0);
}

TEST_F(KelvaneTest, AServiceThatWillNotStopAtExitStaysRegistered) {
  StartAndSettle();
  sim::services::FailStop(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  Exit();
  EXPECT_TRUE(sim::services::CallsOf("DeleteService").empty());
  EXPECT_TRUE(sim::services::Exists("KELVANE"));
  EXPECT_TRUE(sim::services::AllClosedOnce());
  EXPECT_EQ(desktop.ExitCode(pid), 0);
}

// Mended: a failed power-profile binding used to end the program with the
// device open and the kernel-driver service registered and running.
TEST_F(KelvaneTest, AFailedBindingStillClosesTheDeviceAndRemovesTheService) {
  power.RemoveEntryPoint("WritePwrScheme");
  StartKelvane();
  desktop.RunUntilQuiet(Ms(100));
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  EXPECT_TRUE(sim::services::IsRunning("KELVANE"));
  EXPECT_EQ(driver.OpenHandles(), 1);
  const size_t beforeAnswer = DriverCalls().size();
  desktop.AnswerBox(desktop.OpenBoxes()[0].id);
  desktop.RunUntilQuiet(Ms(100));
  const Calls calls = DriverCalls();
  const Calls afterAnswer(calls.begin() + static_cast<long>(beforeAnswer), calls.end());
  ASSERT_FALSE(afterAnswer.empty());
  EXPECT_EQ(afterAnswer.front(), "CloseHandle KELVANE");
  EXPECT_FALSE(sim::services::Exists("KELVANE"));
  EXPECT_EQ(driver.OpenHandles(), 0);
  EXPECT_EQ(desktop.ExitCode(pid), 0);
}

// Mended: the driver file used to be placed by the command line's program
// name, which a relative name resolves through the current directory first.
TEST_F(KelvaneTest, TheDriverPathFollowsTheRunningModuleNotACopyFoundByTheCommandLine) {
  sim::AddFile(desktop, "C:\\Temp\\kelvane.exe");  // a planted copy
  sim::StartOptions options = KelvaneOptions();
  options.commandLine = "kelvane";
  options.currentDirectory = "C:\\Temp";
  StartAndSettle(options);
  EXPECT_EQ(sim::services::Find("KELVANE")->binaryPath, kDriverPath);
  // The working directory still follows the command line, as the library
  // routine finds it.
  EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), "C:\\Temp");
}

// The driver file lies in the program's own folder, which the service control
// manager reads as ANSI text; on Windows 9x the VxD is opened from that folder
// as the working directory.
TEST_F(KelvaneTest, TheDriverIsNamedInTheProgramsFolderWhateverItsName) {
  struct Row {
    OSVERSIONINFOA version;
    const char* module;
    const char* directory;
    const char* driver;  // null: no service on Windows 9x
  };
  const Row table[] = {
      {sim::Windows2000(), "C:\\kelvane.exe", "C:\\", "C:\\KELVANE.sys"},
      {sim::WindowsNT4(), "C:\\Programme\\Überall\\kelvane.exe", "C:\\Programme\\Überall",
       "C:\\Programme\\Überall\\KELVANE.sys"},
      {sim::Windows98(), "C:\\Programme\\Überall\\kelvane.exe", "C:\\Programme\\Überall", nullptr},
  };
  for (const Row& row : table) {
    sim::StartOptions options = KelvaneOptions(row.version);
    options.modulePath = row.module;
    sim::AddFile(desktop, row.module);
    StartAndSettle(options);
    EXPECT_EQ(sim::CurrentDirectoryOf(desktop, pid), row.directory) << row.module;
    if (row.driver) {
      EXPECT_EQ(sim::services::Find("KELVANE")->binaryPath, row.driver);
    } else {
      EXPECT_TRUE(ServiceCalls().empty());
    }
    Exit();
    EXPECT_EQ(desktop.ExitCode(pid), 0);
  }
}

// --- Windows 9x ---

TEST_F(KelvaneTest, Windows9xOpensTheVxdAndNeverCallsTheServiceManager) {
  StartAndSettle(KelvaneOptions(sim::Windows98()));
  const sim::DeviceCall open = driver.CallsOf(sim::DeviceCall::kOpen).at(0);
  EXPECT_EQ(open.name, "\\\\.\\KELVANE.VXD");
  EXPECT_TRUE(open.ok);
  EXPECT_EQ(open.access, 0u);
  EXPECT_EQ(open.share, 0u);
  EXPECT_EQ(open.disposition, static_cast<DWORD>(CREATE_NEW));
  EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_FLAG_DELETE_ON_CLOSE));
  Exit();
  EXPECT_TRUE(ServiceCalls().empty());
  EXPECT_EQ(DriverCalls(), (Calls{"CreateFileA \\\\.\\KELVANE.VXD", "CloseHandle KELVANE.VXD"}));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
}

TEST_F(KelvaneTest, Windows9xUnloadsAVxdThatRefusesDeviceRequests) {
  driver.SetVxdOpenError(ERROR_NOT_SUPPORTED);
  StartAndSettle(KelvaneOptions(sim::Windows95()));
  EXPECT_EQ(driver.Deletes(), 1);
  EXPECT_EQ(DriverCalls().back(), "DeleteFileA \\\\.\\KELVANE.VXD");

  driver.SetVxdOpenError(ERROR_FILE_NOT_FOUND);  // any other error: nothing to unload
  Exit();
  StartAndSettle(KelvaneOptions(sim::Windows95()));
  EXPECT_EQ(driver.Deletes(), 1);
  EXPECT_TRUE(desktop.IsRunning(pid));
}

}  // namespace
}  // namespace kelvane_test
