// The application object's own operations: the title and the error box.
#include "switcher/kelvane.h"

namespace kelvane {

void SwitcherApp::LoadTitle(UINT id) {
  char buffer[1024];
  // The program's own module: the instance handle is not stored yet.
  if (LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer)) != 0) title.Assign(buffer);
}

void SwitcherApp::ReportError(const char* text) {
  strlib::SString caption;
  caption.Format("%s error message", title.Chars());
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace kelvane
