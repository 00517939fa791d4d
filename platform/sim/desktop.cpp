// The scheduler of the simulated desktop: programs on threads that take turns
// holding one baton, and the virtual clock that moves while they all wait.
#include "desktop.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <stdexcept>

#include "platform/sim/api_calls.h"
#include "platform/sim/oem_text.h"
#include "state.h"

namespace sim {
namespace {

Desktop* g_desktop = nullptr;
thread_local Thread* t_current = nullptr;
DWORD g_testSideError = 0;

void HandBatonToHost(Desktop::State& s, Thread* thread, std::unique_lock<std::mutex>& lock) {
  s.running = nullptr;
  s.hostWake.notify_one();
  thread->wake.wait(lock, [&] { return s.running == thread; });
}

// Ends a program's turn for good. Built first on the program's thread, so it
// is destroyed last: after the program's own static objects.
struct ThreadExit {
  Thread* thread = nullptr;
  ~ThreadExit() {
    if (!thread) return;
    Desktop::State& s = D();
    Process* process = thread->process;
    // Windows that the program left are taken away without messages.
    for (auto it = s.windows.begin(); it != s.windows.end();) {
      if (it->second->process == process) {
        s.zOrder.erase(std::remove(s.zOrder.begin(), s.zOrder.end(), it->first), s.zOrder.end());
        it = s.windows.erase(it);
      } else {
        ++it;
      }
    }
    thread->timers.clear();
    thread->posted.clear();
    // Sends that the program will never handle answer 0 to their senders.
    for (auto& sent : thread->incomingSent) sent->done = true;
    thread->incomingSent.clear();
    process->running = false;
    for (auto& hook : s.exitHooks) hook();
    Record(TraceEvent::kEnded, nullptr, 0, static_cast<WPARAM>(process->exitCode), 0, process->name);
    thread->finished = true;
    std::lock_guard<std::mutex> lock(s.baton);
    s.running = nullptr;
    s.hostWake.notify_one();
  }
};

void ThreadMain(Process* process) {
  Desktop::State& s = D();
  Thread* thread = process->thread.get();
  {
    std::unique_lock<std::mutex> lock(s.baton);
    thread->wake.wait(lock, [&] { return s.running == thread; });
  }
  t_current = thread;
  static thread_local ThreadExit turnEnd;
  turnEnd.thread = thread;
  thread->started = true;
  if (s.shuttingDown) {
    thread->unwinding = true;
    return;
  }
  try {
    if (process->image.buildStatics) process->image.buildStatics();
    process->exitCode = process->image.entry(InstanceHandle(*process), nullptr,
                                             const_cast<LPSTR>(process->commandLine.c_str()), SW_SHOWNORMAL);
  } catch (const Unwind&) {
    process->exitCode = -2;
  }
}

bool Runnable(const Desktop::State& s, const Thread& thread) {
  if (thread.finished) return false;
  if (!thread.started) return true;
  if (!thread.waiting) return false;
  // A thread waiting for the answer to its send still handles sends to it.
  if (thread.awaitingReply) return thread.awaitingReply->done || !thread.incomingSent.empty();
  if (thread.wakeAt >= 0 && s.now >= thread.wakeAt) return true;
  return thread.wakeOnInput && HasInput(thread);
}

Thread* FirstRunnable(Desktop::State& s) {
  for (auto& process : s.processes) {
    Thread* thread = process->thread.get();
    if (thread && Runnable(s, *thread)) return thread;
  }
  return nullptr;
}

void RunThread(Desktop::State& s, Thread* thread) {
  std::unique_lock<std::mutex> lock(s.baton);
  s.running = thread;
  thread->wake.notify_one();
  s.hostWake.wait(lock, [&] { return s.running == nullptr; });
}

constexpr Nanos kNever = INT64_MAX;

// The next moment at which something is due: a scheduled action, a timer,
// the end of a timed wait.
Nanos NextDue(const Desktop::State& s, bool countTimers) {
  Nanos next = kNever;
  for (const auto& item : s.scheduled) next = std::min(next, item.at);
  for (const auto& process : s.processes) {
    const Thread* thread = process->thread.get();
    if (!thread || thread->finished) continue;
    if (thread->waiting && thread->wakeAt >= 0) next = std::min(next, thread->wakeAt);
    if (!countTimers) continue;
    for (const Timer& timer : thread->timers) {
      if (!timer.expired) next = std::min(next, timer.due);
    }
  }
  return next;
}

// Fires what is due at the current time: scheduled actions in their order,
// then timers. A timer that came due several times is expired only once, as
// Windows coalesces WM_TIMER.
void FireDue(Desktop::State& s) {
  for (;;) {
    auto due = std::min_element(s.scheduled.begin(), s.scheduled.end(), [](const auto& a, const auto& b) {
      return a.at != b.at ? a.at < b.at : a.order < b.order;
    });
    if (due == s.scheduled.end() || due->at > s.now) break;
    std::function<void()> action = std::move(due->action);
    s.scheduled.erase(due);
    action();
  }
  for (auto& process : s.processes) {
    Thread* thread = process->thread.get();
    if (!thread || thread->finished) continue;
    for (Timer& timer : thread->timers) {
      if (timer.due > s.now) continue;
      timer.expired = true;
      const Nanos period = Ms(timer.periodMs);
      while (timer.due <= s.now) timer.due += period;
    }
  }
}

// One step of the desktop: run a thread that can run, or move the clock to the
// next due event if it lies at or before `until`. False when neither happened.
bool Step(Desktop::State& s, Nanos until, bool countTimers) {
  if (Thread* thread = FirstRunnable(s)) {
    RunThread(s, thread);
    return true;
  }
  const Nanos next = NextDue(s, true);
  const Nanos nextCounted = countTimers ? next : NextDue(s, false);
  if (nextCounted == kNever || next > until) return false;
  s.now = std::max(s.now, next);
  FireDue(s);
  return true;
}

}  // namespace

Desktop::State& D() {
  if (!g_desktop) throw std::logic_error("no simulated desktop");
  return g_desktop->state();
}

Thread* CurrentThread() { return t_current; }
Process* CurrentProcess() { return t_current ? t_current->process : nullptr; }

HINSTANCE InstanceHandle(const Process& process) {
  return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000 + process.pid * 0x00100000));
}

Process* ProcessOfInstance(HINSTANCE instance) {
  for (auto& process : D().processes) {
    if (InstanceHandle(*process) == instance) return process.get();
  }
  return nullptr;
}

void SetError(DWORD error) {
  if (Process* process = CurrentProcess()) {
    process->lastError = error;
  } else {
    g_testSideError = error;
  }
}

void WaitUntilRunnable(Thread* thread, Nanos wakeAt, bool wakeOnInput) {
  Desktop::State& s = D();
  if (thread->unwinding) return;
  thread->waiting = true;
  thread->wakeAt = wakeAt;
  thread->wakeOnInput = wakeOnInput;
  {
    std::unique_lock<std::mutex> lock(s.baton);
    HandBatonToHost(s, thread, lock);
  }
  thread->waiting = false;
  thread->wakeAt = -1;
  if (s.shuttingDown && !thread->unwinding) {
    thread->unwinding = true;
    throw Unwind();
  }
}

bool HasInput(const Thread& thread) {
  if (!thread.incomingSent.empty() || !thread.posted.empty() || thread.quitPosted) return true;
  for (const Timer& timer : thread.timers) {
    if (timer.expired) return true;
  }
  const Desktop::State& s = D();
  // Only the innermost box's loop runs: an outer box answered meanwhile is
  // seen when control is back in its own loop, not before.
  if (!thread.boxes.empty() && !s.boxes[thread.boxes.back()].open) return true;
  for (const auto& entry : s.windows) {
    if (entry.second->thread == &thread && entry.second->needsPaint && entry.second->visible) return true;
  }
  return false;
}

void Record(TraceEvent::Kind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
            std::string detail, std::string text) {
  Desktop::State& s = D();
  Process* process = CurrentProcess();
  s.trace.push_back(TraceEvent{s.now, kind, process ? process->pid : 0, window, message, wParam, lParam,
                               std::move(detail), std::move(text)});
  for (auto& listener : s.listeners) listener(s.trace.back());
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

Desktop::Desktop() : state_(new State()) {
  if (g_desktop) throw std::logic_error("only one simulated desktop at a time");
  g_desktop = this;
  g_testSideError = 0;
  RegisterSystemClass("LISTBOX", DefWindowProcA);
}

Desktop::~Desktop() {
  State& s = *state_;
  s.shuttingDown = true;
  s.scheduled.clear();
  for (auto& process : s.processes) {
    Thread* thread = process->thread.get();
    if (!thread->finished) RunThread(s, thread);
    if (thread->os.joinable()) thread->os.join();
  }
  g_desktop = nullptr;
}

Desktop& Desktop::Current() {
  if (!g_desktop) throw std::logic_error("no simulated desktop");
  return *g_desktop;
}

Nanos Desktop::Now() const { return state_->now; }

void Desktop::RunUntil(Nanos until) {
  State& s = *state_;
  while (Step(s, until, true)) {
  }
  s.now = std::max(s.now, until);
}

void Desktop::RunUntilQuiet(Nanos limit) {
  State& s = *state_;
  const Nanos until = s.now + limit;
  while (Step(s, until, false)) {
  }
}

void Desktop::At(Nanos at, std::function<void()> action) {
  State& s = *state_;
  s.scheduled.push_back(State::Scheduled{std::max(at, s.now), s.nextScheduledOrder++, std::move(action)});
}

int Desktop::Start(const ProgramImage& image, const StartOptions& options) {
  State& s = *state_;
  auto process = std::make_unique<Process>();
  process->pid = static_cast<int>(s.processes.size()) + 1;
  process->name = image.name;
  process->image = image;
  process->options = options;
  // The command line is UTF-8 on the test side; the program sees it as
  // ANSI text (GetCommandLineA, the entry's argument) and as UTF-16.
  process->commandLineW =
      Utf8ToWide(options.commandLine.empty() ? "\"" + options.modulePath + "\"" : options.commandLine);
  process->commandLine = WideToAnsi(process->commandLineW);
  process->currentDirectory = options.currentDirectory;
  process->running = true;
  process->thread = std::make_unique<Thread>();
  process->thread->id = process->pid;
  process->thread->process = process.get();
  Process* raw = process.get();
  s.processes.push_back(std::move(process));
  Record(TraceEvent::kStarted, nullptr, 0, static_cast<WPARAM>(raw->pid), 0, raw->name,
         WideToUtf8(raw->commandLineW));
  raw->thread->os = std::thread(ThreadMain, raw);
  return raw->pid;
}

bool Desktop::IsRunning(int pid) const { return const_cast<Desktop*>(this)->ProcessOf(pid).running; }

int Desktop::ExitCode(int pid) const {
  const Process& process = const_cast<Desktop*>(this)->ProcessOf(pid);
  return process.running ? -1 : process.exitCode;
}

Process& Desktop::ProcessOf(int pid) {
  if (pid < 1 || pid > static_cast<int>(state_->processes.size())) throw std::out_of_range("no such program");
  return *state_->processes[pid - 1];
}

const std::vector<TraceEvent>& Desktop::Trace() const { return state_->trace; }

void Desktop::Note(const std::string& text) { Record(TraceEvent::kNote, nullptr, 0, 0, 0, text); }

void Desktop::OnTrace(std::function<void(const TraceEvent&)> listener) {
  state_->listeners.push_back(std::move(listener));
}

void Desktop::FailNextWindowCreations(int count) { state_->failWindowCreations = count; }

}  // namespace sim

DWORD WINAPI GetLastError(void) {
  SIM_API_CALL();
  sim::Process* process = sim::CurrentProcess();
  return process ? process->lastError : sim::g_testSideError;
}

void WINAPI SetLastError(DWORD error) {
  SIM_API_CALL();
  sim::SetError(error);
}
