// Window classes and windows: registration, creation and destruction in the
// order Windows uses, lookup by class and title, placement, activation.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/sim/api_calls.h"
#include "state.h"

namespace sim {
namespace {

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

const WindowClass* FindClass(const Process* process, const char* name) {
  if (process) {
    for (const WindowClass& c : process->classes) {
      if (SameName(c.name, name)) return &c;
    }
  }
  for (const WindowClass& c : D().systemClasses) {
    if (SameName(c.name, name)) return &c;
  }
  return nullptr;
}

HWND NewHandle(Desktop::State& s) {
  HWND handle = reinterpret_cast<HWND>(s.nextHandle);
  s.nextHandle += 4;
  return handle;
}

bool IsTopLevel(const Window& window) { return (window.style & WS_CHILD) == 0; }

std::vector<HWND> WindowsWhere(bool (*match)(const Window&, HWND), HWND of) {
  std::vector<HWND> found;
  for (const auto& entry : D().windows) {
    if (match(*entry.second, of)) found.push_back(entry.first);
  }
  return found;
}

void SendDestroyMessages(HWND handle) {
  Window* window = FindWindowRecord(handle);
  if (!window) return;
  CallWindowProcedure(*window, WM_DESTROY, 0, 0);
  for (HWND child :
       WindowsWhere([](const Window&w, HWND of) { return w.parent == of && !IsTopLevel(w); }, handle)) {
    SendDestroyMessages(child);
  }
}

void FreeWindow(HWND handle) {
  Desktop::State& s = D();
  for (HWND child :
       WindowsWhere([](const Window&w, HWND of) { return w.parent == of && !IsTopLevel(w); }, handle)) {
    FreeWindow(child);
  }
  Window* window = FindWindowRecord(handle);
  if (!window) return;
  CallWindowProcedure(*window, WM_NCDESTROY, 0, 0);
  if (Thread* thread = window->thread) {
    auto& timers = thread->timers;
    timers.erase(
        std::remove_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == handle; }),
        timers.end());
    if (thread->active == handle) thread->active = nullptr;
    if (thread->focus == handle) thread->focus = nullptr;
  }
  s.zOrder.erase(std::remove(s.zOrder.begin(), s.zOrder.end(), handle), s.zOrder.end());
  s.windows.erase(handle);
}

}  // namespace

Window* FindWindowRecord(HWND handle) {
  auto& windows = D().windows;
  auto it = windows.find(handle);
  return it == windows.end() ? nullptr : it->second.get();
}

void RegisterSystemClass(const char* name, WNDPROC proc) {
  auto& classes = D().systemClasses;
  for (const WindowClass& c : classes) {
    if (SameName(c.name, name)) return;
  }
  WindowClass c;
  c.name = name;
  c.proc = proc;
  classes.push_back(c);
}

LRESULT ReceiveAtFake(Window& window, UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
  window.fake->received.push_back(FakeWindow::Message{D().now, message, wParam, lParam, posted});
  Record(TraceEvent::kReceived, window.handle, message, wParam, lParam, window.className, window.title);
  return 0;
}

LRESULT CallWindowProcedure(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window.fake) return ReceiveAtFake(window, message, wParam, lParam, false);
  if (!window.proc) return 0;
  ProgramCallback program;
  return window.proc(window.handle, message, wParam, lParam);
}

HWND CreateWindowRecord(Process* process, Thread* thread, const WindowClass& windowClass, DWORD exStyle,
                        const char* title, DWORD style, int x, int y, int width, int height, HWND parent,
                        UINT_PTR childId) {
  Desktop::State& s = D();
  auto window = std::make_unique<Window>();
  window->handle = NewHandle(s);
  window->process = process;
  window->thread = thread;
  window->className = windowClass.name;
  window->proc = windowClass.proc;
  window->title = title ? title : "";
  window->style = style;
  window->exStyle = exStyle;
  if (x == CW_USEDEFAULT) {
    x = 88;
    y = 88;
  }
  if (width == CW_USEDEFAULT) {
    width = 640;
    height = 480;
  }
  window->bounds = RECT{x, y, x + width, y + height};
  window->parent = parent;
  window->childId = childId;
  window->topmost = (exStyle & WS_EX_TOPMOST) != 0;
  if (windowClass.name == "LISTBOX") window->listBox = std::make_unique<ListBoxState>();
  HWND handle = window->handle;
  const bool topLevel = IsTopLevel(*window);
  s.windows[handle] = std::move(window);
  if (topLevel) s.zOrder.insert(s.zOrder.begin(), handle);
  return handle;
}

}  // namespace sim

using sim::D;
using sim::FindWindowRecord;
using sim::Window;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* record) {
  SIM_API_CALL();
  sim::Process* process = sim::CurrentProcess();
  if (!process || !record || record->cbSize != sizeof(WNDCLASSEXA) || !record->lpszClassName ||
      !record->lpfnWndProc) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  for (const sim::WindowClass& c : process->classes) {
    if (strcasecmp(c.name.c_str(), record->lpszClassName) == 0) {
      sim::SetError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  sim::WindowClass c;
  c.name = record->lpszClassName;
  c.proc = record->lpfnWndProc;
  c.record = *record;
  c.record.lpszClassName = nullptr;  // the caller's text need not outlive the call
  c.owner = process;
  process->classes.push_back(c);
  return static_cast<ATOM>(0xC000 + process->classes.size());
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE, LPVOID) {
  SIM_API_CALL();
  sim::Desktop::State& s = D();
  sim::Process* process = sim::CurrentProcess();
  if (s.failWindowCreations > 0) {
    --s.failWindowCreations;
    sim::SetError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (!className || IS_INTRESOURCE(className)) {
    sim::SetError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  const sim::WindowClass* windowClass = sim::FindClass(process, className);
  if (!windowClass) {
    sim::SetError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (parent && !FindWindowRecord(parent)) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((style & WS_CHILD) && !parent) {
    sim::SetError(1406);  // ERROR_TLW_WITH_WSCHILD
    return nullptr;
  }
  const UINT_PTR childId = (style & WS_CHILD) ? reinterpret_cast<UINT_PTR>(menu) : 0;
  HWND handle = sim::CreateWindowRecord(process, sim::CurrentThread(), *windowClass, exStyle, windowName,
                                        style, x, y, width, height, parent, childId);
  Window* window = FindWindowRecord(handle);
  if (!sim::CallWindowProcedure(*window, WM_NCCREATE, 0, 0) ||
      sim::CallWindowProcedure(*FindWindowRecord(handle), WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if ((style & WS_VISIBLE) && (window = FindWindowRecord(handle))) {
    window->visible = true;
    window->needsPaint = true;
    sim::CallWindowProcedure(*window, WM_SHOWWINDOW, TRUE, 0);
  }
  return handle;
}

BOOL WINAPI DestroyWindow(HWND handle) {
  SIM_API_CALL();
  Window* window = FindWindowRecord(handle);
  if (!window || window->destroying) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->thread != sim::CurrentThread()) {
    sim::SetError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  window->destroying = true;
  // Owned windows go first, as on Windows.
  if (sim::IsTopLevel(*window)) {
    for (HWND owned : sim::WindowsWhere(
             [](const Window&w, HWND of) { return w.parent == of && sim::IsTopLevel(w); }, handle)) {
      if (!FindWindowRecord(owned)->destroying) DestroyWindow(owned);
    }
  }
  window = FindWindowRecord(handle);
  if (window->visible) {
    window->visible = false;
    sim::CallWindowProcedure(*window, WM_SHOWWINDOW, FALSE, 0);
  }
  sim::SendDestroyMessages(handle);
  sim::FreeWindow(handle);
  return TRUE;
}

BOOL WINAPI ShowWindow(HWND handle, int command) {
  SIM_API_CALL();
  Window* window = FindWindowRecord(handle);
  if (!window) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wasVisible = window->visible;
  const bool show = command != SW_HIDE;
  if (show != wasVisible) {
    window->visible = show;
    window->needsPaint = show;
    if (show) {
      window->style |= WS_VISIBLE;
    } else {
      window->style &= ~WS_VISIBLE;
    }
    sim::CallWindowProcedure(*window, WM_SHOWWINDOW, show, 0);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND handle) {
  SIM_API_CALL();
  Window* window = FindWindowRecord(handle);
  if (!window) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->visible && window->needsPaint) sim::CallWindowProcedure(*window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND handle) {
  SIM_API_CALL();
  return FindWindowRecord(handle) != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND handle) {
  SIM_API_CALL();
  const Window* window = FindWindowRecord(handle);
  return window && window->visible;
}

int WINAPI GetWindowTextA(HWND handle, LPSTR buffer, int size) {
  SIM_API_CALL();
  const Window* window = FindWindowRecord(handle);
  if (!window || !buffer || size <= 0) return 0;
  const int n = std::min<int>(static_cast<int>(window->title.size()), size - 1);
  memcpy(buffer, window->title.data(), n);
  buffer[n] = 0;
  return n;
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM, LPARAM lParam) {
  SIM_API_CALL();
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(handle, &paint);
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_SETTEXT:
      window->title = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    default:
      return 0;
  }
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR title) {
  SIM_API_CALL();
  sim::Desktop::State& s = D();
  for (HWND handle : s.zOrder) {
    const Window& window = *s.windows[handle];
    if (window.destroying) continue;
    if (className && strcasecmp(window.className.c_str(), className) != 0) continue;
    if (title && strcasecmp(window.title.c_str(), title) != 0) continue;
    return handle;
  }
  sim::SetError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

BOOL WINAPI SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  SIM_API_CALL();
  sim::Desktop::State& s = D();
  Window* window = FindWindowRecord(handle);
  if (!window) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT& b = window->bounds;
  if (!(flags & SWP_NOMOVE)) {
    const LONG w = b.right - b.left, h = b.bottom - b.top;
    b = RECT{x, y, x + w, y + h};
  }
  if (!(flags & SWP_NOSIZE)) {
    b.right = b.left + cx;
    b.bottom = b.top + cy;
  }
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) window->topmost = true;
    if (insertAfter == HWND_NOTOPMOST) window->topmost = false;
    if (sim::IsTopLevel(*window) && (insertAfter == HWND_TOPMOST || insertAfter == HWND_TOP)) {
      s.zOrder.erase(std::remove(s.zOrder.begin(), s.zOrder.end(), handle), s.zOrder.end());
      s.zOrder.insert(s.zOrder.begin(), handle);
    }
  }
  return TRUE;
}

HWND WINAPI SetActiveWindow(HWND handle) {
  SIM_API_CALL();
  sim::Thread* thread = sim::CurrentThread();
  Window* window = FindWindowRecord(handle);
  if (!thread || !window || window->thread != thread) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // Recorded so that tests can see the order of activations.
  sim::Record(sim::TraceEvent::kNote, handle, WM_ACTIVATE, 0, 0, "SetActiveWindow", window->className);
  HWND previous = thread->active;
  if (previous == handle) return previous;
  thread->active = handle;
  if (Window* old = FindWindowRecord(previous)) sim::CallWindowProcedure(*old, WM_ACTIVATE, 0, 0);
  if ((window = FindWindowRecord(handle))) {
    sim::CallWindowProcedure(*window, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(previous));
  }
  return previous;
}

HWND WINAPI SetFocus(HWND handle) {
  SIM_API_CALL();
  sim::Thread* thread = sim::CurrentThread();
  Window* window = FindWindowRecord(handle);
  if (!thread || (handle && (!window || window->thread != thread))) {
    sim::SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  sim::Record(sim::TraceEvent::kNote, handle, WM_SETFOCUS, 0, 0, "SetFocus", window ? window->className : "");
  HWND previous = thread->focus;
  if (previous == handle) return previous;
  thread->focus = handle;
  if (Window* old = FindWindowRecord(previous)) {
    sim::CallWindowProcedure(*old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
  }
  if ((window = FindWindowRecord(handle))) {
    sim::CallWindowProcedure(*window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  }
  return previous;
}

namespace sim {

HWND Desktop::Find(const char* className, const char* title) const {
  HWND found = FindWindowA(className, title);
  return found;
}

bool Desktop::Exists(HWND window) const { return FindWindowRecord(window) != nullptr; }

std::string Desktop::TitleOf(HWND window) const {
  const Window* w = FindWindowRecord(window);
  return w ? w->title : std::string();
}

std::string Desktop::ClassOf(HWND window) const {
  const Window* w = FindWindowRecord(window);
  return w ? w->className : std::string();
}

bool Desktop::Visible(HWND window) const {
  const Window* w = FindWindowRecord(window);
  return w && w->visible;
}

bool Desktop::Topmost(HWND window) const {
  const Window* w = FindWindowRecord(window);
  return w && w->topmost;
}

RECT Desktop::Bounds(HWND window) const {
  const Window* w = FindWindowRecord(window);
  return w ? w->bounds : RECT{};
}

HWND Desktop::OwnerOf(HWND window) const {
  const Window* w = FindWindowRecord(window);
  return w ? w->parent : nullptr;
}

HWND Desktop::ActiveWindow(int pid) const {
  return const_cast<Desktop*>(this)->ProcessOf(pid).thread->active;
}

HWND Desktop::FocusWindow(int pid) const { return const_cast<Desktop*>(this)->ProcessOf(pid).thread->focus; }

std::vector<HWND> Desktop::ChildrenOf(HWND window) const {
  std::vector<HWND> children;
  for (const auto& entry : state_->windows) {
    if (entry.second->parent == window && !IsTopLevel(*entry.second)) children.push_back(entry.first);
  }
  return children;
}

FakeWindow& Desktop::AddFakeWindow(const std::string& className, const std::string& title) {
  State& s = *state_;
  auto fake = std::make_unique<FakeWindow>();
  WindowClass windowClass;
  windowClass.name = className;
  fake->handle = CreateWindowRecord(nullptr, nullptr, windowClass, 0, title.c_str(), WS_OVERLAPPED, 0, 0, 100,
                                    100, nullptr, 0);
  fake->className = className;
  fake->title = title;
  FindWindowRecord(fake->handle)->fake = fake.get();
  s.fakes.push_back(std::move(fake));
  Note("companion window appears: " + className + " \"" + title + "\"");
  return *s.fakes.back();
}

void Desktop::RemoveFakeWindow(FakeWindow& fake) {
  State& s = *state_;
  Note("companion window goes: " + fake.className + " \"" + fake.title + "\"");
  s.zOrder.erase(std::remove(s.zOrder.begin(), s.zOrder.end(), fake.handle), s.zOrder.end());
  s.windows.erase(fake.handle);
  fake.handle = nullptr;
}

}  // namespace sim
