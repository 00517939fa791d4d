// The entry of plimset: the hidden window, the driver start-up and the
// message loop.
#include "dispatcher/plimset.h"
#include "dispatcher/program_state.h"
#include "resources/plimset_ids.h"

namespace plimset {
namespace {

// Windows 95 to 2000 are 32-bit: there the record has its documented size.
static_assert(sizeof(void*) != 4 || sizeof(WNDCLASSEXA) == 48, "WNDCLASSEXA is 48 bytes on 32-bit Windows");

void RegisterDispatcherClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass;
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = DispatcherWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PLIMSET));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_PLIMSET);
  windowClass.lpszClassName = State().windowClassName;
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
  RegisterClassExA(&windowClass);  // a failure shows as a failed window creation
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ProgramState& state = State();
  state.instance = instance;
  LoadStringA(instance, IDS_APP_TITLE, state.windowTitle, kTextBufferSize);
  LoadStringA(instance, IDC_PLIMSET, state.windowClassName, kTextBufferSize);
  RegisterDispatcherClass(instance);

  state.mainWindow =
      CreateWindowExA(0, state.windowClassName, state.windowTitle, WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 0, 0, 0,
                      0, nullptr, nullptr, instance, nullptr);
  if (!state.mainWindow) return 0;
  ShowWindow(state.mainWindow, SW_HIDE);  // the show command given to the program is ignored
  UpdateWindow(state.mainWindow);
  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_PLIMSET));

  CopyVantrelProgramValue();
  OpenTravokDevice();  // a failed open is reported inside; start-up goes on
  SetKeyReporting(1);
  SendStartupControl();
  DrainPendingKeys();
  SetTimer(state.mainWindow, SLOW_POLL_TIMER, SLOW_POLL_MS, nullptr);

  MSG msg;
  // GetMessageA returns -1 on an error; ending there beats spinning on it.
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // The exit code is 0 on every path: after an error msg holds the last
  // message dispatched, and a quit posted by another program may carry any
  // code.
  return 0;
}

}  // namespace plimset
