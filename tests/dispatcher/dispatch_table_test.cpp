// The dispatch table, row by row, through DispatchKey called inside a
// program on the desktop (boxes are answered 1 ms after they open).
#include <functional>

#include "platform/sim/files.h"
#include "tests/dispatcher/plimset_fixture.h"

namespace plimset_test {
namespace {

std::vector<WORD> g_keys;
std::vector<int> g_results;

int DispatchHarness(HINSTANCE, HINSTANCE, LPSTR, int) {
  for (WORD key : g_keys) g_results.push_back(plimset::DispatchKey(key));
  return 0;
}

class DispatchTableTest : public PlimsetTest {
 protected:
  // Dispatches `keys` in a program started as plimset would be, and returns
  // DispatchKey's results.
  std::vector<int> Dispatch(std::vector<WORD> keys, const sim::StartOptions& options = PlimsetOptions()) {
    g_keys = std::move(keys);
    g_results.clear();
    desktop.AnswerBoxesAfter(Ms(1));
    pid = desktop.Start(sim::ProgramImage{"dispatch", DispatchHarness, nullptr, nullptr}, options);
    desktop.RunUntilQuiet(Ms(60000));
    return g_results;
  }
  const std::vector<sim::BoxRecord>& Boxes() const { return desktop.Boxes(); }
};

// A message as a companion received it; every one must have been posted, so
// that a busy companion never blocks the dispatcher.
struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool posted = true;
};

std::vector<Sent> Received(const sim::FakeWindow& window) {
  std::vector<Sent> sent;
  for (const auto& m : window.received) sent.push_back(Sent{m.message, m.wParam, m.lParam, m.posted});
  return sent;
}

bool operator==(const Sent& a, const Sent& b) {
  return a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam && a.posted == b.posted;
}

void PrintTo(const Sent& s, std::ostream* out) {
  *out << "{0x" << std::hex << s.message << ", 0x" << s.wParam << ", 0x" << s.lParam << std::dec << ", "
       << (s.posted ? "posted" : "sent") << "}";
}

TEST_F(DispatchTableTest, EveryRowWithItsTargetPresent) {
  auto& factory = notebook::StartCompanion(desktop, Companion::kFactoryTest);
  auto& meter = notebook::StartCompanion(desktop, Companion::kVolumeMeter);
  auto& media = notebook::StartCompanion(desktop, Companion::kMediaKeys);
  auto& wireless = notebook::StartCompanion(desktop, Companion::kWireless);
  auto& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  auto& switcher = desktop.AddFakeWindow("NorvoKelvaneClass", "Tesmor");
  const std::vector<WORD> keys{3, 5, 8, 49, 50, 33, 34, 35, 36, 64, 1, 0, 255, 0x0103, 0xFF21};
  EXPECT_EQ(Dispatch(keys), std::vector<int>(keys.size(), 1));
  const UINT volctrl = RegisterWindowMessageA("Volctrl");

  EXPECT_EQ(Received(switcher), (std::vector<Sent>{{0x1635, 0, 0}, {0x1635, 0, 0}}));
  EXPECT_EQ(Received(meter),
            (std::vector<Sent>{{volctrl, 0, 51}, {volctrl, 0, 51}, {volctrl, 0, 49}, {volctrl, 0, 50}}));
  EXPECT_EQ(Received(media), (std::vector<Sent>{{0x8010, 0x2002, 0},
                                                {0x8010, 0x2001, 0},
                                                {0x8010, 0x2003, 0},
                                                {0x8010, 0x2004, 0},
                                                {0x8010, 0x2002, 0}}));
  EXPECT_EQ(Received(wireless), (std::vector<Sent>{{0x040A, 0, 0}}));
  EXPECT_EQ(Received(launcher), (std::vector<Sent>{{0x8100, 1, 0}, {0x8100, 0, 0}, {0x8100, 255, 0}}));
  std::vector<Sent> notices;
  for (WORD key : keys) notices.push_back(Sent{0x8101, static_cast<WPARAM>(key & 0xFF), 0});
  EXPECT_EQ(Received(factory), notices);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DispatchTableTest, MissingTargetsWarnOrStaySilentPerRow) {
  auto& factory = notebook::StartCompanion(desktop, Companion::kFactoryTest);
  // A window titled "volumeMeter" of another class is not the volume meter.
  auto& impostor = desktop.AddFakeWindow("OtherClass", "volumeMeter");
  const std::vector<WORD> keys{3, 5, 49, 33, 34, 64, 1, 0};
  EXPECT_EQ(Dispatch(keys), (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0}));
  EXPECT_TRUE(impostor.received.empty());
  EXPECT_EQ(factory.received.size(), keys.size());

  struct Box {
    const char* text;
    const char* caption;
    UINT style;
  };
  const Box expected[] = {
      {"I cannot find out zolbex utility", kModulePath, MB_OK | MB_ICONEXCLAMATION},
      {"I cannot find out zolbex utility", kModulePath, MB_OK | MB_ICONEXCLAMATION},
      {"I cannot find out Wireless utility", kModulePath, MB_OK | MB_ICONEXCLAMATION},
      {"Kedrin is NOT running !!!", "Notification", MB_OK},
      {"Kedrin is NOT running !!!", "Notification", MB_OK},
  };
  ASSERT_EQ(Boxes().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(Boxes()[i].text, expected[i].text) << i;
    EXPECT_EQ(Boxes()[i].caption, expected[i].caption) << i;
    EXPECT_EQ(Boxes()[i].style, expected[i].style) << i;
    EXPECT_EQ(Boxes()[i].owner, nullptr) << i;
  }
}

// A module path longer than the caption buffer is cut to 259 characters;
// NT 4.0 and 2000 leave the cut name without a terminator.
TEST_F(DispatchTableTest, TheWarningCaptionIsTheModulePathCutToItsBuffer) {
  const std::string longPath = "C:\\" + std::string(300, 'a') + "\\plimset.exe";
  for (const OSVERSIONINFOA& version : {sim::WindowsNT4(), sim::Windows2000(), sim::Windows98()}) {
    sim::StartOptions options = PlimsetOptions(version);
    options.modulePath = longPath;
    Dispatch({33}, options);  // no multimedia-key utility: a warning box
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back().caption, longPath.substr(0, MAX_PATH - 1)) << version.dwMajorVersion;
  }
}

TEST_F(DispatchTableTest, NoticeAndPostsComeBeforeTheBoxThatFollows) {
  auto& factory = notebook::StartCompanion(desktop, Companion::kFactoryTest);
  Dispatch({34});
  ASSERT_EQ(factory.received.size(), 1u);
  ASSERT_EQ(Boxes().size(), 1u);
  // The notice is posted before the box opens (same instant, earlier event).
  const auto& trace = desktop.Trace();
  size_t notice = trace.size(), box = trace.size();
  for (size_t i = 0; i < trace.size(); ++i) {
    if (trace[i].kind == TraceEvent::kReceived && trace[i].message == 0x8101) notice = std::min(notice, i);
    if (trace[i].kind == TraceEvent::kBoxOpened) box = std::min(box, i);
  }
  EXPECT_LT(notice, box);
}

// --- key 80: working directory, the "0x50" box, then shutdown.exe ---

struct ShutdownCase {
  const char* commandLine;
  const char* directory;  // the working directory shutdown.exe starts in
};

TEST_F(DispatchTableTest, Key80StartsShutdownInTheProgramDirectoryAfterOk) {
  sim::AddDirectory(desktop, "C:\\Program Files\\Notebook Keys");
  sim::AddDirectory(desktop, "C:\\My");
  sim::AddDirectory(desktop, "C:\\Tools");
  sim::AddDirectory(desktop, "D:\\Work");
  const ShutdownCase cases[] = {
      {"\"C:\\Program Files\\Notebook Keys\\plimset.exe\"", "C:\\Program Files\\Notebook Keys"},
      {"\"C:\\Program Files\\Notebook Keys\\plimset.exe\" -x", "C:\\Program Files\\Notebook Keys"},
      {"\"C:\\Program Files\\Notebook Keys\\plimset.exe", "C:\\Program Files\\Notebook Keys"},
      {"C:\\Tools\\plimset.exe", "C:\\Tools"},
      {"C:\\Tools\\plimset.exe /x", "C:\\Tools"},
      // Cut at the hyphen inside the folder name: "C:\My" is the path.
      {"C:\\My-Tools\\plimset.exe", "C:\\"},
      // Cut at the space inside the folder name: "C:\Tools\My" is the path.
      {"C:\\Tools\\My Keys\\plimset.exe", "C:\\Tools"},
      // A relative name counts from the current directory (D:\Work).
      {"plimset.exe", "D:\\Work"},
  };
  // The directory is changed before the box opens.
  std::string directoryAtTheBox;
  desktop.OnTrace([&](const TraceEvent& e) {
    if (e.kind == TraceEvent::kBoxOpened) directoryAtTheBox = sim::CurrentDirectoryOf(desktop, e.pid);
  });
  for (const ShutdownCase& c : cases) {
    const size_t starts = sim::process::WinExecLog().size();
    sim::StartOptions options = PlimsetOptions();
    options.commandLine = c.commandLine;
    options.currentDirectory = "D:\\Work";
    EXPECT_EQ(Dispatch({80}, options), std::vector<int>{1});
    ASSERT_EQ(sim::process::WinExecLog().size(), starts + 1) << c.commandLine;
    const auto& start = sim::process::WinExecLog().back();
    EXPECT_EQ(start.commandLine, "shutdown.exe");
    EXPECT_EQ(start.showCommand, static_cast<UINT>(SW_SHOW));
    EXPECT_EQ(start.directory, c.directory) << c.commandLine;
    EXPECT_EQ(directoryAtTheBox, c.directory) << c.commandLine;
    const sim::BoxRecord& box = Boxes().back();
    EXPECT_EQ(box.text, "0x50");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    // shutdown.exe starts when OK is pressed (a look at the queue between).
    EXPECT_GE(start.time, box.closedAt);
    EXPECT_LT(start.time, box.closedAt + Ms(1));
  }
}

// Unanswered, the box keeps shutdown.exe waiting; closing plimset then (as
// its uninstaller does) ends the box through WM_QUIT, which is no answer.
TEST_F(PlimsetTest, Key80WithoutOkStartsNothingAlsoWhenPlimsetIsClosed) {
  StartAndSettle();
  PressAt(0, 80);
  desktop.RunFor(Ms(60000));
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  EXPECT_EQ(desktop.OpenBoxes()[0].text, "0x50");
  desktop.Post(MainWindow(), WM_CLOSE);
  desktop.RunFor(Ms(1000));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  EXPECT_TRUE(desktop.OpenBoxes().empty());
  EXPECT_TRUE(sim::process::WinExecLog().empty());
}

TEST_F(DispatchTableTest, Key80KeepsTheDirectoryWhenTheFullPathDoesNotFit) {
  sim::StartOptions options = PlimsetOptions();
  options.commandLine = "\"C:\\" + std::string(300, 'a') + "\\plimset.exe\"";
  options.currentDirectory = "D:\\Work";
  sim::AddDirectory(desktop, "D:\\Work");
  EXPECT_EQ(Dispatch({80}, options), std::vector<int>{1});
  ASSERT_FALSE(sim::process::WinExecLog().empty());
  EXPECT_EQ(sim::process::WinExecLog().back().directory, "D:\\Work");
}

}  // namespace
}  // namespace plimset_test
