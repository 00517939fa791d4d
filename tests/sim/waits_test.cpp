// The message wait refuses wake bits that the calling program's Windows
// version does not know, as Windows does; a product that asks for them
// must see the failure here as it would there.
#include "platform/sim/waits.h"

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/support/in_program.h"

namespace {

OSVERSIONINFOA Nt(DWORD major, DWORD minor) {
  OSVERSIONINFOA version = sim::Windows2000();
  version.dwMajorVersion = major;
  version.dwMinorVersion = minor;
  return version;
}

TEST(MessageWaits, BitsUnknownToTheSystemAreRefused) {
  struct Case {
    const char* name;
    OSVERSIONINFOA version;
    DWORD mask;
    bool refused;
  };
  const Case cases[] = {
      {"95, the eight bits it knows", sim::Windows95(), 0x00FF, false},
      {"98, with QS_ALLPOSTMESSAGE", sim::Windows98(), 0x01FF, false},
      {"Me, with QS_RAWINPUT", sim::WindowsMe(), 0x04FF, true},
      {"NT 4.0, with QS_RAWINPUT", sim::WindowsNT4(), 0x04FF, true},
      {"2000, with QS_RAWINPUT", sim::Windows2000(), 0x04FF, true},
      {"XP, with QS_RAWINPUT", Nt(5, 1), 0x04FF, false},
      {"XP, with the touch and pointer bits", Nt(5, 1), 0x1CFF, true},
      {"8, with the touch and pointer bits", Nt(6, 2), 0x1CFF, false},
  };
  for (const Case& c : cases) {
    sim::Desktop desktop;
    sim::StartOptions options;
    options.version = c.version;
    simtest::RunInProgram(
        desktop,
        [&c] {
          SetLastError(0);
          const DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, c.mask);
          EXPECT_EQ(result, c.refused ? WAIT_FAILED : static_cast<DWORD>(WAIT_TIMEOUT)) << c.name;
          EXPECT_EQ(GetLastError(), c.refused ? static_cast<DWORD>(ERROR_INVALID_PARAMETER) : 0u) << c.name;
        },
        options);
  }
}

}  // namespace
