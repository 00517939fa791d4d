// SWString: a reference-counted string of 16-bit text, the form the wide
// (W) Windows calls take. Copies share one block; every change first makes the
// string the sole owner of its block.
#pragma once

#include <cstdint>

#include "strlib/counted_string.h"
#include "strlib/sexcept.h"

namespace strlib {

class SWString : public CountedString<WCHAR> {
 public:
  // The line that an SExcept raised by Concat names.
  static constexpr int32_t kTooManyPiecesLine = 521;
  // Concat takes at most this many pieces.
  static constexpr int kMaxPieces = 9;

  SWString() = default;
  SWString(const SWString& other) : CountedString(other) {}
  SWString(SWString&& other) noexcept : CountedString(static_cast<CountedString&&>(other)) {}
  explicit SWString(const WCHAR* text) { Assign(text); }
  // Converts narrow text through the OEM code page.
  explicit SWString(const char* text) { Assign(text); }

  SWString& operator=(const SWString& other) {
    Share(other);
    return *this;
  }
  SWString& operator=(SWString&& other) noexcept {
    Take(static_cast<CountedString&&>(other));
    return *this;
  }

  using CountedString::Assign;
  // Converts all bytes of narrow text through the OEM code page. Text the
  // platform cannot convert gives an empty string.
  void Assign(const char* text);
  // The same through the ANSI code page, in which the narrow file,
  // directory and environment calls give their text.
  void AssignAnsi(const char* text);
  // At most n characters of the text, fewer when the text ends first.
  void AssignN(const WCHAR* text, int32_t n);
  // The text up to its first `separator`, all of it when there is none.
  void AssignUpTo(const WCHAR* text, WCHAR separator);
  // The value of an environment variable; empty when missing or empty.
  // Where the wide call is not implemented (Windows 95/98/Me) the narrow
  // one is used.
  void AssignEnvironment(const WCHAR* name);
  // The process's current directory; empty when it cannot be read. Where
  // the wide call is not implemented the narrow one is used.
  void AssignCurrentDirectory();

  // Appends up to 9 zero-terminated texts in order; a null pointer ends the
  // list early, and one is implied after the last argument. A tenth piece
  // raises SExcept (line 521) before the string changes.
  template <class... Pieces>
  void Concat(const WCHAR* first, const Pieces&... rest) {
    const WCHAR* pieces[] = {first, static_cast<const WCHAR*>(rest)..., nullptr};
    ConcatPieces(pieces);
  }
  // Appends a path component so that exactly one backslash joins the two
  // sides when each has at most one at the seam.
  void AppendPath(const WCHAR* text);
  // The last character, 0 for an empty string.
  uint16_t LastChar() const;

 private:
  void AssignNarrow(const char* text, UINT codePage);
  // `pieces` ends with a null pointer.
  void ConcatPieces(const WCHAR* const* pieces);
};

}  // namespace strlib
