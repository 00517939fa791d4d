// The default tour's timeline: what the README's run command shows.
#include "notebook/tour.h"

#include <gtest/gtest.h>

namespace {

TEST(NotebookTour, TimelineShowsEachKindOfActionAtItsVirtualTime) {
  const std::vector<std::string> timeline = notebook::RunTour();
  // Lines that must appear, in this order (other lines may come between).
  const char* const kExpected[] = {
      "    0.000 s  notebook  plimset starts",
      "    1.500 s  plimset   \"Kedrin\" receives KEY_NOTIFY_LAUNCHER (key 1)",
      "    1.500 s  plimset   fast polling (every 100 ms) for 30 s",
      "    2.300 s  plimset   \"volumeMeter\" receives Volctrl (lParam 49 = '1')",
      "    2.400 s  plimset   \"volumeMeter\" receives Volctrl (lParam 50 = '2')",
      "    3.200 s  plimset   shows a box \"I cannot find out zolbex utility\" captioned "
      "\"C:\\Notebook\\plimset.exe\"",
      "    4.700 s  plimset   box \"I cannot find out zolbex utility\" answered OK",
      "    6.800 s  plimset   \"Wireless Button Status\" receives KEY_NOTIFY_WIRELESS",
      "    8.300 s  plimset   \"Tesmor\" receives KELVANE_SHOW_POPUP",
      "   31.500 s  plimset   polls the key driver every 500 ms",
      "   40.000 s  plimset   plimset ends, exit code 0",
  };
  size_t next = 0;
  for (const std::string& line : timeline) {
    if (next < std::size(kExpected) && line == kExpected[next]) ++next;
  }
  std::string shown;
  for (const std::string& line : timeline) shown += line + "\n";
  EXPECT_EQ(next, std::size(kExpected))
      << "missing from here on: " << kExpected[std::min(next, std::size(kExpected) - 1)] << "\ntimeline:\n"
      << shown;
}

}  // namespace
