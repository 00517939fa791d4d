// plimset's start-up: order, window, registry copy, OS classification and the
// two device paths, the drain, and the end of the program.
#include "platform/sim/state.h"
#include "tests/dispatcher/plimset_fixture.h"

namespace plimset_test {
namespace {

constexpr DWORD kQuery = plimset::IOCTL_TRAVOK_QUERY;
constexpr DWORD kRead = plimset::IOCTL_TRAVOK_READ;
constexpr DWORD kReporting = plimset::IOCTL_TRAVOK_REPORTING;
constexpr DWORD kStartup = plimset::IOCTL_TRAVOK_STARTUP;

TEST_F(PlimsetTest, StartsHiddenAndSwitchesReportingOnBeforeTheSlowTimer) {
  StartAndSettle();
  HWND window = MainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(desktop.Visible(window));
  EXPECT_TRUE(travok.Reporting());
  const std::vector<std::pair<DWORD, WORD>> expected{{kReporting, 1}, {kStartup, 0}, {kQuery, 0}};
  EXPECT_EQ(ControlRequests(), expected);
  EXPECT_EQ(desktop.TimersOf(window), (std::map<UINT_PTR, UINT>{{1, 500}}));
  EXPECT_TRUE(desktop.Boxes().empty());

  const sim::DeviceCall open = travok.CallsOf(sim::DeviceCall::kOpen).at(0);
  EXPECT_EQ(open.name, "\\\\.\\TRAVOK");
  EXPECT_EQ(open.access, GENERIC_READ);
  EXPECT_EQ(open.share, static_cast<DWORD>(FILE_SHARE_READ));
  EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
}

TEST_F(PlimsetTest, KeysQueuedBeforeStartAreDrainedNeverDispatched) {
  sim::FakeWindow& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  travok.PushKey(1);
  travok.PushKey(2, 3);  // the driver answers 0 three times before this one
  StartAndSettle();
  desktop.RunFor(Ms(2000));
  EXPECT_EQ(travok.Delivered(), (std::vector<WORD>{1, 2}));
  EXPECT_EQ(travok.Waiting(), 0u);
  EXPECT_TRUE(launcher.received.empty());
}

TEST_F(PlimsetTest, WindowCreationFailureEndsWithZeroBeforeRegistryAndDevice) {
  sim::registry::SetString("Software\\Vantrel\\Vantrel for Windows 95", "Program", "C:\\V\\v.exe");
  sim::registry::CreateKey("Software\\Vantrel");
  const size_t registryCallsBefore = sim::registry::Log().size();
  desktop.FailNextWindowCreations(1);
  StartPlimset();
  desktop.RunUntilQuiet(Ms(1000));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  EXPECT_EQ(sim::registry::Log().size(), registryCallsBefore);
  EXPECT_TRUE(travok.Calls().empty());
  EXPECT_TRUE(desktop.Boxes().empty());
}

// Every way the loop ends gives exit code 0, never the wParam of the last
// message (a timer id) nor that of a quit another program posted.
TEST_F(PlimsetTest, EveryEndOfTheLoopGivesExitCodeZero) {
  enum End { kClose, kForeignQuit, kGetMessageFails };
  for (End end : {kClose, kForeignQuit, kGetMessageFails}) {
    StartAndSettle();
    desktop.RunFor(Ms(600));  // a timer tick has been dispatched
    if (end == kClose) desktop.Post(MainWindow(), WM_CLOSE);
    if (end == kForeignQuit) desktop.Post(MainWindow(), WM_QUIT, 7);
    if (end == kGetMessageFails) desktop.FailNextGetMessage(pid);
    desktop.RunFor(Ms(1000));  // the failing GetMessageA follows the next tick
    EXPECT_EQ(desktop.ExitCode(pid), 0) << end;
    if (end == kClose) {
      EXPECT_FALSE(travok.Reporting());
      EXPECT_EQ(ControlRequests().back(), std::make_pair(kReporting, WORD{0}));
    }
  }
}

TEST_F(PlimsetTest, MenuCommandsAndAcceleratorsChangeNothing) {
  StartAndSettle();
  HWND window = MainWindow();
  desktop.Post(window, WM_COMMAND, 104);
  desktop.Post(window, WM_COMMAND, 105);
  desktop.Post(window, WM_SYSCHAR, '?', 1 << 29);  // Alt+? from the accelerator table
  desktop.Post(window, WM_SYSCHAR, '/', 1 << 29);
  desktop.RunFor(Ms(1000));
  EXPECT_TRUE(desktop.IsRunning(pid));
  EXPECT_TRUE(desktop.Boxes().empty());
  // Both accelerators were translated into command 104.
  const std::vector<expected::Event> commands{
      {TraceEvent::kSent, WM_COMMAND, 104 | (1 << 16), 0, "PLIMSET", -1},
      {TraceEvent::kSent, WM_COMMAND, 104 | (1 << 16), 0, "PLIMSET", -1},
  };
  std::vector<expected::Event> sent;
  for (const expected::Event& e : expected::Recorded(desktop, {TraceEvent::kSent})) {
    if (e.message == WM_COMMAND) sent.push_back(e);
  }
  expected::ExpectSequence(commands, sent);
}

TEST_F(PlimsetTest, ASecondCopyIsNotRefused) {
  StartAndSettle();
  const int first = pid;
  StartAndSettle();
  EXPECT_TRUE(desktop.IsRunning(first));
  EXPECT_TRUE(desktop.IsRunning(pid));
  EXPECT_NE(first, pid);
}

// --- the Vantrel registry copy ---

const char kVantrel[] = "Software\\Vantrel";
const char kNt4[] = "Software\\Vantrel\\Vantrel for Windows NT 4.0";
const char kWin95[] = "Software\\Vantrel\\Vantrel for Windows 95";

TEST_F(PlimsetTest, VantrelProgramIsCopiedOnceToTheNt4Key) {
  sim::registry::SetString(kWin95, "Program", "C:\\Vantrel\\vantrel.exe");
  StartAndSettle();
  EXPECT_EQ(sim::registry::GetString(kNt4, "Program"),
            std::optional<std::string>("C:\\Vantrel\\vantrel.exe"));
  EXPECT_EQ(sim::registry::GetValue(kNt4, "Program")->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(sim::registry::GetValue(kNt4, "Program")->data, std::string("C:\\Vantrel\\vantrel.exe") + '\0');
  EXPECT_TRUE(sim::registry::AllClosedOnce());

  // The next start finds the NT 4.0 key and leaves it alone.
  sim::registry::SetString(kWin95, "Program", "C:\\Other\\other.exe");
  StartAndSettle();
  EXPECT_EQ(sim::registry::GetString(kNt4, "Program"),
            std::optional<std::string>("C:\\Vantrel\\vantrel.exe"));
  EXPECT_TRUE(sim::registry::AllClosedOnce());
}

TEST_F(PlimsetTest, VantrelCopyNeedsTheProductKeyAndTheWindows95Key) {
  StartAndSettle();  // no Vantrel key at all
  EXPECT_FALSE(sim::registry::KeyExists(kNt4));
  sim::registry::CreateKey(kVantrel);  // product key without the Windows 95 key
  StartAndSettle();
  EXPECT_FALSE(sim::registry::KeyExists(kNt4));
  EXPECT_TRUE(sim::registry::AllClosedOnce());
}

// What the Windows 95 key's "Program" holds, and what the copy writes: the
// string read, ended at its first zero or at the size read, with a zero.
// Nothing for a value missing, longer than the 400-byte buffer, or one that
// fills the buffer with no room left for the zero.
struct VantrelCase {
  const char* name;
  std::optional<sim::registry::Value> stored;
  std::optional<std::string> copied;
};

void PrintTo(const VantrelCase& c, std::ostream* out) { *out << c.name; }

class VantrelCopyTest : public PlimsetTest, public ::testing::WithParamInterface<VantrelCase> {};

TEST_P(VantrelCopyTest, CopiesWhatWasReadWholeAndDropsTheRest) {
  const VantrelCase& c = GetParam();
  sim::registry::CreateKey(kWin95);
  if (c.stored) sim::registry::SetValue(kWin95, "Program", c.stored->type, c.stored->data);
  StartAndSettle();
  const std::optional<sim::registry::Value> copied = sim::registry::GetValue(kNt4, "Program");
  ASSERT_EQ(copied.has_value(), c.copied.has_value());
  if (copied) {
    EXPECT_EQ(copied->data, *c.copied);
    EXPECT_EQ(copied->type, static_cast<DWORD>(REG_SZ));
  }
  EXPECT_TRUE(sim::registry::AllClosedOnce());
  EXPECT_TRUE(desktop.IsRunning(pid));
}

const std::string kZero(1, '\0');
const VantrelCase kVantrelCases[] = {
    {"missing", std::nullopt, std::nullopt},
    {"longer_than_the_buffer", sim::registry::Value{REG_SZ, std::string(450, 'x') + kZero}, std::nullopt},
    {"fills_the_buffer_without_zero", sim::registry::Value{REG_SZ, std::string(400, 'x')}, std::nullopt},
    {"fills_the_buffer_with_zero", sim::registry::Value{REG_SZ, std::string(399, 'x') + kZero},
     std::string(399, 'x') + kZero},
    {"without_zero", sim::registry::Value{REG_SZ, "C:\\V\\v.exe"}, "C:\\V\\v.exe" + kZero},
    {"without_zero_one_short_of_the_buffer", sim::registry::Value{REG_SZ, std::string(399, 'x')},
     std::string(399, 'x') + kZero},
    {"bytes_after_the_zero", sim::registry::Value{REG_SZ, "C:\\v.exe" + kZero + "junk"}, "C:\\v.exe" + kZero},
    {"binary_type_is_not_asked", sim::registry::Value{REG_BINARY, "yyy"}, "yyy" + kZero},
};

INSTANTIATE_TEST_SUITE_P(Values, VantrelCopyTest, ::testing::ValuesIn(kVantrelCases),
                         [](const ::testing::TestParamInfo<VantrelCase>& info) { return info.param.name; });

// --- OS classification and the two device paths ---

struct OsCase {
  const char* name;
  OSVERSIONINFOA version;
  bool versionFails;
  const char* device;
};

OSVERSIONINFOA Edited(OSVERSIONINFOA v, DWORD minor, DWORD build) {
  v.dwMinorVersion = minor;
  v.dwBuildNumber = build;
  return v;
}

OSVERSIONINFOA WithPlatform(OSVERSIONINFOA v, DWORD platform, DWORD major) {
  v.dwPlatformId = platform;
  v.dwMajorVersion = major;
  return v;
}

TEST_F(PlimsetTest, OnlyWindows95TakesTheVxdPath) {
  const OsCase cases[] = {
      {"Windows 95", sim::Windows95(), false, "\\\\.\\TRAVOK.VXD"},
      {"95 with a Windows 98 build word", Edited(sim::Windows95(), 0, 0x040A07CE), false,
       "\\\\.\\TRAVOK.VXD"},
      {"Windows 98", sim::Windows98(), false, "\\\\.\\TRAVOK"},
      {"Windows 98 SE", Edited(sim::Windows98(), 10, 0x040A08AE), false, "\\\\.\\TRAVOK"},
      {"Windows Me", sim::WindowsMe(), false, "\\\\.\\TRAVOK"},
      {"Windows NT 4.0", sim::WindowsNT4(), false, "\\\\.\\TRAVOK"},
      {"Windows 2000", sim::Windows2000(), false, "\\\\.\\TRAVOK"},
      {"NT 6", WithPlatform(sim::Windows2000(), VER_PLATFORM_WIN32_NT, 6), false, "\\\\.\\TRAVOK"},
      {"Win32s", WithPlatform(sim::Windows2000(), VER_PLATFORM_WIN32s, 3), false, "\\\\.\\TRAVOK"},
      {"version query fails", sim::Windows95(), true, "\\\\.\\TRAVOK"},
  };
  for (const OsCase& c : cases) {
    sim::StartOptions options = PlimsetOptions(c.version);
    options.versionQueryFails = c.versionFails;
    StartAndSettle(options);
    const sim::DeviceCall open = travok.CallsOf(sim::DeviceCall::kOpen).back();
    EXPECT_EQ(open.name, c.device) << c.name;
    if (std::string(c.device).find("VXD") != std::string::npos) {
      EXPECT_EQ(open.access, 0u) << c.name;
      EXPECT_EQ(open.share, 0u) << c.name;
      EXPECT_EQ(open.disposition, static_cast<DWORD>(CREATE_NEW)) << c.name;
      EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_FLAG_DELETE_ON_CLOSE)) << c.name;
    }
  }
}

// Runs GetOsFamily inside a program whose version record changes between
// calls, to see what is cached.
std::vector<int> g_families;

int ClassifyTwice(HINSTANCE, HINSTANCE, LPSTR, int) {
  g_families.push_back(plimset::GetOsFamily());
  sim::CurrentProcess()->options.version = sim::WindowsNT4();
  sim::CurrentProcess()->options.versionQueryFails = false;
  g_families.push_back(plimset::GetOsFamily());
  sim::CurrentProcess()->options.version = sim::Windows95();
  g_families.push_back(plimset::GetOsFamily());
  return 0;
}

TEST_F(PlimsetTest, AClassificationIsCachedButAFailedOneIsAskedAgain) {
  g_families.clear();
  sim::StartOptions options = PlimsetOptions(sim::Windows98());
  options.versionQueryFails = true;
  desktop.Start(sim::ProgramImage{"classify", ClassifyTwice, nullptr, nullptr}, options);
  desktop.RunUntilQuiet(Ms(1));
  EXPECT_EQ(g_families,
            (std::vector<int>{plimset::OS_FAMILY_NONE, plimset::OS_FAMILY_NT4, plimset::OS_FAMILY_NT4}));
}

TEST_F(PlimsetTest, Windows95VxdRefusingRequestsIsUnloadedAndReported) {
  travok.SetVxdOpenError(ERROR_NOT_SUPPORTED);
  StartAndSettle(PlimsetOptions(sim::Windows95()));
  EXPECT_EQ(travok.Deletes(), 1);
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  const sim::BoxRecord box = desktop.OpenBoxes()[0];
  EXPECT_EQ(box.text, "Can not load QUENDIX.vxd");
  EXPECT_TRUE(box.captionWasNull);
  EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(box.owner, nullptr);
  // Start-up goes on once the box is answered.
  desktop.AnswerBox(box.id);
  desktop.RunUntilQuiet(Ms(1));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{1, 500}}));
}

TEST_F(PlimsetTest, Windows95VxdMissingIsNotReported) {
  travok.SetPresent(false);
  StartAndSettle(PlimsetOptions(sim::Windows95()));
  EXPECT_EQ(travok.Deletes(), 0);
  EXPECT_TRUE(desktop.Boxes().empty());
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{1, 500}}));
}

TEST_F(PlimsetTest, MissingDriverIsReportedAndTheProgramIdlesWithoutHanging) {
  travok.SetPresent(false);
  StartAndSettle();
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  const sim::BoxRecord box = desktop.OpenBoxes()[0];
  EXPECT_EQ(box.text, "Can not load Travok.sys!!");
  EXPECT_EQ(box.caption, kModulePath);
  EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(box.owner, nullptr);
  desktop.AnswerBox(box.id);
  desktop.RunFor(Ms(10000));
  EXPECT_TRUE(desktop.IsRunning(pid));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{1, 500}}));
  // Every request went to the invalid handle and none reached a model.
  EXPECT_TRUE(travok.ControlCalls().empty());
  desktop.Post(MainWindow(), WM_CLOSE);
  desktop.RunFor(Ms(1));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
}

TEST_F(PlimsetTest, AFailingReadEndsTheDrainAndThePollInsteadOfSpinning) {
  sim::FakeWindow& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  travok.PushKey(1);
  travok.FailControl(kRead, ERROR_INVALID_FUNCTION);
  StartAndSettle();
  desktop.RunFor(Ms(1000));  // the 500 ms tick finds the key and cannot read it
  EXPECT_TRUE(desktop.IsRunning(pid));
  EXPECT_TRUE(launcher.received.empty());
  // Polling goes on, and a readable key is dispatched once reads work again.
  travok.FailControl(kRead, 0);
  desktop.RunFor(Ms(1000));
  ASSERT_EQ(launcher.received.size(), 1u);
  EXPECT_EQ(launcher.received[0].wParam, 1u);
}

// The failing query leaves a non-zero word, as a driver failing with a
// warning status does: only the call's result tells that it failed.
TEST_F(PlimsetTest, AFailingQueryReadsAsNoKey) {
  travok.PushKey(1);
  travok.FailControl(kQuery, ERROR_MORE_DATA, 0x0001);
  StartAndSettle();
  desktop.RunFor(Ms(2000));
  EXPECT_TRUE(travok.CallsOf(sim::DeviceCall::kControl).size() > 3);
  for (const auto& request : ControlRequests()) EXPECT_NE(request.first, kRead);
}

}  // namespace
}  // namespace plimset_test
