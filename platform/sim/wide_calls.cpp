#include "platform/sim/wide_calls.h"

#include "platform/sim/process.h"
#include "platform/sim/state.h"
#include "platform/win32.h"

namespace sim {

bool RefuseWideCallOn9x() {
  if (process::CallerOptions().version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return false;
  SetError(ERROR_CALL_NOT_IMPLEMENTED);
  return true;
}

}  // namespace sim
