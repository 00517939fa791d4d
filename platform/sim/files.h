// Test side of the simulated file system: the files and directories that the
// file calls of kernel32 (GetFileAttributesA/W, Get/SetCurrentDirectoryA/W,
// GetFullPathNameA) see. One file system per desktop; a new desktop starts
// with only the root "C:\".
//
// Paths are UTF-8 and absolute ("C:\Tools\tool.exe"); '/' counts as '\', and
// names compare without regard to case, as on Windows. The narrow calls read
// and write their text in the desktop's ANSI code page (1252), as Windows'
// file calls do; the wide ones fail with ERROR_CALL_NOT_IMPLEMENTED (120)
// for a program that runs on Windows 95/98/Me.
#pragma once

#include <string>

#include "platform/sim/desktop.h"
#include "platform/sim/win32_types.h"

namespace sim {

// Adds a directory and any missing directories above it.
void AddDirectory(Desktop& desktop, const std::string& path);
// Adds a file (attributes without FILE_ATTRIBUTE_DIRECTORY) and any missing
// directories above it.
void AddFile(Desktop& desktop, const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
bool IsDirectory(Desktop& desktop, const std::string& path);
bool IsFile(Desktop& desktop, const std::string& path);

// The current directory of a program, as GetCurrentDirectory gives it.
std::string CurrentDirectoryOf(Desktop& desktop, int pid);

}  // namespace sim
