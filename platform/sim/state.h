// Inside the simulated desktop: the records that its Win32 areas share.
// Not for programs, and tests use desktop.h instead.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <typeindex>
#include <vector>

#include "desktop.h"

namespace sim {

struct Thread;

// State that one Win32 area keeps for the whole desktop or for one process.
// Each area defines its own struct and reaches it with AreaOf<T>(), so the
// areas stay in their own files.
class AreaStore {
 public:
  template <class T>
  T& Get() {
    auto& slot = slots_[std::type_index(typeid(T))];
    if (!slot) slot = std::shared_ptr<void>(new T(), [](void* p) { delete static_cast<T*>(p); });
    return *static_cast<T*>(slot.get());
  }

 private:
  std::map<std::type_index, std::shared_ptr<void>> slots_;
};

struct WindowClass {
  std::string name;
  WNDPROC proc = nullptr;
  WNDCLASSEXA record{};
  Process* owner = nullptr;  // null for the system's classes
};

// A list box's items and selection.
struct ListBoxState {
  std::vector<std::u16string> items;
  int selection = -1;
};

struct Window {
  HWND handle = nullptr;
  Process* process = nullptr;  // null for fake companion windows
  Thread* thread = nullptr;
  std::string className;
  WNDPROC proc = nullptr;
  std::string title;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT bounds{};
  HWND parent = nullptr;  // parent of a child, owner of a top-level window
  UINT_PTR childId = 0;
  bool visible = false;
  bool topmost = false;
  bool destroying = false;
  bool needsPaint = false;
  FakeWindow* fake = nullptr;
  std::unique_ptr<ListBoxState> listBox;
};

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT periodMs;
  Nanos due;
  bool expired;
  uint64_t order;  // creation order, to pick among expired timers
};

// A message sent from one program's thread to a window of another: the
// sender waits until the receiver's thread pumps and the procedure answers.
struct SentMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

struct Thread {
  int id = 0;
  Process* process = nullptr;
  std::thread os;
  std::condition_variable wake;
  std::deque<MSG> posted;
  bool quitPosted = false;
  int quitCode = 0;
  int failGetMessage = 0;  // GetMessageA calls still to fail
  // Sends from other threads not yet handled, oldest first.
  std::deque<std::shared_ptr<SentMessage>> incomingSent;
  // The send this thread waits on, if any.
  std::shared_ptr<SentMessage> awaitingReply;
  std::vector<Timer> timers;
  bool started = false;
  bool waiting = false;
  Nanos wakeAt = -1;  // end of a timed wait, -1 for none
  bool wakeOnInput = true;
  std::vector<int> boxes;  // open boxes of this thread, innermost last
  bool finished = false;
  bool unwinding = false;
  HWND active = nullptr;
  HWND focus = nullptr;
};

struct Process {
  int pid = 0;
  std::string name;
  ProgramImage image{};
  StartOptions options;
  std::string commandLine;
  std::u16string commandLineW;
  std::string currentDirectory;
  DWORD lastError = 0;
  int exitCode = -1;
  bool running = false;
  std::unique_ptr<Thread> thread;
  std::vector<WindowClass> classes;
  AreaStore areas;  // per-process state of the Win32 areas
};

struct Desktop::State {
  Nanos now = 0;
  std::mutex baton;
  std::condition_variable hostWake;
  Thread* running = nullptr;  // null: the test side holds the baton
  bool shuttingDown = false;

  std::vector<std::unique_ptr<Process>> processes;
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> zOrder;  // top-level windows, most recent first
  uintptr_t nextHandle = 0x10010;
  std::vector<WindowClass> systemClasses;
  std::map<std::string, UINT> registeredMessages;
  UINT nextRegisteredMessage = 0xC000;
  uint64_t nextTimerOrder = 0;
  int failWindowCreations = 0;

  struct Scheduled {
    Nanos at;
    uint64_t order;
    std::function<void()> action;
  };
  std::vector<Scheduled> scheduled;
  uint64_t nextScheduledOrder = 0;

  std::vector<BoxRecord> boxes;
  bool autoAnswer = false;
  Nanos autoAnswerDelay = 0;
  int autoAnswerValue = IDOK;

  std::vector<std::unique_ptr<FakeWindow>> fakes;
  std::vector<TraceEvent> trace;
  std::vector<std::function<void(const TraceEvent&)>> listeners;

  AreaStore areas;  // desktop-wide state of the Win32 areas
  // Called on the thread of each program that ends, after it has stopped
  // running and before its end is recorded: what the areas release then.
  std::vector<std::function<void()>> exitHooks;
};

// The desktop in force; every Win32 function works on it.
Desktop::State& D();
// The simulated thread and process that called, or null on the test side.
Thread* CurrentThread();
Process* CurrentProcess();
template <class T>
T& DesktopArea() {
  return D().areas.Get<T>();
}
// Per-process state of an area, for the calling program.
template <class T>
T& ProcessArea() {
  return CurrentProcess()->areas.Get<T>();
}

// Records an event in the trace and tells the listeners.
void Record(TraceEvent::Kind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
            std::string detail = std::string(), std::string text = std::string());
void SetError(DWORD error);

Window* FindWindowRecord(HWND handle);
// Gives the baton back to the test side until this thread has something to do:
// input (with wakeOnInput) or the end of a timed wait at `wakeAt` (-1 none).
void WaitUntilRunnable(Thread* thread, Nanos wakeAt, bool wakeOnInput);
// Whether a thread has input waiting: messages sent to it from other
// threads, posted messages, quit, expired timers, or its innermost box
// answered.
bool HasInput(const Thread& thread);
// Takes the thread's next message in delivery order, without waiting.
bool TakeMessage(Thread& thread, MSG* out);
// Puts a message in the queue of the window's thread (or hands it to a fake).
void PostTo(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls a window procedure as the desktop does for queued and sent messages.
// A fake window records the message as sent.
LRESULT CallWindowProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
// A fake window records a message, posted or sent.
LRESULT ReceiveAtFake(Window& window, UINT message, WPARAM wParam, LPARAM lParam, bool posted);
// Hands the sends waiting for `thread` to their window procedures, as
// Windows does whenever a thread looks at its queue.
void DeliverSentMessages(Thread& thread);
// Makes a window record without messages (used for fake windows and boxes).
HWND CreateWindowRecord(Process* process, Thread* thread, const WindowClass& windowClass, DWORD exStyle,
                        const char* title, DWORD style, int x, int y, int width, int height, HWND parent,
                        UINT_PTR childId);
// Registers a class that every program can use (LISTBOX, #32770).
void RegisterSystemClass(const char* name, WNDPROC proc);

// The instance handle that a program's entry receives, and back.
HINSTANCE InstanceHandle(const Process& process);
Process* ProcessOfInstance(HINSTANCE instance);

// Thrown inside a program's thread when the desktop is taken down while the
// program still runs, so that its stack unwinds; never seen by tests.
struct Unwind {};

// Text of 16-bit units as UTF-8, for the trace.
std::string Narrow(const std::u16string& text);

}  // namespace sim
