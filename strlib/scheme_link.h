// SchemeLink: one power scheme in the switcher's scheme list, its name and
// the index that activates it.
#pragma once

#include <cstdint>

#include "strlib/slist.h"
#include "strlib/swstring.h"

namespace strlib {

class SchemeLink : public SLink {
 public:
  SWString name;
  uint32_t index = 0;
};

}  // namespace strlib
