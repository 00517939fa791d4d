// The simulated desktop itself: scheduling, time, timers, boxes.
#include "platform/sim/desktop.h"

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/support/in_program.h"

namespace {

std::vector<std::string> g_log;

// Registers a plain window class for a test program.
void RegisterTestClass(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
}

LRESULT CALLBACK LoggingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    g_log.push_back("timer " + std::to_string(wParam) + " at " +
                    std::to_string(sim::Desktop::Current().Now() / sim::kMillisecond));
    if (wParam == 7) KillTimer(window, 7);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(3);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int TimerProgram(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RegisterTestClass(instance, "TimerTest", LoggingProc);
  HWND window = CreateWindowExA(0, "TimerTest", "Timers", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
  SetTimer(window, 1, 500, nullptr);
  SetTimer(window, 7, 100, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  return static_cast<int>(msg.wParam);
}

const sim::ProgramImage kTimerProgram{"timers", TimerProgram, nullptr, nullptr};

TEST(Desktop, TimersFireOnTheVirtualClockAndKillTimerStopsThem) {
  g_log.clear();
  sim::Desktop desktop;
  const int pid = desktop.Start(kTimerProgram);
  desktop.RunUntil(sim::Ms(1600));
  const std::vector<std::string> expected{"timer 7 at 100", "timer 1 at 500", "timer 1 at 1000",
                                          "timer 1 at 1500"};
  EXPECT_EQ(g_log, expected);
  HWND window = desktop.Find("TimerTest", "Timers");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(desktop.TimersOf(window), (std::map<UINT_PTR, UINT>{{1, 500}}));
  desktop.Post(window, WM_CLOSE);
  desktop.RunFor(sim::Ms(1));
  EXPECT_FALSE(desktop.IsRunning(pid));
  EXPECT_EQ(desktop.ExitCode(pid), 3);
  EXPECT_FALSE(desktop.Exists(window));
}

TEST(Desktop, TakingTheDesktopDownEndsProgramsStillWaiting) {
  g_log.clear();
  {
    sim::Desktop desktop;
    desktop.Start(kTimerProgram);
    desktop.RunUntil(sim::Ms(50));
  }
  sim::Desktop again;
  EXPECT_EQ(again.Now(), 0);
}

int BoxProgram(HINSTANCE, HINSTANCE, LPSTR, int) { return MessageBoxA(nullptr, "Hello", nullptr, MB_OK); }

TEST(Desktop, BoxesWaitForTheirAnswer) {
  sim::Desktop desktop;
  const int pid = desktop.Start(sim::ProgramImage{"box", BoxProgram, nullptr, nullptr});
  desktop.RunUntil(sim::Ms(1000));
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  const sim::BoxRecord box = desktop.OpenBoxes()[0];
  EXPECT_EQ(box.text, "Hello");
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(desktop.Find("#32770", "Error"), box.window);
  EXPECT_TRUE(desktop.IsRunning(pid));
  desktop.Post(box.window, WM_COMMAND, IDOK);
  desktop.RunFor(sim::Ms(1));
  EXPECT_EQ(desktop.ExitCode(pid), IDOK);
  EXPECT_EQ(desktop.Boxes()[0].closedAt, sim::Ms(1000));
}

UINT g_boxStyle = MB_OK;

// Returns the box's answer times 100 plus the exit code of the quit that the
// next GetMessageA finds.
int BoxThenQuitProgram(HINSTANCE, HINSTANCE, LPSTR, int) {
  const int answer = MessageBoxA(nullptr, "Bye", "Quit", g_boxStyle);
  MSG msg{};
  if (GetMessageA(&msg, nullptr, 0, 0) != 0) return -1;
  return answer * 100 + static_cast<int>(msg.wParam);
}

TEST(Desktop, AQuitEndsABoxWithItsDefaultButtonAndIsPostedAgain) {
  const std::pair<UINT, int> cases[] = {{MB_OK, IDOK}, {MB_OKCANCEL | 0x100 /* MB_DEFBUTTON2 */, IDCANCEL}};
  for (const auto& c : cases) {
    g_boxStyle = c.first;
    sim::Desktop desktop;
    const int pid = desktop.Start(sim::ProgramImage{"box", BoxThenQuitProgram, nullptr, nullptr});
    desktop.RunUntil(sim::Ms(100));
    ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
    desktop.Post(desktop.OpenBoxes()[0].window, WM_QUIT, 7);
    desktop.RunFor(sim::Ms(1));
    EXPECT_EQ(desktop.ExitCode(pid), c.second * 100 + 7) << c.first;
  }
}

LRESULT CALLBACK InnerBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    KillTimer(window, 1);
    MessageBoxA(nullptr, "inner", nullptr, MB_OK);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Opens a box; inside its loop a timer opens a second box on top.
int NestedBoxProgram(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RegisterTestClass(instance, "Nested", InnerBoxProc);
  HWND window = CreateWindowExA(0, "Nested", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  SetTimer(window, 1, 100, nullptr);
  return MessageBoxA(nullptr, "outer", nullptr, MB_OKCANCEL);
}

// The outer box can be answered while the inner one is open; it returns once
// the inner box has ended and control is back in its own loop.
TEST(Desktop, AnOuterBoxAnsweredUnderAnInnerOneReturnsAfterIt) {
  sim::Desktop desktop;
  const int pid = desktop.Start(sim::ProgramImage{"nested", NestedBoxProgram, nullptr, nullptr});
  desktop.RunUntil(sim::Ms(200));
  ASSERT_EQ(desktop.OpenBoxes().size(), 2u);
  const sim::BoxRecord outer = desktop.OpenBoxes()[0];
  const sim::BoxRecord inner = desktop.OpenBoxes()[1];
  desktop.AnswerBox(outer.id, IDCANCEL);
  desktop.RunUntil(sim::Ms(1200));  // time goes on while the inner box waits
  EXPECT_TRUE(desktop.IsRunning(pid));
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  EXPECT_EQ(desktop.OpenBoxes()[0].text, "inner");
  desktop.AnswerBox(inner.id);
  desktop.RunFor(sim::Ms(1));
  EXPECT_EQ(desktop.ExitCode(pid), IDCANCEL);
  std::vector<std::pair<std::string, int64_t>> closed;
  for (const sim::TraceEvent& e : desktop.Trace()) {
    if (e.kind == sim::TraceEvent::kBoxClosed) closed.emplace_back(e.detail, e.time / sim::kMillisecond);
  }
  EXPECT_EQ(closed, (std::vector<std::pair<std::string, int64_t>>{{"inner", 1200}, {"outer", 1200}}));
}

LRESULT CALLBACK AnswersFortyTwo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) return 42;
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

// Busy for a second before it looks at its queue.
int SlowReceiver(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RegisterTestClass(instance, "Receiver", AnswersFortyTwo);
  CreateWindowExA(0, "Receiver", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  Sleep(1000);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

sim::Nanos g_answeredAt = 0;

// Posts and sends to a fake companion, then sends to the slow receiver.
int Sender(HINSTANCE, HINSTANCE, LPSTR, int) {
  HWND fake = FindWindowA("Fake", nullptr);
  PostMessageA(fake, WM_USER, 1, 0);
  SendMessageA(fake, WM_USER, 2, 0);
  HWND receiver = FindWindowA("Receiver", nullptr);
  const LRESULT answer = SendMessageA(receiver, WM_USER, 0, 0);
  g_answeredAt = sim::Desktop::Current().Now();
  PostMessageA(receiver, WM_CLOSE, 0, 0);
  return static_cast<int>(answer);
}

TEST(Desktop, ASendToAnotherProgramWaitsUntilItLooksAtItsQueue) {
  sim::Desktop desktop;
  sim::FakeWindow& fake = desktop.AddFakeWindow("Fake", "");
  desktop.Start(sim::ProgramImage{"receiver", SlowReceiver, nullptr, nullptr});
  const int sender = desktop.Start(sim::ProgramImage{"sender", Sender, nullptr, nullptr});
  desktop.RunUntil(sim::Ms(2000));
  EXPECT_EQ(desktop.ExitCode(sender), 42);
  EXPECT_EQ(g_answeredAt, sim::Ms(1000));
  ASSERT_EQ(fake.received.size(), 2u);
  EXPECT_TRUE(fake.received[0].posted);
  EXPECT_FALSE(fake.received[1].posted);
}

TEST(Desktop, ActivationAndFocusCallsAreTracedInOrder) {
  sim::Desktop desktop;
  HWND first = nullptr, second = nullptr;
  const int pid = simtest::RunInProgram(desktop, [&] {
    RegisterTestClass(nullptr, "Focus", DefWindowProcA);
    first = CreateWindowExA(0, "Focus", "one", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    second = CreateWindowExA(0, "Focus", "two", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(first);
    SetFocus(first);
    SetActiveWindow(second);
    SetFocus(second);
    SetFocus(second);  // no change, still recorded as a call
  });
  std::vector<std::pair<std::string, HWND>> calls;
  for (const sim::TraceEvent& e : desktop.Trace()) {
    if (e.kind == sim::TraceEvent::kNote && e.pid == pid) calls.emplace_back(e.detail, e.window);
  }
  const std::vector<std::pair<std::string, HWND>> expected{{"SetActiveWindow", first},
                                                           {"SetFocus", first},
                                                           {"SetActiveWindow", second},
                                                           {"SetFocus", second},
                                                           {"SetFocus", second}};
  EXPECT_EQ(calls, expected);
}

}  // namespace
