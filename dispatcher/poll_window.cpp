// The hidden window's procedure: the polling machine of timers 1, 2 and 3.
//
// Slow state: timer 1 polls every 500 ms. A key found there starts the Fast
// state: timer 2 polls every 100 ms and timer 3 ends the phase 30 s after the
// key that began it. Each tick stops its own timer before it reads and
// dispatches, because a dispatch may open a modal box whose nested loop keeps
// delivering WM_TIMER to this window.
#include "dispatcher/plimset.h"
#include "dispatcher/program_state.h"

namespace plimset {
namespace {

// Polls once; returns true when a key was announced (and then taken).
bool PollOnce(HWND window, UINT_PTR timer) {
  if (QueryPendingKeys() == 0) return false;
  KillTimer(window, timer);
  const KeyCode key = TakeAnnouncedKey();
  if (key != 0) DispatchKey(key);
  return true;
}

void OnSlowPollTick(HWND window) {
  if (!PollOnce(window, SLOW_POLL_TIMER)) return;
  ProgramState& state = State();
  // fastPolling is read only now: a tick nested in a box opened by the
  // dispatch may already have switched to Fast.
  if (state.fastPolling == 0) {
    SetTimer(window, FAST_POLL_TIMER, FAST_POLL_MS, nullptr);
    SetTimer(window, FAST_PERIOD_TIMER, FAST_PERIOD_MS, nullptr);
  } else {
    KillTimer(window, FAST_PERIOD_TIMER);
    SetTimer(window, FAST_PERIOD_TIMER, FAST_PERIOD_MS, nullptr);
  }
  state.fastPolling = 1;
}

void OnFastPollTick(HWND window) {
  PollOnce(window, FAST_POLL_TIMER);
  SetTimer(window, FAST_POLL_TIMER, FAST_POLL_MS, nullptr);
}

void OnFastPeriodTick(HWND window) {
  // Timer 3 itself keeps running: it fires every 30 s from now on.
  KillTimer(window, FAST_POLL_TIMER);
  SetTimer(window, SLOW_POLL_TIMER, SLOW_POLL_MS, nullptr);
  State().fastPolling = 0;
}

}  // namespace

LRESULT CALLBACK DispatcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == SLOW_POLL_TIMER) OnSlowPollTick(window);
      if (wParam == FAST_POLL_TIMER) OnFastPollTick(window);
      if (wParam == FAST_PERIOD_TIMER) OnFastPeriodTick(window);
      return 0;
    case WM_DESTROY:
      SetKeyReporting(0);
      PostQuitMessage(0);
      return 0;
    default:
      // WM_COMMAND (104, 105) and WM_CLOSE take the default handling.
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace plimset
