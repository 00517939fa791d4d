// What the narrow and the wide counted string have in common: one pointer to
// the characters of a shared, reference-counted block; copy-on-write through
// Reserve.
#pragma once

#include <cstdint>

#include "strlib/sstring_rep.h"

namespace strlib {

template <class Char>
class CountedString {
 public:
  CountedString() : chars_(detail::CharsOf<Char>(detail::EmptyRepOf<Char>())) {}
  ~CountedString() { Release(Header()); }

  int32_t Length() const { return Header()->length; }
  const Char* Chars() const { return chars_; }
  // A string passes wherever zero-terminated text of its width is expected.
  operator const Char*() const { return chars_; }
  // The block, for inspection: capacity, refCount and length.
  const SStringRep* Rep() const { return Header(); }

  // Releases the block; the string is then empty and owns nothing.
  void Empty();

  // Makes this string the sole owner of a block with room for n characters
  // and returns it; the caller writes the characters, `length` and the zero
  // (through Buffer()). n < 1 empties the string and returns the shared empty
  // block, which must not be written. With keep set the text survives, cut to
  // the new capacity.
  SStringRep* Reserve(int32_t n, bool keep);
  // The characters of a block that Reserve returned for n >= 1.
  Char* Buffer() { return chars_; }

  // Copies zero-terminated text of the same width (a null pointer counts as
  // empty). The text may be part of this string's own characters.
  void Assign(const Char* text);

 protected:
  CountedString(const CountedString& other);
  CountedString(CountedString&& other) noexcept;
  // Shares the other string's block; nothing happens when both already
  // point at the same block.
  void Share(const CountedString& other);
  void Take(CountedString&& other) noexcept;

  // Reserve, except that a block given up is not released but handed back in
  // `given` (null when none), so that text read from it stays valid until the
  // caller calls Release(given). Same allocations as Reserve.
  SStringRep* ReserveKeepingOld(int32_t n, bool keep, SStringRep** given);
  static void Release(SStringRep* rep);
  static bool IsSharedEmpty(const SStringRep* rep) { return rep == detail::EmptyRepOf<Char>(); }
  // Ends the text at `length` characters within the current block.
  void SetLength(int32_t length) {
    Header()->length = length;
    chars_[length] = 0;
  }

  SStringRep* Header() const { return detail::RepOf<Char>(chars_); }

 private:
  Char* chars_;
};

// Length of zero-terminated text; null counts as empty.
template <class Char>
int32_t TextLength(const Char* text);

}  // namespace strlib
