// Inside the simulated desktop: text conversions that several Win32 areas
// share. The OEM code page of the desktop is code page 437. Test-side text
// (paths, directories, the environment) is UTF-8.
#pragma once

#include <string>

namespace sim {

// Code page 437 <-> UTF-16; characters without a byte become '?'.
std::u16string OemToWide(const std::string& bytes);
std::string WideToOem(const std::u16string& text);

// UTF-8 <-> UTF-16 for test-side text.
std::u16string Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::u16string& text);

}  // namespace sim
