// probe: looks at and pokes the windows of other programs, for test scripts
// that run our programs under Wine. One verb per call; exit code 0 on success,
// 1 when the thing looked for is not there (or a wait timed out), 2 on misuse.
//
//   probe find CLASS TITLE                 print the window's handle (hex)
//   probe wait CLASS TITLE [MS]            the same, waiting up to MS (5000)
//   probe wait-gone HWND [MS]              wait until the window no longer exists
//   probe text HWND [CONTROL_ID]           print the text of the window or of a child
//   probe state HWND                       print "visible=0|1 topmost=0|1"
//   probe rect HWND                        print the window's screen rectangle "X Y WIDTH HEIGHT"
//   probe post HWND MSG [WPARAM [LPARAM]]  PostMessageA
//   probe post-tick HWND MSG [WPARAM [LPARAM]]
//                                          the same, then print GetTickCount (ms)
//   probe send HWND MSG [WPARAM [LPARAM]]  SendMessageTimeoutA, print the result
//   probe answer HWND [BUTTON_ID]          answer a message box (WM_COMMAND IDOK)
//   probe listbox HWND                     print count, selection and items of a list box
//   probe box [MS]                         print the handle of an open message box (a
//                                          "#32770" window with a message child 0xFFFF),
//                                          waiting up to MS (0: look once)
//   probe boxstyle HWND                    print "buttons=N icon=0|1" of a message box
//   probe exec COMMAND_LINE                start a program with exactly this command
//                                          line, wait for it and end with its exit code
//   probe launch CLASS TITLE COMMAND_LINE [MS]
//                                          start a program, print its start-up times as
//                                          "hwnd=HWND window=MS loop=MS" (see Launch),
//                                          then wait for it and end with its exit code
//
// CLASS or TITLE "*" matches any. A message box is class "#32770": its text is
// the caption and its child 0xFFFF holds the message. MSG is a number or one
// of WM_CLOSE, WM_COMMAND, WM_DESTROY, WM_QUIT. Numbers take 0x for hex.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const int kFound = 0;
const int kNotFound = 1;
const int kUsage = 2;
const UINT kSendTimeoutMs = 5000;
const DWORD kPollMs = 20;

int Usage() {
  std::fprintf(
      stderr,
      "usage: probe "
      "find|wait|wait-gone|text|state|post|post-tick|send|answer|listbox|box|boxstyle|exec|launch|rect"
      " ARGS"
      " (see the comment at the top of probe.cpp)\n");
  return kUsage;
}

bool ParseNumber(const char* text, unsigned long long* value) {
  char* end = nullptr;
  *value = std::strtoull(text, &end, 0);
  return end != text && *end == '\0';
}

bool ParseWindow(const char* text, HWND* window) {
  unsigned long long value;
  if (!ParseNumber(text, &value)) return false;
  *window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
  return true;
}

bool ParseMessage(const char* text, UINT* message) {
  static const struct {
    const char* name;
    UINT value;
  } kNames[] = {
      {"WM_CLOSE", WM_CLOSE}, {"WM_COMMAND", WM_COMMAND}, {"WM_DESTROY", WM_DESTROY}, {"WM_QUIT", WM_QUIT}};
  for (const auto& entry : kNames) {
    if (std::strcmp(text, entry.name) == 0) {
      *message = entry.value;
      return true;
    }
  }
  unsigned long long value;
  if (!ParseNumber(text, &value)) return false;
  *message = static_cast<UINT>(value);
  return true;
}

const char* AnyOrName(const char* text) { return std::strcmp(text, "*") == 0 ? nullptr : text; }

void PrintWindow(HWND window) {
  std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
}

std::string WindowText(HWND window) {
  char buffer[1024] = "";
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

// Polls until `ready` holds or `timeoutMs` has passed; true when it held.
template <class Test>
bool WaitFor(DWORD timeoutMs, Test ready) {
  DWORD start = GetTickCount();
  for (;;) {
    if (ready()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

DWORD TimeoutArg(int argc, char** argv, int index) {
  unsigned long long value = 5000;
  if (index < argc && !ParseNumber(argv[index], &value)) value = 5000;
  return static_cast<DWORD>(value);
}

int Find(int argc, char** argv, bool wait) {
  if (argc < 4) return Usage();
  const char* className = AnyOrName(argv[2]);
  const char* title = AnyOrName(argv[3]);
  HWND found = nullptr;
  auto look = [&] { return (found = FindWindowA(className, title)) != nullptr; };
  bool ok = wait ? WaitFor(TimeoutArg(argc, argv, 4), look) : look();
  if (!ok) return kNotFound;
  PrintWindow(found);
  return kFound;
}

int WaitGone(int argc, char** argv) {
  HWND window;
  if (argc < 3 || !ParseWindow(argv[2], &window)) return Usage();
  return WaitFor(TimeoutArg(argc, argv, 3), [&] { return !IsWindow(window); }) ? kFound : kNotFound;
}

int Text(int argc, char** argv) {
  HWND window;
  if (argc < 3 || !ParseWindow(argv[2], &window)) return Usage();
  if (argc > 3) {
    unsigned long long id;
    if (!ParseNumber(argv[3], &id)) return Usage();
    window = GetDlgItem(window, static_cast<int>(id));
  }
  if (!IsWindow(window)) return kNotFound;
  std::printf("%s\n", WindowText(window).c_str());
  return kFound;
}

int State(int argc, char** argv) {
  HWND window;
  if (argc < 3 || !ParseWindow(argv[2], &window)) return Usage();
  if (!IsWindow(window)) return kNotFound;
  bool topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  std::printf("visible=%d topmost=%d\n", IsWindowVisible(window) ? 1 : 0, topmost ? 1 : 0);
  return kFound;
}

int Rect(int argc, char** argv) {
  HWND window;
  if (argc < 3 || !ParseWindow(argv[2], &window)) return Usage();
  RECT rect;
  if (!IsWindow(window) || !GetWindowRect(window, &rect)) return kNotFound;
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  return kFound;
}

int PostOrSend(int argc, char** argv, bool send, bool printTick = false) {
  HWND window;
  UINT message;
  unsigned long long wParam = 0, lParam = 0;
  if (argc < 4 || !ParseWindow(argv[2], &window) || !ParseMessage(argv[3], &message)) return Usage();
  if ((argc > 4 && !ParseNumber(argv[4], &wParam)) || (argc > 5 && !ParseNumber(argv[5], &lParam)))
    return Usage();
  if (!send) {
    if (!PostMessageA(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)))
      return kNotFound;
    // The tick on the clock the stand-ins and fixtures log with.
    if (printTick) std::printf("%lu\n", GetTickCount());
    return kFound;
  }
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
    return kNotFound;
  }
  std::printf("%lld\n", static_cast<long long>(result));
  return kFound;
}

// Posts the button's command: Wine answers WM_CLOSE to a box with IDCANCEL.
int Answer(int argc, char** argv) {
  HWND window;
  unsigned long long button = IDOK;
  if (argc < 3 || !ParseWindow(argv[2], &window) || (argc > 3 && !ParseNumber(argv[3], &button)))
    return Usage();
  return PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(button), 0) ? kFound : kNotFound;
}

// The window itself when it is a list box, else its first list box child.
HWND ListBoxOf(HWND window) {
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpiA(className, "ListBox") == 0) return window;
  return FindWindowExA(window, nullptr, "ListBox", nullptr);
}

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer))
    return false;
  *result = static_cast<LRESULT>(answer);
  return true;
}

// Items are read as UTF-16 and printed in the ANSI code page: under Wine 8 an
// 8-bit LB_GETTEXT sent from another process came back as 16-bit text.
int ListBox(int argc, char** argv) {
  HWND window;
  if (argc < 3 || !ParseWindow(argv[2], &window)) return Usage();
  HWND list = IsWindow(window) ? ListBoxOf(window) : nullptr;
  LRESULT count, selection;
  if (!list || !Ask(list, LB_GETCOUNT, 0, 0, &count) || !Ask(list, LB_GETCURSEL, 0, 0, &selection)) {
    return kNotFound;
  }
  std::printf("count=%d selection=%d\n", static_cast<int>(count), static_cast<int>(selection));
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length;
    if (!Ask(list, LB_GETTEXTLEN, i, 0, &length) || length < 0) return kNotFound;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied;
    if (!Ask(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&item[0]), &copied) || copied < 0)
      return kNotFound;
    char text[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, item.c_str(), static_cast<int>(copied), text, sizeof text - 1, nullptr,
                        nullptr);
    std::printf("item=%s\n", text);
  }
  return kFound;
}

bool IsMessageBox(HWND window) {
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  return std::strcmp(className, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr;
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM found) {
  if (!IsMessageBox(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Told apart from other dialogs (the launch utility's stand-in is one) by its
// message control.
int Box(int argc, char** argv) {
  HWND found = nullptr;
  DWORD timeout = argc > 2 ? TimeoutArg(argc, argv, 2) : 0;
  auto look = [&] {
    found = nullptr;
    EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&found));
    return found != nullptr;
  };
  if (!WaitFor(timeout, look)) return kNotFound;
  PrintWindow(found);
  return kFound;
}

struct BoxControls {
  int buttons = 0;
  bool icon = false;
};

BOOL CALLBACK CountBoxControls(HWND child, LPARAM controls) {
  auto* found = reinterpret_cast<BoxControls*>(controls);
  char className[16] = "";
  GetClassNameA(child, className, sizeof className);
  LONG style = GetWindowLongA(child, GWL_STYLE);
  if (!IsWindowVisible(child)) return TRUE;
  if (lstrcmpiA(className, "Button") == 0) found->buttons++;
  if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
      SendMessageA(child, STM_GETICON, 0, 0) != 0) {
    found->icon = true;
  }
  return TRUE;
}

int BoxStyle(int argc, char** argv) {
  HWND window;
  if (argc < 3 || !ParseWindow(argv[2], &window)) return Usage();
  if (!IsWindow(window) || !IsMessageBox(window)) return kNotFound;
  BoxControls controls;
  EnumChildWindows(window, CountBoxControls, reinterpret_cast<LPARAM>(&controls));
  std::printf("buttons=%d icon=%d\n", controls.buttons, controls.icon ? 1 : 0);
  return kFound;
}

// Wine's own launcher always quotes the program path; this starts a program
// the way a caller of CreateProcess may, with an unquoted path.
int Exec(int argc, char** argv) {
  if (argc != 3) return Usage();
  std::string commandLine = argv[2];
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", argv[2], GetLastError());
    return kUsage;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = kUsage;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

double MillisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Start-up of a program, timed on the performance counter from just before
// CreateProcessA: "window" when a window of CLASS and TITLE exists (looked for
// every millisecond), "loop" when that window's thread first takes a sent
// WM_NULL, which it does only once it asks for messages, in its message loop.
int Launch(int argc, char** argv) {
  if (argc < 5) return Usage();
  const char* className = AnyOrName(argv[2]);
  const char* title = AnyOrName(argv[3]);
  std::string commandLine = argv[4];
  const DWORD timeoutMs = TimeoutArg(argc, argv, 5);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "probe: cannot start %s (error %lu)\n", argv[4], GetLastError());
    return kUsage;
  }
  HWND window = nullptr;
  while (!(window = FindWindowA(className, title)) && MillisecondsSince(start) < timeoutMs) Sleep(1);
  const double windowMs = MillisecondsSince(start);
  DWORD_PTR ignored = 0;
  if (!window || !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored)) {
    std::fprintf(stderr, "probe: %s: no window, or it took no message within %lu ms\n", argv[4], timeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return kNotFound;
  }
  const double loopMs = MillisecondsSince(start);
  std::printf("hwnd=0x%llx window=%.0f loop=%.0f\n",
              static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)), windowMs, loopMs);
  std::fflush(stdout);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = kUsage;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

int FindNow(int argc, char** argv) { return Find(argc, argv, false); }
int FindWaiting(int argc, char** argv) { return Find(argc, argv, true); }
int Post(int argc, char** argv) { return PostOrSend(argc, argv, false); }
int PostTick(int argc, char** argv) { return PostOrSend(argc, argv, false, true); }
int Send(int argc, char** argv) { return PostOrSend(argc, argv, true); }

const struct {
  const char* name;
  int (*run)(int argc, char** argv);
} kVerbs[] = {{"find", FindNow}, {"wait", FindWaiting},   {"wait-gone", WaitGone},
              {"text", Text},    {"state", State},        {"post", Post},
              {"send", Send},    {"answer", Answer},      {"listbox", ListBox},
              {"box", Box},      {"boxstyle", BoxStyle},  {"exec", Exec},
              {"rect", Rect},    {"post-tick", PostTick}, {"launch", Launch}};

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n", for the scripts
  if (argc < 2) return Usage();
  for (const auto& verb : kVerbs) {
    if (std::strcmp(argv[1], verb.name) == 0) {
      int result = verb.run(argc, argv);
      std::fflush(stdout);
      return result;
    }
  }
  return Usage();
}
