// The quiet period: 2.5 seconds after the last key message the popup commits.
// The test runs in the idle part of the message loop; instead of running it
// back to back, the loop sleeps until a message arrives or the remaining
// time is up, so an open popup costs no processor time.
#include "switcher/kelvane.h"
#include "switcher/quiet_clock.h"

namespace kelvane {
namespace {

constexpr LONGLONG kTickFrequency = 1000;

// Milliseconds, rounded up, until `counts` more have passed; at least 1.
DWORD WaitMilliseconds(LONGLONG counts, LONGLONG frequency, LONGLONG limit) {
  if (counts > limit + 1) counts = limit + 1;  // a clock that went back: test again within one period
  if (counts < 1) counts = 1;
  return static_cast<DWORD>((counts * 1000 + frequency - 1) / frequency);
}

}  // namespace

QuietClock ReadQuietClock() {
  LARGE_INTEGER frequency, counter;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 && QueryPerformanceCounter(&counter)) {
    return QuietClock{counter.QuadPart, frequency.QuadPart, false};
  }
  return QuietClock{static_cast<LONGLONG>(GetTickCount()), kTickFrequency, true};
}

LONGLONG QuietClockNow() {
  LARGE_INTEGER counter;
  if (QueryPerformanceCounter(&counter)) return counter.QuadPart;
  return static_cast<LONGLONG>(GetTickCount());
}

DWORD SwitcherApp::CheckQuietPeriod() {
  const QuietClock clock = ReadQuietClock();
  // Half a second, truncated to whole counts, plus two seconds.
  const LONGLONG limit = clock.frequency / 2 + clock.frequency * 2;
  const LONGLONG elapsed = clock.ElapsedSince(lastKeyTime);
  if (elapsed > limit) {
    CommitPopup();
    return 0;
  }
  return WaitMilliseconds(limit + 1 - elapsed, clock.frequency, limit);
}

}  // namespace kelvane
