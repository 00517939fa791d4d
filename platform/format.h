// printf-style formatting into a limited buffer, with one answer on both
// platforms: the C library of Linux reports a text that did not fit by the
// length it would have had, the Windows C library's _vsnprintf by -1.
#pragma once

#include <cstdarg>
#include <cstdio>

namespace platform {

// Results of FormatLimited besides a character count.
constexpr int kFormatTooLong = -1;  // the text needs more than `limit` characters
constexpr int kFormatFailed = -2;   // the format could not be produced at all

// Formats into `buffer`, which has room for limit + 1 characters, writing at
// most `limit` of them. Returns the number of characters when the whole text
// fitted; a text of exactly `limit` characters fits and may be left without a
// terminating zero, so the caller keeps a zero at buffer[limit].
inline int FormatLimited(char* buffer, int limit, const char* format, va_list arguments) {
#ifdef _WIN32
  va_list probe;
  va_copy(probe, arguments);
  int written = _vsnprintf(buffer, static_cast<size_t>(limit), format, arguments);
  int result;
  if (written >= 0 && written <= limit) {
    result = written;
  } else {
    // -1 means either "too long" or a failed format; measuring tells them apart.
    result = _vscprintf(format, probe) < 0 ? kFormatFailed : kFormatTooLong;
  }
  va_end(probe);
  return result;
#else
  int needed = vsnprintf(buffer, static_cast<size_t>(limit) + 1, format, arguments);
  if (needed < 0) return kFormatFailed;
  return needed <= limit ? needed : kFormatTooLong;
#endif
}

}  // namespace platform
