#include "strlib/sstring.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/format.h"

namespace strlib {

void SString::Assign(const SWString& text) { AssignWide(text.Chars(), text.Length(), CP_OEMCP); }

void SString::Assign(const WCHAR* text) { AssignWide(text, TextLength(text), CP_OEMCP); }

void SString::AssignAnsi(const SWString& text) { AssignWide(text.Chars(), text.Length(), CP_ACP); }

void SString::AssignAnsi(const WCHAR* text) { AssignWide(text, TextLength(text), CP_ACP); }

void SString::AssignWide(const WCHAR* text, int32_t count, UINT codePage) {
  // An explicit count, never -1: the string writes its own terminator.
  int32_t bytes = WideCharToMultiByte(codePage, 0, text, count, nullptr, 0, nullptr, nullptr);
  SStringRep* given;
  ReserveKeepingOld(bytes, false, &given);
  if (bytes > 0) {
    int32_t converted = WideCharToMultiByte(codePage, 0, text, count, Buffer(), bytes, nullptr, nullptr);
    SetLength(converted > 0 && converted <= bytes ? converted : 0);
  }
  Release(given);
}

void SString::Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  FormatList(format, arguments);
  va_end(arguments);
}

void SString::FormatList(const char* format, va_list arguments) {
  // First try: a 128-byte buffer on the stack, 127 characters at most.
  char local[128];
  local[sizeof(local) - 1] = 0;
  va_list attempt;
  va_copy(attempt, arguments);
  int result = platform::FormatLimited(local, sizeof(local) - 1, format, attempt);
  va_end(attempt);
  if (result >= 0) {
    Reserve(result, false);
    if (result > 0) {
      std::memcpy(Buffer(), local, static_cast<size_t>(result));
      SetLength(result);
    }
    return;
  }

  // Then on the heap: room for 256 characters (capacity 257), doubling the
  // room after every text that did not fit. A block of the right capacity
  // that this string owns alone is formatted into as it is, which is why no
  // argument may point into this string.
  for (int32_t size = 256; result == platform::kFormatTooLong;) {
    SStringRep* rep = Reserve(size, false);
    char* chars = Buffer();
    chars[rep->capacity - 1] = 0;
    va_copy(attempt, arguments);
    result = platform::FormatLimited(chars, rep->capacity - 1, format, attempt);
    va_end(attempt);
    if (result >= 0) {
      SetLength(result);
    } else {
      SetLength(0);
      if (size > std::numeric_limits<int32_t>::max() / 2) throw std::bad_alloc();
      size *= 2;
    }
  }
  // A format that cannot be produced at all would otherwise double the
  // buffer for ever.
  if (result == platform::kFormatFailed) Empty();
}

}  // namespace strlib
