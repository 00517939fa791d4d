// The heap block behind a counted string, and the shared empty blocks.
//
// A block is one allocation: the header below, immediately followed by
// `capacity` character units. A string object holds only a pointer to the
// characters, so it can be handed to any call that wants zero-terminated text,
// and the header sits just before that pointer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

namespace strlib {

struct SStringRep {
  int32_t capacity;  // character units, the terminating zero included
  int32_t refCount;  // string objects pointing at this block
  int32_t length;    // characters before the terminating zero
};
static_assert(sizeof(SStringRep) == 12, "the header is three 32-bit fields");

// Counts of blocks taken from and given back to the heap since the program
// started. Tests compare them before and after an operation. Plain integers:
// strings are used on one thread at a time.
struct BlockCounts {
  int64_t allocated;
  int64_t freed;
};
BlockCounts CurrentBlockCounts();

// Capacity that `Reserve`(n) chooses for n >= 1: n + 1 raised to the buckets
// 8, 16, 32, 64, 128 and 256, exact above 256.
int32_t BucketCapacity(int32_t n);

namespace detail {

// A block with `capacity` units of `unitSize` bytes, refCount 1, length 0 and
// a zero in its first unit. Running out of memory is fatal.
SStringRep* AllocateBlock(int32_t capacity, size_t unitSize);
void FreeBlock(SStringRep* rep);

// The shared empty blocks: capacity 0, refCount 0, length 0 and one zero unit.
// Never written and never freed, so threads may share them.
struct NarrowEmptyRep {
  SStringRep header;
  char zero;
};
struct WideEmptyRep {
  SStringRep header;
  WCHAR zero;
};
extern NarrowEmptyRep narrowEmpty;
extern WideEmptyRep wideEmpty;

template <class Char>
SStringRep* EmptyRepOf();
template <>
inline SStringRep* EmptyRepOf<char>() {
  return &narrowEmpty.header;
}
template <>
inline SStringRep* EmptyRepOf<WCHAR>() {
  return &wideEmpty.header;
}

template <class Char>
inline Char* CharsOf(SStringRep* rep) {
  return reinterpret_cast<Char*>(reinterpret_cast<char*>(rep) + sizeof(SStringRep));
}
template <class Char>
inline SStringRep* RepOf(const Char* chars) {
  return reinterpret_cast<SStringRep*>(const_cast<char*>(reinterpret_cast<const char*>(chars)) -
                                       sizeof(SStringRep));
}

}  // namespace detail
}  // namespace strlib
