// The whole road of a key press with both programs on one desktop: key 3 in
// the key driver's queue, plimset's KELVANE_SHOW_POPUP, the popup, the quiet
// period, SetActivePwrScheme and the "Presentation" notice to KELVANE.
#include "dispatcher/sim_program.h"
#include "platform/sim/travok.h"
#include "tests/support/expected_trace.h"
#include "tests/switcher/kelvane_fixture.h"

namespace kelvane_test {
namespace {

class RoadTest : public KelvaneTest {
 protected:
  sim::TravokModel& travok = sim::InstallTravok();
  int plimsetPid = 0;

  void StartBoth(const OSVERSIONINFOA& version = sim::Windows2000()) {
    StartAndSettle(KelvaneOptions(version));
    sim::StartOptions options;
    options.modulePath = "C:\\Notebook\\plimset.exe";
    options.version = version;
    plimsetPid = desktop.Start(plimset::SimProgram(), options);
    desktop.RunUntilQuiet(Ms(1));
  }
  void KeyAt(int64_t atMs) {
    desktop.At(Ms(atMs), [this] { travok.PushKey(3); });
  }
  // Only the key message's own events, in order.
  std::vector<expected::Event> KeyMessages() const {
    std::vector<expected::Event> rows;
    for (const expected::Event& e :
         expected::Recorded(desktop, {TraceEvent::kPosted, TraceEvent::kDispatched})) {
      if (e.message == kelvane::KELVANE_SHOW_POPUP) rows.push_back(e);
    }
    return rows;
  }
};

TEST_F(RoadTest, ThreePressesOfKey3ChoosePresentationAndTellTheDriver) {
  power.SetActiveIndex(0);
  StartBoth();
  KeyAt(900);   // read at the 1000 ms tick of the slow poll
  KeyAt(1650);  // then every 100 ms
  KeyAt(1880);
  desktop.RunUntil(Ms(2000));
  EXPECT_EQ(Selection(), 2) << "two moves from Home/Office Desk";

  desktop.RunUntil(Ms(10000));
  const std::vector<expected::Event> keyMessages{
      {TraceEvent::kPosted, 0x1635, 0, 0, "NorvoKelvaneClass", 1000},
      {TraceEvent::kDispatched, 0x1635, 0, 0, "NorvoKelvaneClass", 1000},
      {TraceEvent::kPosted, 0x1635, 0, 0, "NorvoKelvaneClass", 1700},
      {TraceEvent::kDispatched, 0x1635, 0, 0, "NorvoKelvaneClass", 1700},
      {TraceEvent::kPosted, 0x1635, 0, 0, "NorvoKelvaneClass", 1900},
      {TraceEvent::kDispatched, 0x1635, 0, 0, "NorvoKelvaneClass", 1900},
  };
  expected::ExpectSequence(keyMessages, KeyMessages());
  for (const TraceEvent& e : desktop.Trace()) {
    if (e.kind == TraceEvent::kPosted && e.message == 0x1635) {
      EXPECT_EQ(e.pid, plimsetPid);
    }
  }

  ASSERT_EQ(power.Activations().size(), 1u);
  EXPECT_EQ(power.Activations()[0].index, 2u);
  EXPECT_EQ(power.Activations()[0].pid, pid);
  EXPECT_GT(power.Activations()[0].time, Ms(4400));
  EXPECT_LE(power.Activations()[0].time, Ms(4402));
  ASSERT_EQ(driver.Notices(), 1);
  EXPECT_EQ(driver.ControlCalls()[0].code, 0x222400u);
  EXPECT_EQ(driver.ControlCalls()[0].pid, pid);
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(desktop.IsRunning(plimsetPid));
  EXPECT_TRUE(desktop.IsRunning(pid));
}

TEST_F(RoadTest, Windows98TakesTheSameRoadToTheVxd) {
  power.SetActiveIndex(1);
  StartBoth(sim::Windows98());
  KeyAt(900);
  desktop.RunUntil(Ms(1050));
  EXPECT_EQ(Selection(), 1);
  KeyAt(1650);
  desktop.RunUntil(Ms(10000));
  EXPECT_EQ(ActivatedIndexes(), std::vector<UINT>{2});
  EXPECT_EQ(driver.Notices(), 1);
  EXPECT_EQ(driver.ControlCalls()[0].name, "\\\\.\\KELVANE.VXD");
}

}  // namespace
}  // namespace kelvane_test
