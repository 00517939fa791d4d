// The notebook's Fn keys by name, for the interactive notebook.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace notebook {

struct NamedKey {
  const char* name;   // as typed, without case: "fn+f3"
  WORD number;        // the key number the driver reports
  const char* label;  // for the timeline
};

const std::vector<NamedKey>& NamedKeys();

// A key by name, or by number (0 to 255). False when it is neither.
bool ParseKey(const std::string& text, WORD* number, std::string* label);

}  // namespace notebook
