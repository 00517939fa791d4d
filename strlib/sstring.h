// SString: a reference-counted string of 8-bit text, the form the narrow (A)
// Windows calls take. Converts from wide text through the OEM code page, or
// through the ANSI code page for the narrow file, directory and service
// calls, and formats printf-style.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "strlib/counted_string.h"
#include "strlib/swstring.h"

namespace strlib {

class SString : public CountedString<char> {
 public:
  SString() = default;
  // Never copied: each narrow string owns its text outright.
  SString(const SString&) = delete;
  SString& operator=(const SString&) = delete;

  explicit SString(const char* text) { Assign(text); }
  explicit SString(const SWString& text) { Assign(text); }
  explicit SString(const WCHAR* text) { Assign(text); }

  using CountedString::Assign;
  // Converts the wide string's `length` characters through the OEM code page.
  void Assign(const SWString& text);
  // Converts zero-terminated wide text through the OEM code page.
  void Assign(const WCHAR* text);
  // The same through the ANSI code page, which the narrow file, directory
  // and service calls read their names and paths in.
  void AssignAnsi(const SWString& text);
  void AssignAnsi(const WCHAR* text);

  // Replaces the content with the formatted text. Short results are formatted
  // on the stack; longer ones in blocks of 257, 513, 1025, ... units. A format
  // the platform cannot produce leaves the string empty. No argument may
  // point into this string's own characters: its block may be rewritten or
  // freed before the argument is read.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void FormatList(const char* format, va_list arguments);

 private:
  void AssignWide(const WCHAR* text, int32_t count, UINT codePage);
};

}  // namespace strlib
