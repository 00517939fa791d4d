// The "Power Scheme" popup: its geometry from the font model, its place and
// activation, the list in enumeration order, the selection and its cycling.
#include "platform/sim/state.h"
#include "tests/switcher/kelvane_fixture.h"

namespace kelvane_test {
namespace {

int WidestName(const std::vector<sim::PowerProfileModel::Scheme>& schemes) {
  int widest = 0;
  for (const auto& scheme : schemes)
    widest = std::max(widest, sim::TextWidth(sim::process::Widen(scheme.name)));
  return widest;
}

std::vector<std::u16string> Names(std::initializer_list<const char*> names) {
  std::vector<std::u16string> wide;
  for (const char* name : names) wide.push_back(sim::process::Widen(name));
  return wide;
}

TEST_F(KelvaneTest, PopupSizeFollowsTheWidestNameAndTheLineHeight) {
  const int listWidth = WidestName(ThreeSchemes()) + 4;
  const int listHeight = 3 * 16 + 2;
  // Classic frame: 3 pixels on each side, a 19-pixel caption, and a 5-pixel
  // band above the list box.
  const int w = listWidth + 6;
  const int h = listHeight + 3 + 19 + 3 + 5;
  sim::SetScreenSize(w + 200, h + 100);  // centring by w and by w + 1 differ here
  StartAndSettle();
  PressAndRun();
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  const RECT bounds = desktop.Bounds(popup);
  EXPECT_EQ(bounds.left, 100);
  EXPECT_EQ(bounds.top, 50);
  EXPECT_EQ(bounds.right - bounds.left, w + 1);
  EXPECT_EQ(bounds.bottom - bounds.top, h);

  const RECT list = desktop.Bounds(ListBox());
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.top, 5);
  EXPECT_EQ(list.right - list.left, listWidth);
  EXPECT_EQ(list.bottom - list.top, listHeight);
  EXPECT_EQ(sim::OpenDeviceContexts(), 0);
}

TEST_F(KelvaneTest, PopupLargerThanTheScreenIsCentredWithTruncationTowardZero) {
  const int w = WidestName(ThreeSchemes()) + 4 + 6;
  sim::SetScreenSize(w - 5, 40);  // both differences are negative and odd
  StartAndSettle();
  PressAndRun();
  const RECT bounds = desktop.Bounds(Popup());
  EXPECT_EQ(bounds.left, -2);
  const int h = 3 * 16 + 2 + 30;
  EXPECT_EQ(bounds.top, (40 - h) / 2);
  EXPECT_LT(bounds.top, 0);
}

TEST_F(KelvaneTest, PopupIsATopmostCaptionedWindowOwnedByTheMainWindow) {
  StartAndSettle();
  PressAndRun();
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(desktop.TitleOf(popup), "Power Scheme");
  EXPECT_TRUE(desktop.Visible(popup));
  EXPECT_TRUE(desktop.Topmost(popup));
  EXPECT_EQ(desktop.OwnerOf(popup), MainWindow());
  EXPECT_EQ(sim::FindWindowRecord(popup)->style, 0x10C00000u);
  EXPECT_EQ(sim::FindWindowRecord(popup)->exStyle, 0u);
  HWND list = ListBox();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(desktop.ClassOf(list), "LISTBOX");
  EXPECT_EQ(desktop.TitleOf(list), "");
  EXPECT_EQ(sim::FindWindowRecord(list)->style, 0x50000000u);
  EXPECT_EQ(sim::FindWindowRecord(list)->childId, 0u);
  EXPECT_FALSE(desktop.Visible(MainWindow())) << "activating the main window does not show it";
}

TEST_F(KelvaneTest, TheHiddenMainWindowIsActivatedAndFocusedBeforeThePopup) {
  StartAndSettle();
  PressAndRun();
  std::vector<std::pair<std::string, std::string>> calls;
  for (const TraceEvent& e : desktop.Trace()) {
    if (e.kind == TraceEvent::kNote && e.pid == pid) calls.emplace_back(e.detail, e.text);
  }
  const std::vector<std::pair<std::string, std::string>> expected{{"SetActiveWindow", "NorvoKelvaneClass"},
                                                                  {"SetFocus", "NorvoKelvaneClass"},
                                                                  {"SetActiveWindow", "NorvoKelvaneClass1"},
                                                                  {"SetFocus", "NorvoKelvaneClass1"}};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(desktop.ActiveWindow(pid), Popup());
  EXPECT_EQ(desktop.FocusWindow(pid), Popup());
}

TEST_F(KelvaneTest, ListFollowsTheEnumerationOrderAndSelectsTheActiveIndex) {
  power.SetSchemes({{7, "Max Battery", ""}, {3, "Always On", ""}, {5, "Presentation", ""}});
  power.SetActiveIndex(3);
  StartAndSettle();
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()), Names({"Max Battery", "Always On", "Presentation"}));
  EXPECT_EQ(Selection(), 1);
  EXPECT_EQ(power.EnumerationCalls(), 1);
  EXPECT_EQ(power.GetActiveCalls(), 1);
}

TEST_F(KelvaneTest, EachPressMovesTheSelectionDownAndWrapsToTheFirst) {
  StartAndSettle();
  std::vector<int> selections;
  for (int press = 1; press <= 5; ++press) {
    PressAndRun();
    selections.push_back(Selection());
  }
  EXPECT_EQ(selections, (std::vector<int>{1, 2, 0, 1, 2}));
  EXPECT_EQ(power.EnumerationCalls(), 1) << "the list is read once per opening";
}

TEST_F(KelvaneTest, WithOneSchemeEveryPressKeepsTheFirstItem) {
  power.SetSchemes({{0, "Always On", ""}});
  power.SetActiveIndex(0);
  StartAndSettle();
  for (int press = 1; press <= 3; ++press) {
    PressAndRun();
    EXPECT_EQ(Selection(), 0) << "press " << press;
  }
}

TEST_F(KelvaneTest, WithoutAnActiveSchemeTheFirstPressSelectsNothingAndTheNextTheFirstItem) {
  power.FailGetActive(true);
  StartAndSettle();
  PressAndRun();
  EXPECT_EQ(Selection(), -1);
  PressAndRun();
  EXPECT_EQ(Selection(), 0);
}

// Mended: an active index that matched no scheme used to leave the last
// item selected, so a single press activated a scheme nobody chose.
TEST_F(KelvaneTest, AnActiveIndexMatchingNoSchemeSelectsNothingAndCommitsNothing) {
  power.SetActiveIndex(9);
  StartAndSettle();
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()).size(), 3u);
  EXPECT_EQ(Selection(), -1);
  desktop.RunFor(Ms(3000));
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(power.Activations().empty());
}

TEST_F(KelvaneTest, AnEmptySchemeListGivesATinyListBoxAndACommitOfNothing) {
  power.SetSchemes({});
  StartAndSettle();
  PressAndRun();
  const RECT list = desktop.Bounds(ListBox());
  EXPECT_EQ(list.right - list.left, 4);
  EXPECT_EQ(list.bottom - list.top, 2);
  PressAndRun();
  EXPECT_EQ(Selection(), -1);
  desktop.RunFor(Ms(3000));
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(power.Activations().empty());
}

TEST_F(KelvaneTest, AnEnumerationThatFailsPartWayListsTheSchemesReported) {
  power.FailEnumerationAfter(2);
  StartAndSettle();
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()), Names({"Home/Office Desk", "Portable/Laptop"}));
  EXPECT_EQ(Selection(), 1);
}

TEST_F(KelvaneTest, SchemesChangedWhileOpenAppearAtTheNextOpening) {
  StartAndSettle();
  PressAndRun();
  power.SetSchemes({{0, "Home/Office Desk", ""}, {4, "Minimal Power Management", ""}});
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()).size(), 3u);
  desktop.RunFor(Ms(3000));
  ASSERT_EQ(Popup(), nullptr);
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()), Names({"Home/Office Desk", "Minimal Power Management"}));
  EXPECT_EQ(power.EnumerationCalls(), 2);
}

// --- Windows 95/98/Me: 8-bit names through the OEM code page ---

TEST_F(KelvaneTest, Windows9xHoldsNarrowNamesAsWideTextAndShowsThemThroughTheNarrowCalls) {
  // "Grün" in code page 437 (0x81 is u-umlaut); the list box shows 8-bit
  // items by their byte values, so the item proves the narrow call.
  power.SetSchemes({{0, "Gr\x81n", ""}, {1, "Presentation", ""}});
  power.SetActiveIndex(0);
  StartAndSettle(KelvaneOptions(sim::Windows98()));
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()), (std::vector<std::u16string>{u"Gr\u0081n", u"Presentation"}));
  // The narrow measure counts the 8-bit text: 'G', 'r', 0x81, 'n'.
  const int width = std::max(sim::TextWidth(u"Gr\u0081n"), sim::TextWidth(u"Presentation"));
  EXPECT_EQ(desktop.Bounds(ListBox()).right, width + 4);
  PressAndRun();
  desktop.RunFor(Ms(3000));
  EXPECT_EQ(ActivatedIndexes(), std::vector<UINT>{1});
  EXPECT_EQ(driver.Notices(), 1) << "the comparison is made on the 16-bit form";
}

TEST_F(KelvaneTest, WindowsNtShowsWideNamesThroughTheWideCalls) {
  power.SetSchemes({{0, "Gr\xC3\xBCn", ""}});  // UTF-8 in the model, 16-bit text in the library's answer
  power.SetActiveIndex(0);
  StartAndSettle();
  PressAndRun();
  EXPECT_EQ(sim::ListBoxItems(ListBox()), std::vector<std::u16string>{u"Gr\u00FCn"});
}

}  // namespace
}  // namespace kelvane_test
