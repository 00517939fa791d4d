// Inside the simulated desktop: the file system shared by the file and
// directory calls. Paths here are UTF-16.
#pragma once

#include <string>

#include "platform/sim/win32_types.h"

namespace sim {

constexpr DWORD kErrorInvalidName = 123;  // ERROR_INVALID_NAME
constexpr DWORD kErrorDirectory = 267;    // ERROR_DIRECTORY: not a directory

// The full path that GetFullPathName forms: '/' read as '\', relative and
// drive-relative forms taken from `currentDirectory`, "." and ".." segments
// folded, doubled backslashes merged, trailing dots and spaces of the last
// name dropped. False for the forms the desktop does not model (UNC, empty).
bool FullPathName(const std::u16string& path, const std::u16string& currentDirectory, std::u16string* full);

// Attributes of a full path, or INVALID_FILE_ATTRIBUTES with the Win32 error
// in `error`.
DWORD AttributesOf(const std::u16string& fullPath, DWORD* error);

// The calling program's current directory; "C:\" on the test side.
std::u16string CallerDirectory();

}  // namespace sim
