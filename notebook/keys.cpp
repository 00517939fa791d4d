#include "notebook/keys.h"

#include <strings.h>

#include <cstdlib>

namespace notebook {

const std::vector<NamedKey>& NamedKeys() {
  static const std::vector<NamedKey> keys{
      {"fn+f1", 1, "Fn+F1"},
      {"fn+f2", 64, "Fn+F2 (wireless)"},
      {"fn+f3", 3, "Fn+F3 (power scheme)"},
      {"fn+f12", 80, "Fn+F12 (shut down)"},
      {"mute", 5, "Fn+mute"},
      {"volume-down", 49, "Fn+volume down"},
      {"volume-up", 50, "Fn+volume up"},
      {"play", 33, "Fn+play"},
      {"stop", 34, "Fn+stop"},
      {"next", 35, "Fn+next track"},
      {"previous", 36, "Fn+previous track"},
  };
  return keys;
}

bool ParseKey(const std::string& text, WORD* number, std::string* label) {
  for (const NamedKey& key : NamedKeys()) {
    if (strcasecmp(text.c_str(), key.name) == 0) {
      *number = key.number;
      *label = key.label;
      return true;
    }
  }
  char* end = nullptr;
  const long value = strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != 0 || value < 0 || value > 0xFFFF) return false;
  *number = static_cast<WORD>(value);
  *label = "key " + text;
  return true;
}

}  // namespace notebook
