// The window procedures of the hidden main window and of the popup. Both
// work on the application object; the windows carry no data of their own.
#include "resources/kelvane_ids.h"
#include "switcher/kelvane.h"

namespace kelvane {
namespace {

// Closes an open popup without applying its selection.
void DropPopup(SwitcherApp& app) {
  if (!app.popupWindow) return;
  DestroyWindow(app.popupWindow);
  app.popupWindow = nullptr;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SwitcherApp& app = App();
  switch (message) {
    case WM_DESTROY:
      DropPopup(app);
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_EXIT) {
        DestroyWindow(window);
        return 0;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_TIMER:
      DropPopup(app);
      KillTimer(window, kStrayTimerId);
      return 0;
    case KELVANE_SHOW_POPUP:
      return app.AdvancePopup();
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      // This is what ends the quiet-period test after a commit.
      App().popupWindow = nullptr;
      return DefWindowProcA(window, message, wParam, lParam);
    case KELVANE_SHOW_POPUP:
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace kelvane
