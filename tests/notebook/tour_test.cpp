// The default tour's timeline: what the README's run command shows.
#include "notebook/tour.h"

#include <gtest/gtest.h>

namespace {

TEST(NotebookTour, TimelineShowsEachKindOfActionAtItsVirtualTime) {
  const std::vector<std::string> timeline = notebook::RunTour();
  // Lines that must appear, in this order (other lines may come between).
  const char* const kExpected[] = {
      "    0.000 s  notebook  kelvane starts",
      "    0.000 s  notebook  plimset starts",
      "    0.000 s  kelvane   starts the KELVANE driver service",
      "    1.500 s  plimset   \"Kedrin\" receives KEY_NOTIFY_LAUNCHER (key 1)",
      "    1.500 s  plimset   fast polling (every 100 ms) for 30 s",
      "    2.300 s  plimset   \"volumeMeter\" receives Volctrl (lParam 49 = '1')",
      "    2.400 s  plimset   \"volumeMeter\" receives Volctrl (lParam 50 = '2')",
      "    3.200 s  plimset   shows a box \"I cannot find out zolbex utility\" captioned "
      "\"C:\\Notebook\\plimset.exe\"",
      "    4.700 s  plimset   box \"I cannot find out zolbex utility\" answered OK",
      "    6.800 s  plimset   \"Wireless Button Status\" receives KEY_NOTIFY_WIRELESS",
      "    8.300 s  plimset   posts KELVANE_SHOW_POPUP to \"Tesmor\"",
      "    8.300 s  kelvane   opens the \"Power Scheme\" popup",
      "    8.300 s  kelvane   selects \"Home/Office Desk\"",
      "    8.700 s  plimset   posts KELVANE_SHOW_POPUP to \"Tesmor\"",
      "    8.700 s  kelvane   selects \"Portable/Laptop\"",
      "    9.100 s  plimset   posts KELVANE_SHOW_POPUP to \"Tesmor\"",
      "    9.100 s  kelvane   selects \"Presentation\"",
      "                        | > Presentation              |",
      "   11.600 s  kelvane   closes the popup; power scheme \"Presentation\" is now active",
      "   11.600 s  kelvane   tells the KELVANE driver: Presentation (0x222400)",
      "   13.500 s  plimset   shows a box \"0x50\" captioned \"C:\\Notebook\\plimset.exe\"",
      "   15.000 s  plimset   box \"0x50\" answered OK",
      "   15.000 s  plimset   starts \"shutdown.exe\" in C:\\Notebook",
      "   31.500 s  plimset   polls the key driver every 500 ms",
      "   40.000 s  plimset   plimset ends, exit code 0",
      "   40.500 s  kelvane   removes the KELVANE driver service",
      "   40.500 s  kelvane   kelvane ends, exit code 0",
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

TEST(NotebookTour, TheSwitcherAppearsOnlyForThePowerSchemeKey) {
  const std::vector<std::string> timeline = notebook::RunTour();
  int switcherLines = 0, activations = 0, notices = 0;
  for (const std::string& line : timeline) {
    if (line.find("  kelvane   ") != std::string::npos) ++switcherLines;
    if (line.find("is now active") != std::string::npos) ++activations;
    if (line.find("(0x222400)") != std::string::npos) ++notices;
  }
  // Service start, popup, three selections, the commit, the notice, the
  // service removal and the end.
  EXPECT_EQ(switcherLines, 9);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(notices, 1);
}

}  // namespace
