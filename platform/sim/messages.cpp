// Message queues and timers: posting and sending, the retrieval order of
// Windows (posted messages, then WM_QUIT, WM_PAINT, WM_TIMER), accelerators,
// and the waits that hand the baton back while a queue is empty. A message
// sent to another program's window waits, with its sender, until that
// program looks at its queue (GetMessageA, PeekMessageA, a box's loop).
#include <strings.h>

#include <algorithm>
#include <stdexcept>

#include "platform/sim/api_calls.h"
#include "state.h"
#include "wide_calls.h"

namespace sim {

LRESULT ListBoxMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam, bool wide);

namespace {

// An empty PeekMessageA costs this much virtual time, so that a program
// that polls its queue in a loop lets the clock move as a real one would.
constexpr Nanos kEmptyPeekCost = 10000;  // 10 microseconds

bool InFilter(const MSG& msg, HWND window, UINT first, UINT last) {
  if (window && msg.hwnd != window) return false;
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

DWORD NowMs() { return static_cast<DWORD>(D().now / kMillisecond); }

// Takes the next message for the thread in the order Windows delivers them,
// after handing the messages sent to it to their procedures.
bool NextMessage(Thread& thread, MSG* out, HWND window, UINT first, UINT last, bool remove) {
  DeliverSentMessages(thread);
  for (auto it = thread.posted.begin(); it != thread.posted.end(); ++it) {
    if (!InFilter(*it, window, first, last)) continue;
    *out = *it;
    if (remove) thread.posted.erase(it);
    return true;
  }
  if (thread.quitPosted && (first == 0 || (WM_QUIT >= first && WM_QUIT <= last))) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(thread.quitCode), 0, NowMs(), {0, 0}};
    if (remove) thread.quitPosted = false;
    return true;
  }
  for (const auto& entry : D().windows) {
    const Window& w = *entry.second;
    if (w.thread != &thread || !w.visible || !w.needsPaint) continue;
    MSG paint{w.handle, WM_PAINT, 0, 0, NowMs(), {0, 0}};
    if (!InFilter(paint, window, first, last)) continue;
    *out = paint;
    return true;
  }
  Timer* chosen = nullptr;
  for (Timer& timer : thread.timers) {
    if (!timer.expired) continue;
    MSG tick{timer.window, WM_TIMER, timer.id, 0, NowMs(), {0, 0}};
    if (!InFilter(tick, window, first, last)) continue;
    if (!chosen || timer.order < chosen->order) chosen = &timer;
  }
  if (chosen) {
    *out = MSG{chosen->window, WM_TIMER, chosen->id, 0, NowMs(), {0, 0}};
    if (remove) chosen->expired = false;
    return true;
  }
  return false;
}

Thread& CallingThread() {
  Thread* thread = CurrentThread();
  if (!thread) throw std::logic_error("a Win32 message call from the test side");
  return *thread;
}

LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
  Window* window = FindWindowRecord(handle);
  if (!window) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  Record(TraceEvent::kSent, handle, message, wParam, lParam, window->className);
  if (window->listBox) return ListBoxMessage(*window, message, wParam, lParam, wide);
  Thread* sender = CurrentThread();
  if (window->fake || window->thread == sender) return CallWindowProcedure(*window, message, wParam, lParam);
  if (!sender) {
    // The test side has no thread to wait on; it posts instead.
    SetError(ERROR_ACCESS_DENIED);
    return 0;
  }
  // Another program's window: the sender waits until that program's thread
  // looks at its queue and the procedure has answered.
  auto sent = std::make_shared<SentMessage>(SentMessage{handle, message, wParam, lParam});
  window->thread->incomingSent.push_back(sent);
  sender->awaitingReply = sent;
  while (!sent->done && !sender->unwinding) {
    WaitUntilRunnable(sender, -1, false);
    DeliverSentMessages(*sender);
  }
  sender->awaitingReply = nullptr;
  return sent->result;
}

}  // namespace

bool TakeMessage(Thread& thread, MSG* out) { return NextMessage(thread, out, nullptr, 0, 0, true); }

void DeliverSentMessages(Thread& thread) {
  while (!thread.incomingSent.empty()) {
    std::shared_ptr<SentMessage> sent = thread.incomingSent.front();
    thread.incomingSent.pop_front();
    if (Window* window = FindWindowRecord(sent->window)) {
      sent->result = CallWindowProcedure(*window, sent->message, sent->wParam, sent->lParam);
    }
    sent->done = true;
  }
}

void PostTo(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  Record(TraceEvent::kPosted, window.handle, message, wParam, lParam, window.className, window.title);
  if (window.fake) {
    ReceiveAtFake(window, message, wParam, lParam, true);
    return;
  }
  window.thread->posted.push_back(MSG{window.handle, message, wParam, lParam, NowMs(), {0, 0}});
}

void Desktop::Post(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (window) PostTo(*window, message, wParam, lParam);
}

void Desktop::FailNextGetMessage(int pid, int count) { ProcessOf(pid).thread->failGetMessage = count; }

std::map<UINT_PTR, UINT> Desktop::TimersOf(HWND handle) const {
  std::map<UINT_PTR, UINT> timers;
  const Window* window = FindWindowRecord(handle);
  if (!window || !window->thread) return timers;
  for (const Timer& timer : window->thread->timers) {
    if (timer.window == handle) timers[timer.id] = timer.periodMs;
  }
  return timers;
}

}  // namespace sim

using sim::D;
using sim::FindWindowRecord;
using sim::Window;

BOOL WINAPI PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  SIM_API_CALL();
  if (!handle) {
    sim::Thread& thread = sim::CallingThread();
    sim::Record(sim::TraceEvent::kPosted, nullptr, message, wParam, lParam);
    thread.posted.push_back(MSG{nullptr, message, wParam, lParam, sim::NowMs(), {0, 0}});
    return TRUE;
  }
  Window* window = FindWindowRecord(handle);
  if (!window) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  sim::PostTo(*window, message, wParam, lParam);
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  SIM_API_CALL();
  return sim::Send(handle, message, wParam, lParam, false);
}

LRESULT WINAPI SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  SIM_API_CALL();
  if (sim::RefuseWideCallOn9x()) return 0;
  return sim::Send(handle, message, wParam, lParam, true);
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT first, UINT last) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  if (thread.failGetMessage > 0) {
    --thread.failGetMessage;
    sim::SetError(ERROR_INVALID_PARAMETER);
    return -1;  // the message record is left as it was
  }
  for (;;) {
    if (thread.unwinding) {
      *msg = MSG{nullptr, WM_QUIT, 0, 0, sim::NowMs(), {0, 0}};
      return FALSE;
    }
    if (sim::NextMessage(thread, msg, window, first, last, true)) return msg->message != WM_QUIT;
    sim::WaitUntilRunnable(&thread, -1, true);
  }
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT flags) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  if (sim::NextMessage(thread, msg, window, first, last, (flags & PM_REMOVE) != 0)) return TRUE;
  sim::WaitUntilRunnable(&thread, D().now + sim::kEmptyPeekCost, false);
  return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
  SIM_API_CALL();
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  SIM_API_CALL();
  if (!msg || !msg->hwnd) return 0;
  Window* window = FindWindowRecord(msg->hwnd);
  if (!window) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    sim::ProgramCallback program;
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  sim::Record(sim::TraceEvent::kDispatched, msg->hwnd, msg->message, msg->wParam, msg->lParam,
              window->className);
  return sim::CallWindowProcedure(*window, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int code) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  thread.quitPosted = true;
  thread.quitCode = code;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
  SIM_API_CALL();
  if (!name || !*name) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  sim::Desktop::State& s = D();
  for (const auto& entry : s.registeredMessages) {
    if (strcasecmp(entry.first.c_str(), name) == 0) return entry.second;
  }
  const UINT value = s.nextRegisteredMessage++;
  s.registeredMessages[name] = value;
  return value;
}

UINT_PTR WINAPI SetTimer(HWND handle, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  Window* window = FindWindowRecord(handle);
  if (!window || window->thread != &thread || proc) {
    // Timers without a window, or with a timer procedure, are not used here.
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  elapse = std::max<UINT>(elapse, 10);  // USER_TIMER_MINIMUM
  sim::Record(sim::TraceEvent::kTimerSet, handle, WM_TIMER, id, elapse, window->className);
  const sim::Nanos due = D().now + sim::Ms(elapse);
  for (sim::Timer& timer : thread.timers) {
    if (timer.window == handle && timer.id == id) {
      timer.periodMs = elapse;
      timer.due = due;
      timer.expired = false;
      return id;
    }
  }
  thread.timers.push_back(sim::Timer{handle, id, elapse, due, false, D().nextTimerOrder++});
  return id;
}

BOOL WINAPI KillTimer(HWND handle, UINT_PTR id) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  auto& timers = thread.timers;
  auto it = std::find_if(timers.begin(), timers.end(),
                         [&](const sim::Timer& t) { return t.window == handle && t.id == id; });
  if (it == timers.end()) {
    sim::SetError(1447);  // ERROR_INVALID_TIMER_ID
    return FALSE;
  }
  const Window* window = FindWindowRecord(handle);
  sim::Record(sim::TraceEvent::kTimerKilled, handle, WM_TIMER, id, 0,
              window ? window->className : std::string());
  timers.erase(it);
  return TRUE;
}

int WINAPI TranslateAcceleratorA(HWND handle, HACCEL table, LPMSG msg) {
  SIM_API_CALL();
  if (!handle || !table || !msg) return 0;
  if (msg->message != WM_CHAR && msg->message != WM_SYSCHAR) return 0;
  const sim::Process* process = sim::CurrentProcess();
  if (!process || !process->image.resources) return 0;
  const bool alt = (msg->lParam & (1 << 29)) != 0;  // the context code of a character message
  for (const auto& accel : process->image.resources->accelerators) {
    if (accel.flags & FVIRTKEY) continue;
    if (accel.key != msg->wParam || ((accel.flags & FALT) != 0) != alt) continue;
    Window* window = FindWindowRecord(handle);
    if (!window) return 0;
    // An accelerator's WM_COMMAND carries 1 in the high word of wParam.
    const WPARAM command = static_cast<WPARAM>(accel.command) | (1u << 16);
    sim::Record(sim::TraceEvent::kSent, handle, WM_COMMAND, command, 0, window->className);
    sim::CallWindowProcedure(*window, WM_COMMAND, command, 0);
    return 1;
  }
  return 0;
}
