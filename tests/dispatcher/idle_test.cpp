// While nothing happens plimset makes one control call every 500 ms and
// nothing else beyond the message loop that brings it the timer.
#include "platform/sim/api_calls.h"
#include "tests/dispatcher/plimset_fixture.h"

namespace plimset_test {
namespace {

TEST_F(PlimsetTest, AnIdleMinuteCosts120ControlCallsAndNothingElse) {
  StartAndSettle();
  desktop.RunFor(Ms(10000));
  const std::map<std::string, uint64_t> before = sim::ApiCallsOf(pid);
  desktop.RunFor(Ms(60000));
  std::map<std::string, uint64_t> minute = sim::ApiCallsOf(pid);
  for (const auto& entry : before) minute[entry.first] -= entry.second;
  for (auto it = minute.begin(); it != minute.end();) it = it->second == 0 ? minute.erase(it) : std::next(it);
  const std::map<std::string, uint64_t> expected{
      {"DeviceIoControl", 120},  {"GetMessageA", 120},      {"TranslateAcceleratorA", 120},
      {"TranslateMessage", 120}, {"DispatchMessageA", 120},
  };
  EXPECT_EQ(minute, expected);
}

}  // namespace
}  // namespace plimset_test
