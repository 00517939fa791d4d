#include "strlib/counted_string.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace strlib {

template <class Char>
int32_t TextLength(const Char* text) {
  if (!text) return 0;
  const Char* end = text;
  while (*end) ++end;
  ptrdiff_t length = end - text;
  if (length > std::numeric_limits<int32_t>::max() - 1) throw std::bad_alloc();
  return static_cast<int32_t>(length);
}

template <class Char>
CountedString<Char>::CountedString(const CountedString& other) : chars_(other.chars_) {
  // The shared empty block is never written, not even its count, so that
  // empty strings on different threads touch no common memory.
  SStringRep* rep = Header();
  if (!IsSharedEmpty(rep)) ++rep->refCount;
}

template <class Char>
CountedString<Char>::CountedString(CountedString&& other) noexcept : chars_(other.chars_) {
  other.chars_ = detail::CharsOf<Char>(detail::EmptyRepOf<Char>());
}

template <class Char>
void CountedString<Char>::Share(const CountedString& other) {
  if (chars_ == other.chars_) return;
  SStringRep* theirs = other.Header();
  if (!IsSharedEmpty(theirs)) ++theirs->refCount;
  Release(Header());
  chars_ = other.chars_;
}

template <class Char>
void CountedString<Char>::Take(CountedString&& other) noexcept {
  if (this == &other) return;
  Release(Header());
  chars_ = other.chars_;
  other.chars_ = detail::CharsOf<Char>(detail::EmptyRepOf<Char>());
}

template <class Char>
void CountedString<Char>::Release(SStringRep* rep) {
  if (!rep || IsSharedEmpty(rep)) return;
  if (--rep->refCount == 0) detail::FreeBlock(rep);
}

template <class Char>
void CountedString<Char>::Empty() {
  SStringRep* rep = Header();
  chars_ = detail::CharsOf<Char>(detail::EmptyRepOf<Char>());
  Release(rep);
}

template <class Char>
SStringRep* CountedString<Char>::ReserveKeepingOld(int32_t n, bool keep, SStringRep** given) {
  SStringRep* current = Header();
  *given = nullptr;
  if (n < 1) {
    SStringRep* empty = detail::EmptyRepOf<Char>();
    if (current != empty) *given = current;
    chars_ = detail::CharsOf<Char>(empty);
    return empty;
  }
  int32_t capacity = BucketCapacity(n);
  // A block of exactly this capacity that nobody else holds is reused as it
  // is, characters and length included. The shared empty block has capacity
  // 0 and never qualifies.
  if (current->capacity == capacity && current->refCount == 1) return current;

  SStringRep* fresh = detail::AllocateBlock(capacity, sizeof(Char));
  Char* freshChars = detail::CharsOf<Char>(fresh);
  if (keep) {
    int32_t kept = std::min(current->length, capacity - 1);
    std::memcpy(freshChars, chars_, static_cast<size_t>(kept) * sizeof(Char));
    fresh->length = kept;
  }
  freshChars[fresh->length] = 0;
  if (!IsSharedEmpty(current)) *given = current;
  chars_ = freshChars;
  return fresh;
}

template <class Char>
SStringRep* CountedString<Char>::Reserve(int32_t n, bool keep) {
  SStringRep* given;
  SStringRep* rep = ReserveKeepingOld(n, keep, &given);
  Release(given);
  return rep;
}

template <class Char>
void CountedString<Char>::Assign(const Char* text) {
  int32_t n = TextLength(text);
  SStringRep* given;
  ReserveKeepingOld(n, false, &given);
  if (n > 0) {
    // memmove: when the block is reused the text may lie inside it.
    std::memmove(chars_, text, static_cast<size_t>(n) * sizeof(Char));
    SetLength(n);
  }
  Release(given);
}

template class CountedString<char>;
template class CountedString<WCHAR>;
template int32_t TextLength<char>(const char*);
template int32_t TextLength<WCHAR>(const WCHAR*);

}  // namespace strlib
