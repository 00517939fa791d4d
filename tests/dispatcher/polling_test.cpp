// The polling machine of timers 1, 2 and 3, also under the nesting that
// modal boxes bring, stated as the sequence of events it must produce. Every
// key reaches its companion posted, never sent.
#include "tests/dispatcher/plimset_fixture.h"

namespace plimset_test {
namespace {

using E = expected::Event;

constexpr auto kSet = TraceEvent::kTimerSet;
constexpr auto kKilled = TraceEvent::kTimerKilled;
constexpr auto kPost = TraceEvent::kPosted;
constexpr auto kGot = TraceEvent::kReceived;
constexpr auto kOpened = TraceEvent::kBoxOpened;
constexpr auto kClosed = TraceEvent::kBoxClosed;
constexpr UINT kLaunch = plimset::KEY_NOTIFY_LAUNCHER;

std::vector<E> PollingTrace(const sim::Desktop& desktop, sim::Nanos from = 1) {
  return expected::Recorded(desktop, {kSet, kKilled, kPost, kGot, kOpened, kClosed}, from);
}

TEST_F(PlimsetTest, ThreeQueuedKeysAreTakenOnePerTickAt500600And700) {
  notebook::StartCompanion(desktop, Companion::kLauncher);
  StartAndSettle();
  PressAt(200, 1);
  PressAt(200, 2);
  PressAt(200, 4);
  desktop.RunUntil(Ms(1000));
  static const E kExpected[] = {
      {kKilled, WM_TIMER, 1, 0, "PLIMSET", 500},  {kPost, kLaunch, 1, 0, "#32770", 500},
      {kGot, kLaunch, 1, 0, "#32770", 500},       {kSet, WM_TIMER, 2, 100, "PLIMSET", 500},
      {kSet, WM_TIMER, 3, 30000, "PLIMSET", 500}, {kKilled, WM_TIMER, 2, 0, "PLIMSET", 600},
      {kPost, kLaunch, 2, 0, "#32770", 600},      {kGot, kLaunch, 2, 0, "#32770", 600},
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 600},   {kKilled, WM_TIMER, 2, 0, "PLIMSET", 700},
      {kPost, kLaunch, 4, 0, "#32770", 700},      {kGot, kLaunch, 4, 0, "#32770", 700},
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 700},   {kSet, WM_TIMER, 2, 100, "PLIMSET", 800},
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 900},   {kSet, WM_TIMER, 2, 100, "PLIMSET", 1000},
  };
  expected::ExpectSequence({std::begin(kExpected), std::end(kExpected)}, PollingTrace(desktop));
}

TEST_F(PlimsetTest, TheFastPhaseEnds30sAfterTheKeyThatBeganItAndTimer3KeepsFiring) {
  sim::FakeWindow& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  StartAndSettle();
  PressAt(0, 1);      // found at 500 ms: the fast phase runs to 30.5 s
  PressAt(20050, 2);  // found by timer 2 at 20.1 s; does not extend the phase
  PressAt(30550, 4);  // after the phase: found by timer 1 at 31.0 s
  desktop.RunUntil(Ms(30499));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{2, 100}, {3, 30000}}));
  desktop.RunUntil(Ms(30500));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{1, 500}, {3, 30000}}));
  desktop.RunUntil(Ms(31000));
  ASSERT_EQ(launcher.received.size(), 3u);
  EXPECT_EQ(launcher.received[0].time, Ms(500));
  EXPECT_EQ(launcher.received[1].time, Ms(20100));
  EXPECT_EQ(launcher.received[2].time, Ms(31000));

  // The key at 31 s began a new phase; from then on timer 3 ends it at 61 s,
  // and in the slow state its ticks only restart timer 1.
  desktop.RunUntil(Ms(130000));
  std::vector<int64_t> slowRestarts;
  for (const E& e : PollingTrace(desktop)) {
    if (e.kind == kSet && e.wParam == 1) slowRestarts.push_back(e.atMs);
  }
  EXPECT_EQ(slowRestarts, (std::vector<int64_t>{30500, 61000, 91000, 121000}));
}

TEST_F(PlimsetTest, KeyWithHighByteIsDispatchedByItsLowByteAndKeyZeroCounts) {
  sim::FakeWindow& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  StartAndSettle();
  PressAt(100, 0x0100);  // low byte 0: still a key
  desktop.RunUntil(Ms(600));
  ASSERT_EQ(launcher.received.size(), 1u);
  EXPECT_EQ(launcher.received[0].wParam, 0u);
}

// After a non-zero query the read is repeated while the driver answers 0. A
// driver that takes long is given up on for this tick: the key stays with
// it and is dispatched once, on a later tick.
TEST_F(PlimsetTest, TheReadAfterAnAnnouncedKeyIsRepeatedButBounded) {
  sim::FakeWindow& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  const struct {
    int zeroReads;
    bool takenAtTheFirstTick;
  } cases[] = {{0, true}, {3, true}, {1000, false}};
  for (const auto& c : cases) {
    const size_t received = launcher.received.size();
    StartAndSettle();
    const sim::Nanos started = desktop.Now();
    travok.PushKey(1, c.zeroReads);
    desktop.RunUntil(started + Ms(500));
    EXPECT_EQ(travok.Waiting(), c.takenAtTheFirstTick ? 0u : 1u) << c.zeroReads;
    desktop.RunFor(Ms(3000));
    EXPECT_EQ(launcher.received.size(), received + 1) << c.zeroReads;
    EXPECT_EQ(travok.Waiting(), 0u) << c.zeroReads;
    desktop.Post(MainWindow(), WM_CLOSE);
    desktop.RunFor(Ms(1));
  }
}

// Neither the start-up drain nor a poll tick waits for ever on such a key.
TEST_F(PlimsetTest, ADriverThatNeverHandsOutItsAnnouncedKeyDoesNotFreezePlimset) {
  sim::FakeWindow& launcher = notebook::StartCompanion(desktop, Companion::kLauncher);
  travok.PushKey(1, INT32_MAX);
  StartAndSettle();
  desktop.RunFor(Ms(2000));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{2, 100}, {3, 30000}}));
  desktop.Post(MainWindow(), WM_CLOSE);
  desktop.RunFor(Ms(100));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  EXPECT_TRUE(launcher.received.empty());
}

// A box opened by a fast-phase dispatch stays open across the timer 3 tick;
// inside it the nested ticks switch to Slow, take the next key with timer 1
// and switch to Fast again. When the box closes, the outer timer 2 tick only
// starts timer 2 again.
TEST_F(PlimsetTest, ABoxLeftOpenAcrossTimer3FollowsTheNestingRules) {
  notebook::StartCompanion(desktop, Companion::kLauncher);
  StartAndSettle();
  PressAt(0, 1);      // timer 1 at 500 ms: Fast, timer 3 due at 30.5 s
  PressAt(950, 33);   // timer 2 at 1.0 s: no media utility, a warning box
  PressAt(30700, 2);  // inside the box: timer 1 (restarted at 30.5 s) at 31.0 s
  desktop.RunUntil(Ms(30000));
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  desktop.At(Ms(31200), [&] { desktop.AnswerBox(desktop.OpenBoxes().at(0).id); });
  desktop.RunUntil(Ms(31250));
  // KillTimer(2) at the timer 3 tick finds no timer 2 running and leaves no
  // trace; the box's answer is seen before the timer 2 tick due at 31.2 s.
  static const E kExpected[] = {
      {kKilled, WM_TIMER, 2, 0, "PLIMSET", 1000},
      {kOpened, 0, MB_OK | MB_ICONEXCLAMATION, 0, "I cannot find out zolbex utility", 1000},
      {kSet, WM_TIMER, 1, 500, "PLIMSET", 30500},    // nested timer 3: Slow
      {kKilled, WM_TIMER, 1, 0, "PLIMSET", 31000},   // nested timer 1 takes key 2
      {kPost, kLaunch, 2, 0, "#32770", 31000},       //
      {kGot, kLaunch, 2, 0, "#32770", 31000},        //
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 31000},    // Slow -> Fast
      {kSet, WM_TIMER, 3, 30000, "PLIMSET", 31000},  //
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 31100},    // a nested timer 2 tick
      {kClosed, 0, IDOK, 0, "I cannot find out zolbex utility", 31200},
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 31200},  // the outer timer 2 tick ends
  };
  expected::ExpectSequence({std::begin(kExpected), std::end(kExpected)}, PollingTrace(desktop, Ms(1000)));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{2, 100}, {3, 30000}}));
}

// The slow-state variant: the outer tick is a timer 1 tick whose dispatch
// opened the box. Nested, timer 3 switches to Slow and timer 1 finds a key and
// switches to Fast; the outer tick then sees Fast and only restarts timer 3.
TEST_F(PlimsetTest, AnOuterSlowTickAfterANestedSwitchOnlyRestartsTimer3) {
  notebook::StartCompanion(desktop, Companion::kLauncher);
  StartAndSettle();
  PressAt(0, 1);       // Fast from 0.5 s; back to Slow at 30.5 s
  PressAt(30600, 64);  // timer 1 at 31.0 s: no wireless utility, a box
  PressAt(60700, 2);   // timer 3 at 60.5 s (nested) -> Slow; timer 1 at 61.0 s
  desktop.RunUntil(Ms(61050));
  ASSERT_EQ(desktop.OpenBoxes().size(), 1u);
  desktop.AnswerBox(desktop.OpenBoxes().at(0).id);
  desktop.RunUntil(Ms(61060));
  static const E kExpected[] = {
      {kKilled, WM_TIMER, 1, 0, "PLIMSET", 31000},
      {kOpened, 0, MB_OK | MB_ICONEXCLAMATION, 0, "I cannot find out Wireless utility", 31000},
      {kSet, WM_TIMER, 1, 500, "PLIMSET", 60500},  // nested timer 3: Slow
      {kKilled, WM_TIMER, 1, 0, "PLIMSET", 61000},
      {kPost, kLaunch, 2, 0, "#32770", 61000},
      {kGot, kLaunch, 2, 0, "#32770", 61000},
      {kSet, WM_TIMER, 2, 100, "PLIMSET", 61000},  // nested timer 1: Fast
      {kSet, WM_TIMER, 3, 30000, "PLIMSET", 61000},
      {kClosed, 0, IDOK, 0, "I cannot find out Wireless utility", 61050},
      {kKilled, WM_TIMER, 3, 0, "PLIMSET", 61050},   // outer tick: Fast already,
      {kSet, WM_TIMER, 3, 30000, "PLIMSET", 61050},  // so timer 3 restarts only
  };
  expected::ExpectSequence({std::begin(kExpected), std::end(kExpected)}, PollingTrace(desktop, Ms(31000)));
  EXPECT_EQ(desktop.TimersOf(MainWindow()), (std::map<UINT_PTR, UINT>{{2, 100}, {3, 30000}}));
}

}  // namespace
}  // namespace plimset_test
