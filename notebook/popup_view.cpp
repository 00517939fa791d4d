#include "notebook/popup_view.h"

#include <algorithm>

#include "platform/sim/state.h"

namespace notebook {

std::vector<std::string> DrawPopup(const std::string& title, const std::vector<std::u16string>& items,
                                   int selection) {
  size_t width = title.size() + 4;
  for (const std::u16string& item : items) width = std::max(width, item.size() + 4);
  std::vector<std::string> rows;
  rows.push_back("+- " + title + " " + std::string(width - title.size() - 2, '-') + "+");
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string name = sim::Narrow(items[i]);
    const std::string mark = static_cast<int>(i) == selection ? "> " : "  ";
    rows.push_back("| " + mark + name + std::string(width - name.size() - 2, ' ') + "|");
  }
  rows.push_back("+" + std::string(width + 1, '-') + "+");
  return rows;
}

}  // namespace notebook
