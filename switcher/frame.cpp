// The frame of kelvane: start-up, the two window classes, the hidden main
// window, the message loop with its idle-time quiet-period test, and the
// teardown.
#include "resources/kelvane_ids.h"
#include "strlib/program_location.h"
#include "switcher/kelvane.h"

namespace kelvane {
namespace {

// Windows 95 to 2000 are 32-bit: there the record has its documented size.
static_assert(sizeof(void*) != 4 || sizeof(WNDCLASSEXA) == 48, "WNDCLASSEXA is 48 bytes on 32-bit Windows");

ATOM RegisterClass(HINSTANCE instance, const char* name, WNDPROC procedure, LPCSTR menu) {
  WNDCLASSEXA windowClass;
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = procedure;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVANE));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  windowClass.lpszMenuName = menu;
  windowClass.lpszClassName = name;
  // The resources hold no icon 108: the system derives the small icon from 107.
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVANE_SMALL));
  return RegisterClassExA(&windowClass);
}

// The wake bits that Windows 95 and NT 4.0 know. Newer headers put
// QS_RAWINPUT (Windows XP) and the touch and pointer bits (Windows 8) into
// QS_ALLINPUT, and the systems before those refuse the whole wait.
constexpr DWORD kWakeBits = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                            QS_SENDMESSAGE | QS_HOTKEY;
// Should the wait fail all the same, the loop sleeps in steps this short, so
// that a message still waits at most one step.
constexpr DWORD kSleepStepMs = 10;

// While the popup is open: test the quiet period whenever the queue is
// empty, and between tests wait for a message or for the time still to go.
// A waiting message always goes back to GetMessageA first.
void RunQuietPeriod(SwitcherApp& app) {
  MSG waiting;
  while (app.popupWindow) {
    if (PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) return;
    const DWORD waitMs = app.CheckQuietPeriod();
    if (!app.popupWindow) return;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, kWakeBits) == WAIT_FAILED) {
      Sleep(waitMs < kSleepStepMs ? waitMs : kSleepStepMs);
    }
  }
}

}  // namespace

ATOM SwitcherApp::RegisterWindowClasses(HINSTANCE hInstance) {
  if (!RegisterClass(hInstance, kMainClassName, MainWindowProc, MAKEINTRESOURCEA(IDC_KELVANE))) return 0;
  return RegisterClass(hInstance, kPopupClassName, PopupWindowProc, nullptr);
}

int SwitcherApp::CreateMainWindow(HINSTANCE hInstance, int) {
  instance = hInstance;
  mainWindow = CreateWindowExA(0, kMainClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT,
                               0, nullptr, nullptr, hInstance, nullptr);
  if (!mainWindow) return 0;
  ShowWindow(mainWindow, SW_HIDE);  // never shown, whatever the show command
  return 1;
}

// The device is closed before the driver service is asked to stop, so the
// driver has no open handle then.
void SwitcherApp::Teardown() {
  CloseKeyDevice();
  if (!IsWin9x()) RemoveDriverService();
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  if (FindWindowA(kMainClassName, nullptr)) return 0;  // a copy already runs
  SwitcherApp& app = App();
  strlib::EnterProgramDirectory();
  app.LoadTitle(IDS_APP_TITLE);
  app.RegisterWindowClasses(instance);  // a failure shows as a failed window creation
  if (!app.CreateMainWindow(instance, showCommand)) return 0;
  if (!IsWin9x()) app.InstallDriverService();
  app.OpenKeyDevice();
  if (!PowerProfile().Load()) {
    // The box has been shown. The driver service installed above must not
    // outlive the program, so the teardown runs on this path too.
    app.Teardown();
    return 0;
  }

  MSG msg;
  // GetMessageA returns -1 on an error; ending there beats spinning on it.
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    RunQuietPeriod(app);
  }
  app.Teardown();
  // Every end is an orderly one: neither a failed GetMessageA nor a quit
  // code that another program posted becomes the exit code.
  return 0;
}

}  // namespace kelvane
