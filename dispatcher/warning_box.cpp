// The dispatcher's warning box: no owner, the executable's full path as the
// caption, an OK button and the exclamation icon.
#include "dispatcher/plimset.h"

namespace plimset {

void ShowWarningBox(const char* text) {
  char caption[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, caption, MAX_PATH);
  caption[MAX_PATH - 1] = 0;  // NT 4.0 to XP leave a name cut to the buffer unterminated
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace plimset
