#include "strlib/sstring_rep.h"

#include <cstring>
#include <limits>
#include <new>

namespace strlib {
namespace detail {

static_assert(offsetof(NarrowEmptyRep, zero) == sizeof(SStringRep), "characters follow the header");
static_assert(offsetof(WideEmptyRep, zero) == sizeof(SStringRep), "characters follow the header");

// Zero-initialised before any code runs.
NarrowEmptyRep narrowEmpty;
WideEmptyRep wideEmpty;

namespace {
int64_t blocksAllocated;
int64_t blocksFreed;
}  // namespace

SStringRep* AllocateBlock(int32_t capacity, size_t unitSize) {
  if (capacity < 1 ||
      static_cast<size_t>(capacity) > (std::numeric_limits<size_t>::max() - sizeof(SStringRep)) / unitSize) {
    throw std::bad_alloc();
  }
  void* memory = ::operator new(sizeof(SStringRep) + static_cast<size_t>(capacity) * unitSize);
  ++blocksAllocated;
  SStringRep* rep = static_cast<SStringRep*>(memory);
  rep->capacity = capacity;
  rep->refCount = 1;
  rep->length = 0;
  std::memset(CharsOf<char>(rep), 0, unitSize);
  return rep;
}

void FreeBlock(SStringRep* rep) {
  ++blocksFreed;
  ::operator delete(rep);
}

}  // namespace detail

BlockCounts CurrentBlockCounts() { return BlockCounts{detail::blocksAllocated, detail::blocksFreed}; }

int32_t BucketCapacity(int32_t n) {
  // n + 1 in 64 bits: n may be the largest 32-bit value.
  int64_t wanted = static_cast<int64_t>(n) + 1;
  static const int32_t kBuckets[] = {8, 16, 32, 64, 128, 256};
  for (int32_t bucket : kBuckets) {
    if (wanted <= bucket) return bucket;
  }
  if (wanted > std::numeric_limits<int32_t>::max()) throw std::bad_alloc();
  return static_cast<int32_t>(wanted);
}

}  // namespace strlib
