// kelvane's start-up: the hidden window and its classes, each early end with
// exit code 0, the power-profile binding's boxes, the version flag and the
// static objects' life.
#include "platform/sim/state.h"
#include "resources/kelvane_resources.h"
#include "strlib/sstring_rep.h"
#include "tests/switcher/kelvane_fixture.h"

namespace kelvane_test {
namespace {

TEST_F(KelvaneTest, StartsWithAHiddenMainWindowAndBothClasses) {
  StartAndSettle();
  HWND main = MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(desktop.TitleOf(main), "Tesmor");
  EXPECT_FALSE(desktop.Visible(main));
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(desktop.Boxes().empty());
  EXPECT_TRUE(desktop.IsRunning(pid));
  EXPECT_EQ(sim::modules::References("powrprof.dll", pid), 1);
  EXPECT_EQ(power.EnumerationCalls(), 0) << "no scheme is read before the first key";

  const std::vector<sim::WindowClass>& classes = desktop.ProcessOf(pid).classes;
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0].name, "NorvoKelvaneClass");
  EXPECT_EQ(classes[1].name, "NorvoKelvaneClass1");
  for (const sim::WindowClass& c : classes) {
    EXPECT_EQ(c.record.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW)) << c.name;
    EXPECT_EQ(c.record.cbClsExtra, 0) << c.name;
    EXPECT_EQ(c.record.cbWndExtra, 0) << c.name;
    EXPECT_NE(c.record.hIcon, nullptr) << c.name;
    EXPECT_EQ(c.record.hIconSm, nullptr) << c.name << ": there is no icon 108";
    EXPECT_EQ(c.record.hbrBackground, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH))) << c.name;
  }
  EXPECT_EQ(classes[0].record.lpszMenuName, MAKEINTRESOURCEA(109));
  EXPECT_EQ(classes[1].record.lpszMenuName, nullptr);
  EXPECT_EQ(classes[0].proc, &kelvane::MainWindowProc);
  EXPECT_EQ(classes[1].proc, &kelvane::PopupWindowProc);
}

TEST_F(KelvaneTest, ASecondCopyEndsAtOnceWithoutTouchingTheDriver) {
  StartAndSettle();
  const int first = pid;
  const size_t serviceCalls = sim::services::Log().size();
  const size_t deviceCalls = driver.Calls().size();
  StartAndSettle();
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  EXPECT_TRUE(desktop.IsRunning(first));
  EXPECT_EQ(sim::services::Log().size(), serviceCalls);
  EXPECT_EQ(driver.Calls().size(), deviceCalls);
  EXPECT_EQ(sim::modules::Loads("powrprof.dll"), 1);
  EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(KelvaneTest, MainWindowCreationFailureEndsBeforeDriverAndLibrary) {
  desktop.FailNextWindowCreations(1);
  StartKelvane();
  desktop.RunUntilQuiet(Ms(1000));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  EXPECT_TRUE(ServiceCalls().empty());
  EXPECT_TRUE(driver.Calls().empty());
  EXPECT_EQ(sim::modules::Loads("powrprof.dll"), 0);
  EXPECT_TRUE(desktop.Boxes().empty());
}

// --- the power-profile binding ---

struct BindingCase {
  const char* name;
  std::vector<std::string> missing;  // entry points taken out
  bool noLibrary;
  const char* text;
};

TEST(KelvaneBinding, FailuresShowOneBoxAndEndWithZero) {
  const BindingCase cases[] = {
      {"library missing", {}, true, "Can't load the powrprof.dll"},
      {"EnumPwrSchemes missing",
       {"EnumPwrSchemes"},
       false,
       "Can't find process EnumPwrSchemes() in the powrprof.dll"},
      {"only WritePwrScheme missing",
       {"WritePwrScheme"},
       false,
       "Can't find process WritePwrScheme() in the powrprof.dll"},
      {"GetActivePwrScheme missing",
       {"GetActivePwrScheme"},
       false,
       "Can't find process GetActivePwrScheme() in the powrprof.dll"},
      {"GetActivePwrScheme and SetActivePwrScheme missing",
       {"GetActivePwrScheme", "SetActivePwrScheme"},
       false,
       "Can't find process GetActivePwrScheme() in the powrprof.dll"},
      {"SetActivePwrScheme missing",
       {"SetActivePwrScheme"},
       false,
       "Can't find process SetActivePwrScheme() in the powrprof.dll"},
  };
  for (const BindingCase& c : cases) {
    sim::Desktop fresh;  // a desktop of its own for each library
    sim::PowerProfileModel& model = sim::InstallPowerProfile(c.noLibrary ? "other.dll" : "powrprof.dll");
    for (const std::string& entry : c.missing) model.RemoveEntryPoint(entry);
    sim::InstallKelvaneDriver();
    const int program = fresh.Start(kelvane::SimProgram(), KelvaneOptions());
    fresh.RunUntilQuiet(Ms(100));
    // Mended: the box's own loop dispatched the key message, and the popup
    // called entry points that were never bound. The key now does nothing.
    fresh.Post(fresh.Find(kelvane::kMainClassName, nullptr), kelvane::KELVANE_SHOW_POPUP);
    fresh.RunUntilQuiet(Ms(100));
    ASSERT_EQ(fresh.Boxes().size(), 1u) << c.name;
    const sim::BoxRecord box = fresh.Boxes()[0];
    EXPECT_TRUE(box.open) << c.name;
    EXPECT_EQ(box.text, c.text) << c.name;
    EXPECT_EQ(box.caption, "Tesmor error message") << c.name;
    EXPECT_EQ(box.style, 0x30u) << c.name;
    EXPECT_EQ(box.owner, nullptr) << c.name;
    EXPECT_EQ(fresh.Find(kelvane::kPopupClassName, nullptr), nullptr) << c.name;
    EXPECT_EQ(model.EnumerationCalls(), 0) << c.name;
    EXPECT_EQ(model.GetActiveCalls(), 0) << c.name;
    fresh.AnswerBox(box.id);
    fresh.RunUntilQuiet(Ms(100));
    EXPECT_EQ(fresh.ExitCode(program), 0) << c.name;
    EXPECT_FALSE(sim::services::Exists("KELVANE")) << c.name << ": the service goes with the program";
    EXPECT_EQ(fresh.Boxes().size(), 1u) << c.name;
    if (!c.noLibrary) {
      // The library stays loaded after a missing entry point and is freed
      // once, when the static objects go.
      EXPECT_EQ(sim::modules::Loads("powrprof.dll"), 1) << c.name;
      EXPECT_EQ(sim::modules::Frees("powrprof.dll"), 1) << c.name;
      EXPECT_EQ(sim::modules::FreeFaults(), 0) << c.name;
    }
  }
}

TEST_F(KelvaneTest, EntryPointsAreResolvedInTheirFixedOrderUpToTheFirstMissing) {
  power.RemoveEntryPoint("SetActivePwrScheme");
  StartKelvane();
  desktop.RunUntilQuiet(Ms(100));
  std::vector<std::string> asked;
  for (const sim::modules::ModuleCall& call : sim::modules::Log()) {
    if (call.pid == pid && call.op == sim::modules::ModuleCall::kGetProcAddress) asked.push_back(call.proc);
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"EnumPwrSchemes", "GetActivePwrScheme", "SetActivePwrScheme"}));
}

// A resource set without string 103.
const sim::ProgramImage& UntitledKelvane() {
  static const sim::ResourceTable table = [] {
    sim::ResourceTable t = KelvaneResources();
    t.strings.erase(t.strings.begin());
    return t;
  }();
  static const sim::ProgramImage image{"kelvane", kelvane::WinMain, kelvane::BuildStatics, &table};
  return image;
}

TEST_F(KelvaneTest, WithoutTheTitleStringTheWindowIsUntitledAndTheCaptionStartsWithABlank) {
  ASSERT_EQ(KelvaneResources().strings.front().id, 103u);
  power.RemoveEntryPoint("WritePwrScheme");
  pid = desktop.Start(UntitledKelvane(), KelvaneOptions());
  desktop.RunUntilQuiet(Ms(100));
  EXPECT_EQ(desktop.TitleOf(MainWindow()), "");
  ASSERT_EQ(desktop.Boxes().size(), 1u);
  EXPECT_EQ(desktop.Boxes()[0].caption, " error message");
}

// --- the version flag ---

TEST(KelvaneVersion, OnlyPlatformId1CountsAsWindows9x) {
  struct Case {
    const char* name;
    OSVERSIONINFOA version;
    bool queryFails;
    bool win9x;
  };
  OSVERSIONINFOA win32s = sim::Windows2000();
  win32s.dwPlatformId = VER_PLATFORM_WIN32s;
  OSVERSIONINFOA future = sim::Windows2000();
  future.dwPlatformId = 3;
  const Case cases[] = {
      {"Windows 95", sim::Windows95(), false, true},
      {"Windows 98", sim::Windows98(), false, true},
      {"Windows Me", sim::WindowsMe(), false, true},
      {"Windows NT 4.0", sim::WindowsNT4(), false, false},
      {"Windows 2000", sim::Windows2000(), false, false},
      {"Win32s", win32s, false, false},
      {"platform id 3", future, false, false},
      {"query fails on 95", sim::Windows95(), true, false},
  };
  for (const Case& c : cases) {
    sim::Desktop fresh;
    sim::InstallPowerProfile();
    sim::KelvaneDriverModel& model = sim::InstallKelvaneDriver();
    sim::StartOptions options = KelvaneOptions(c.version);
    options.versionQueryFails = c.queryFails;
    fresh.Start(kelvane::SimProgram(), options);
    fresh.RunUntilQuiet(Ms(1));
    ASSERT_FALSE(model.Calls().empty()) << c.name;
    const std::string opened = model.Calls().front().name;
    EXPECT_EQ(opened, c.win9x ? "\\\\.\\KELVANE.VXD" : "\\\\.\\KELVANE") << c.name;
    EXPECT_EQ(sim::services::Log().empty(), c.win9x) << c.name;
  }
}

// --- the static objects ---

TEST_F(KelvaneTest, StaticObjectsFreeTheLibraryAndEveryStringAtExit) {
  const strlib::BlockCounts before = strlib::CurrentBlockCounts();
  StartAndSettle();
  PressAndRun(Ms(3000));  // schemes enumerated, one committed
  ASSERT_EQ(ActivatedIndexes().size(), 1u);
  Exit();
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  EXPECT_EQ(sim::modules::Frees("powrprof.dll"), 1);
  EXPECT_EQ(sim::modules::References("powrprof.dll", pid), 0);
  const strlib::BlockCounts after = strlib::CurrentBlockCounts();
  EXPECT_GT(after.allocated, before.allocated);
  EXPECT_EQ(after.allocated - before.allocated, after.freed - before.freed);
}

}  // namespace
}  // namespace kelvane_test
