// The one header through which product code reaches Win32.
// On Windows it is <windows.h>; on Linux it declares the same subset, with the
// same names, widths and constant values, implemented by the simulated desktop.
#pragma once

#ifdef _WIN32
#include <windows.h>
// Wide literals: WCHAR is wchar_t (16-bit) on Windows.
#define WIDE_TEXT(s) L##s
// Program-wide state is ordinary static storage in a real process.
#define PROCESS_GLOBAL
#else
#include "sim/advapi32.h"
#include "sim/gdi32.h"
#include "sim/kernel32.h"
#include "sim/user32.h"
#include "sim/win32_types.h"
// Wide literals: WCHAR is char16_t on Linux, where wchar_t is 32-bit.
#define WIDE_TEXT(s) u##s
// Program-wide state: each simulated program runs on a thread of its own, so
// per-thread storage gives every simulated process its own copy, built when
// the program starts and destroyed when it ends.
#define PROCESS_GLOBAL thread_local
#endif
