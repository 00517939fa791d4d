// Inside the simulated desktop: the W calls of Windows 95/98/Me. Those
// systems implement only a short list of them natively (GetCommandLineW,
// MessageBoxW and MessageBoxExW, TextOutW, ExtTextOutW, GetCharWidthW, the
// GetTextExtent...W calls, lstrlenW, the resource enumeration and FindResource
// calls, MultiByteToWideChar and WideCharToMultiByte); every other W call is
// a stub that fails with ERROR_CALL_NOT_IMPLEMENTED (120). The desktop
// follows the version that the calling program runs on.
#pragma once

namespace sim {

// For a W call off that list: true, with the caller's last error set to 120,
// when the calling program runs on Windows 95/98/Me; the call then fails.
bool RefuseWideCallOn9x();

}  // namespace sim
