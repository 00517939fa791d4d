// The exception of the string library: raised, allocated on the heap, as a
// pointer. Whoever catches it owns it and deletes it.
#pragma once

#include <cstdint>

namespace strlib {

struct SExcept {
  const char* file;  // the library source file that raised it
  int32_t line;      // the source line it names
};

}  // namespace strlib
