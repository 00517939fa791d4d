// The simulated desktop: several programs, each on its own simulated thread
// with its own message queue, on one virtual clock.
//
// Contract: exactly one simulated thread runs at a time, until it waits (an
// empty GetMessageA, an unanswered message box, a timed wait). Virtual time
// moves only when every thread waits, and then jumps to the next due event
// (a timer, a scheduled test event, the end of a timed wait). Threads that can
// run are run in the order they were started. Same scenario, same trace.
//
// This is the test side; programs reach the desktop only through the Win32
// functions declared in user32.h, kernel32.h, gdi32.h and advapi32.h. Only one
// Desktop exists at a time; making one gives a fresh, empty desktop.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kernel32.h"
#include "user32.h"
#include "win32_types.h"

namespace sim {

// Virtual time in nanoseconds since the desktop was made.
using Nanos = int64_t;
constexpr Nanos kMillisecond = 1000000;
constexpr Nanos Ms(int64_t ms) { return ms * kMillisecond; }

struct Process;
struct Window;

// The resources of a program, as its .rc file gives them.
struct ResourceTable {
  struct String {
    UINT id;
    const char* text;
  };
  struct Accelerator {
    BYTE flags;  // FALT, FCONTROL, FSHIFT, FVIRTKEY
    WORD key;    // a character code, or a virtual key with FVIRTKEY
    WORD command;
  };
  std::vector<String> strings;
  std::vector<UINT> icons;
  std::vector<UINT> menus;
  UINT acceleratorTableId = 0;
  std::vector<Accelerator> accelerators;
};

// A program as the desktop starts it.
struct ProgramImage {
  const char* name;  // for the trace, e.g. "plimset"
  int (*entry)(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
  // Builds the program's static objects before the entry runs; may be null.
  void (*buildStatics)();
  const ResourceTable* resources;
};

// Windows versions as GetVersionExA reports them.
OSVERSIONINFOA Windows95();
OSVERSIONINFOA Windows98();
OSVERSIONINFOA WindowsMe();
OSVERSIONINFOA WindowsNT4();
OSVERSIONINFOA Windows2000();

// How a program is started. The defaults are an ordinary start on Windows 2000.
struct StartOptions {
  std::string modulePath = "C:\\Notebook\\program.exe";
  std::string commandLine;  // UTF-8; empty: the module path in double quotes
  std::string currentDirectory = "C:\\";
  OSVERSIONINFOA version = Windows2000();
  bool versionQueryFails = false;
  std::map<std::string, std::string> environment;  // e.g. {"PATH", "C:\\bin"}
};

// One recorded event of the desktop, in time order.
struct TraceEvent {
  enum Kind {
    kPosted,       // PostMessageA: window, message, wParam, lParam
    kDispatched,   // a message handed to a program's window procedure (queued)
    kSent,         // SendMessageA/W to a window procedure
    kReceived,     // a message reached a fake companion window
    kTimerSet,     // SetTimer: window, wParam = id, lParam = period in ms
    kTimerKilled,  // KillTimer: window, wParam = id
    kBoxOpened,    // MessageBoxA: text, caption in detail
    kBoxClosed,    // wParam = the answer
    kWinExec,      // WinExec: detail = command line; text = working directory
    kDevice,       // device calls: detail names them
    kStarted,      // a program started
    kEnded,        // a program ended: wParam = exit code
    kNote,         // free text from a test or a model
  };
  Nanos time;
  Kind kind;
  int pid;
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::string detail;
  std::string text;
};

// A modal message box, open or answered.
struct BoxRecord {
  int id;
  int pid;
  HWND owner;
  HWND window;  // the box's own window, class "#32770", title = caption
  std::string text;
  std::string caption;  // empty pointer given: "Error", as Windows does
  bool captionWasNull;
  UINT style;
  Nanos openedAt;
  bool open;
  int answer;
  Nanos closedAt;
};

// A companion window that only records what reaches it, and how: posted to
// its queue or sent to its procedure (a fake answers a send at once with 0).
struct FakeWindow {
  HWND handle;
  std::string className;
  std::string title;
  struct Message {
    Nanos time;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool posted;
  };
  std::vector<Message> received;
};

class Desktop {
 public:
  Desktop();
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  static Desktop& Current();

  // --- time ---
  Nanos Now() const;
  // Runs the programs until virtual time `until`, then stops the clock there.
  void RunUntil(Nanos until);
  void RunFor(Nanos span) { RunUntil(Now() + span); }
  // Runs until no thread can run and nothing is due before `limit` from now.
  void RunUntilQuiet(Nanos limit = Ms(600000));
  // Schedules `action` to run on the test side at virtual time `at`.
  void At(Nanos at, std::function<void()> action);
  void After(Nanos delay, std::function<void()> action) { At(Now() + delay, std::move(action)); }

  // --- programs ---
  int Start(const ProgramImage& image, const StartOptions& options = StartOptions());
  bool IsRunning(int pid) const;
  int ExitCode(int pid) const;  // -1 while running
  Process& ProcessOf(int pid);

  // --- windows ---
  HWND Find(const char* className, const char* title) const;  // as FindWindowA
  bool Exists(HWND window) const;
  std::string TitleOf(HWND window) const;
  std::string ClassOf(HWND window) const;
  bool Visible(HWND window) const;
  bool Topmost(HWND window) const;
  RECT Bounds(HWND window) const;  // x, y, x + width, y + height as created or moved
  HWND OwnerOf(HWND window) const;
  HWND ActiveWindow(int pid) const;
  HWND FocusWindow(int pid) const;
  std::vector<HWND> ChildrenOf(HWND window) const;
  // Posts a message as another program would.
  void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Timers of a window: id -> period in ms, for those running.
  std::map<UINT_PTR, UINT> TimersOf(HWND window) const;

  // --- fake companions ---
  FakeWindow& AddFakeWindow(const std::string& className, const std::string& title);
  void RemoveFakeWindow(FakeWindow& window);

  // --- message boxes ---
  const std::vector<BoxRecord>& Boxes() const;
  std::vector<BoxRecord> OpenBoxes() const;
  void AnswerBox(int boxId, int answer = IDOK);
  // Every box opened from now on is answered `delay` after it opened.
  void AnswerBoxesAfter(Nanos delay, int answer = IDOK);
  void StopAnsweringBoxes();

  // --- the trace ---
  const std::vector<TraceEvent>& Trace() const;
  void Note(const std::string& text);
  // Called for every event as it is recorded (for a live timeline).
  void OnTrace(std::function<void(const TraceEvent&)> listener);

  // --- failures a test can provoke ---
  void FailNextWindowCreations(int count);
  // The program's next `count` GetMessageA calls return -1 (an error).
  void FailNextGetMessage(int pid, int count = 1);

  struct State;
  State& state() { return *state_; }

 private:
  std::unique_ptr<State> state_;
};

// List boxes, for tests: items and the selection (-1 for none).
std::vector<std::u16string> ListBoxItems(HWND listBox);
int ListBoxSelection(HWND listBox);

// The screen and font model (gdi.cpp): screen size (default 1024 x 768), the
// pixel width of a text in the model's font, and device contexts not released.
void SetScreenSize(int width, int height);
int TextWidth(const std::u16string& text);
int OpenDeviceContexts();

}  // namespace sim
