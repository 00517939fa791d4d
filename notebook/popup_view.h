// The switcher's "Power Scheme" popup drawn as text, as the user sees it.
#pragma once

#include <string>
#include <vector>

namespace notebook {

// A framed box with the title and one row per item; the selected row (or
// none, for -1) is marked.
std::vector<std::string> DrawPopup(const std::string& title, const std::vector<std::u16string>& items,
                                   int selection);

}  // namespace notebook
