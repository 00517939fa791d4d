#include "strlib/swstring.h"

#include <cstring>
#include <limits>
#include <new>

#include "strlib/sstring.h"

namespace strlib {

namespace {

bool IsCallMissing(DWORD result) { return result == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED; }

// Narrow text that a call writes into a buffer after telling its size, the
// zero included, as GetEnvironmentVariableA and GetCurrentDirectoryA do.
// Empty when the call fails or the text is empty.
template <class Query>
void ReadNarrow(SString& text, Query query) {
  DWORD size = query(nullptr, 0);
  if (size <= 1 || size > static_cast<DWORD>(std::numeric_limits<int32_t>::max())) {
    text.Empty();
    return;
  }
  SStringRep* rep = text.Reserve(static_cast<int32_t>(size - 1), false);
  DWORD copied = query(text.Buffer(), size);
  rep->length = copied < size ? static_cast<int32_t>(copied) : 0;
  text.Buffer()[rep->length] = 0;
}

}  // namespace

void SWString::Assign(const char* text) { AssignNarrow(text, CP_OEMCP); }

void SWString::AssignAnsi(const char* text) { AssignNarrow(text, CP_ACP); }

void SWString::AssignNarrow(const char* text, UINT codePage) {
  int32_t bytes = TextLength(text);
  int32_t wide = MultiByteToWideChar(codePage, 0, text, bytes, nullptr, 0);
  SStringRep* given;
  ReserveKeepingOld(wide, false, &given);
  if (wide > 0) {
    int32_t converted = MultiByteToWideChar(codePage, 0, text, bytes, Buffer(), wide);
    SetLength(converted > 0 && converted <= wide ? converted : 0);
  }
  Release(given);
}

void SWString::AssignN(const WCHAR* text, int32_t n) {
  SStringRep* given;
  ReserveKeepingOld(n, false, &given);
  if (n >= 1) {
    // Copies forward: when the block is reused and the text lies inside it,
    // the text starts at or after the first character, so nothing is
    // overwritten before it has been read.
    WCHAR* chars = Buffer();
    int32_t i = 0;
    if (text) {
      for (; i < n && text[i]; ++i) chars[i] = text[i];
    }
    SetLength(i);
  }
  Release(given);
}

void SWString::AssignUpTo(const WCHAR* text, WCHAR separator) {
  if (text) {
    for (int32_t i = 0; text[i]; ++i) {
      if (text[i] == separator) {
        AssignN(text, i);
        return;
      }
    }
  }
  Assign(text);
}

void SWString::AssignEnvironment(const WCHAR* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (IsCallMissing(size)) {
    // Windows 95/98/Me: the narrow call, with ANSI text both ways.
    SString narrowName;
    narrowName.AssignAnsi(name);
    SString value;
    ReadNarrow(value, [&](char* buffer, DWORD bufferSize) {
      return GetEnvironmentVariableA(narrowName, buffer, bufferSize);
    });
    AssignAnsi(value);
    return;
  }
  if (size <= 1 || size > static_cast<DWORD>(std::numeric_limits<int32_t>::max())) {
    Empty();
    return;
  }
  SStringRep* given;
  ReserveKeepingOld(static_cast<int32_t>(size - 1), false, &given);
  DWORD copied = GetEnvironmentVariableW(name, Buffer(), size);
  // The value cannot change in between on one thread; should it anyway, the
  // length follows what was actually copied.
  SetLength(copied < size ? static_cast<int32_t>(copied) : 0);
  Release(given);
}

void SWString::AssignCurrentDirectory() {
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (IsCallMissing(size)) {
    SString directory;
    ReadNarrow(directory,
               [](char* buffer, DWORD bufferSize) { return GetCurrentDirectoryA(bufferSize, buffer); });
    AssignAnsi(directory);
    return;
  }
  if (size <= 1 || size > static_cast<DWORD>(std::numeric_limits<int32_t>::max())) {
    Empty();
    return;
  }
  Reserve(static_cast<int32_t>(size - 1), false);
  DWORD copied = GetCurrentDirectoryW(size, Buffer());
  SetLength(copied < size ? static_cast<int32_t>(copied) : 0);
}

void SWString::ConcatPieces(const WCHAR* const* pieces) {
  if (!pieces[0]) return;
  int32_t lengths[kMaxPieces + 1];
  int64_t total = 0;
  int count = 0;
  for (; pieces[count]; ++count) {
    lengths[count] = TextLength(pieces[count]);
    total += lengths[count];
    if (count + 1 == kMaxPieces + 1) throw new SExcept{__FILE__, kTooManyPiecesLine};
  }
  if (total == 0) return;
  int64_t wanted = static_cast<int64_t>(Length()) + total;
  if (wanted >= std::numeric_limits<int32_t>::max()) throw std::bad_alloc();

  // The old block stays alive until every piece has been copied, so pieces
  // taken from this string's own characters stay readable. When the block is
  // reused, pieces lie before the old end and are copied behind it, and each
  // is copied by its measured length, so none is overwritten before it is read.
  SStringRep* given;
  SStringRep* rep = ReserveKeepingOld(static_cast<int32_t>(wanted), true, &given);
  WCHAR* chars = Buffer();
  int32_t length = rep->length;
  for (int i = 0; i < count; ++i) {
    std::memcpy(chars + length, pieces[i], static_cast<size_t>(lengths[i]) * sizeof(WCHAR));
    length += lengths[i];
  }
  SetLength(length);
  Release(given);
}

void SWString::AppendPath(const WCHAR* text) {
  static const WCHAR kEmpty[] = {0};
  static const WCHAR kBackslash[] = {'\\', 0};
  if (!text) text = kEmpty;
  if (LastChar() == '\\') {
    if (text[0] == '\\') ++text;
    Concat(text);
  } else if (text[0] == '\\') {
    Concat(text);
  } else {
    Concat(kBackslash, text);
  }
}

uint16_t SWString::LastChar() const {
  int32_t length = Length();
  return length > 0 ? static_cast<uint16_t>(Chars()[length - 1]) : 0;
}

}  // namespace strlib
