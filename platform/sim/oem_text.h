// Inside the simulated desktop: text conversions that several Win32 areas
// share. The OEM code page of the desktop is code page 437, its ANSI code
// page 1252; as on Windows, the narrow file, directory, environment and
// service calls read and write ANSI text. Test-side text (paths,
// directories, the environment, command lines) is UTF-8.
#pragma once

#include <string>

namespace sim {

// Code page 437 <-> UTF-16; characters without a byte become '?'.
std::u16string OemToWide(const std::string& bytes);
std::string WideToOem(const std::u16string& text);
// Code page 1252 <-> UTF-16; characters without a byte become '?'.
std::u16string AnsiToWide(const std::string& bytes);
std::string WideToAnsi(const std::u16string& text);

// UTF-8 <-> UTF-16 for test-side text.
std::u16string Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::u16string& text);

}  // namespace sim
