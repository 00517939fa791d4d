// Process facts: version record, command line, module path, WinExec, clocks.
#include "platform/sim/process.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "tests/support/in_program.h"

namespace {

TEST(ProcessFacts, VersionIsTheProgramsAndTheRecordSizeIsChecked) {
  sim::Desktop desktop;
  sim::StartOptions options;
  options.version = sim::Windows95();
  simtest::RunInProgram(
      desktop,
      [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        ASSERT_TRUE(GetVersionExA(&info));
        EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
        EXPECT_EQ(info.dwMinorVersion, 0u);
        EXPECT_EQ(info.dwBuildNumber, 0x040003B6u);
        OSVERSIONINFOA wrong{};
        wrong.dwOSVersionInfoSize = sizeof wrong - 1;
        EXPECT_FALSE(GetVersionExA(&wrong));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(wrong.dwMajorVersion, 0u);
      },
      options);
  options.versionQueryFails = true;
  simtest::RunInProgram(
      desktop,
      [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        EXPECT_FALSE(GetVersionExA(&info));
        EXPECT_EQ(info.dwPlatformId, 0u);
      },
      options);
}

// A name that does not fit: NT 4.0 and 2000 fill the buffer without a
// terminator and leave the last error; the other systems end it.
TEST(ProcessFacts, ModuleFileNameIsCutToTheBufferAsTheSystemDoes) {
  sim::Desktop desktop;
  sim::StartOptions options;
  options.modulePath = "C:\\Notebook\\plimset.exe";  // 23 characters
  options.commandLine = "plimset.exe";
  for (const OSVERSIONINFOA& version : {sim::Windows98(), sim::WindowsNT4(), sim::Windows2000()}) {
    options.version = version;
    const bool nt = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    simtest::RunInProgram(
        desktop,
        [nt] {
          EXPECT_STREQ(GetCommandLineA(), "plimset.exe");
          char path[MAX_PATH];
          EXPECT_EQ(GetModuleFileNameA(nullptr, path, MAX_PATH), 23u);
          EXPECT_STREQ(path, "C:\\Notebook\\plimset.exe");
          EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), path, MAX_PATH), 23u);

          char exact[24];
          memset(exact, '#', sizeof exact);
          SetLastError(0);
          EXPECT_EQ(GetModuleFileNameA(nullptr, exact, 23), 23u);  // no room for the terminator
          EXPECT_EQ(GetLastError(), nt ? 0u : static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
          EXPECT_EQ(std::string(exact, 24),
                    nt ? "C:\\Notebook\\plimset.exe#" : std::string("C:\\Notebook\\plimset.ex\0#", 24));

          WCHAR whole[MAX_PATH];
          if (!nt) {  // Windows 9x has only a failing stub of the wide call
            EXPECT_EQ(GetModuleFileNameW(nullptr, whole, MAX_PATH), 0u);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
            return;
          }
          WCHAR wide[8];
          EXPECT_EQ(GetModuleFileNameW(nullptr, wide, 8), 8u);
          EXPECT_EQ(std::u16string(wide, 8), u"C:\\Noteb");
          EXPECT_EQ(GetModuleFileNameW(nullptr, whole, MAX_PATH), 23u);
          EXPECT_EQ(std::u16string(whole), u"C:\\Notebook\\plimset.exe");
        },
        options);
  }
}

TEST(ProcessFacts, WinExecRecordsTheStartWithTheWorkingDirectory) {
  sim::Desktop desktop;
  sim::StartOptions options;
  options.currentDirectory = "C:\\Notebook";
  desktop.RunFor(sim::Ms(40));
  const int pid = simtest::RunInProgram(
      desktop, [] { EXPECT_EQ(WinExec("shutdown.exe", SW_SHOWNORMAL), 33u); }, options);
  const auto& starts = sim::process::WinExecLog();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].commandLine, "shutdown.exe");
  EXPECT_EQ(starts[0].directory, "C:\\Notebook");
  EXPECT_EQ(starts[0].pid, pid);
  EXPECT_EQ(starts[0].time, sim::Ms(40));
  bool traced = false;
  for (const auto& event : desktop.Trace()) {
    if (event.kind == sim::TraceEvent::kWinExec) {
      traced = event.detail == "shutdown.exe" && event.text == "C:\\Notebook";
    }
  }
  EXPECT_TRUE(traced);

  sim::process::OnWinExec(
      [](const sim::process::ProgramStart&) { return static_cast<UINT>(ERROR_FILE_NOT_FOUND); });
  EXPECT_EQ(WinExec("missing.exe", SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(sim::process::WinExecLog().back().result, static_cast<UINT>(ERROR_FILE_NOT_FOUND));
}

TEST(ProcessFacts, PerformanceCounterFollowsTheVirtualClockWithoutOverflow) {
  sim::Desktop desktop;
  LARGE_INTEGER frequency, counter;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 3579545);
  desktop.RunUntil(sim::Ms(2500) + 1);
  ASSERT_TRUE(QueryPerformanceCounter(&counter));
  EXPECT_EQ(counter.QuadPart, 8948862);  // floor(2.500000001 s * f)
  EXPECT_EQ(GetTickCount(), 2500u);

  // Ten hours: now * f no longer fits 64 bits.
  desktop.RunUntil(sim::Ms(36000000));
  ASSERT_TRUE(QueryPerformanceCounter(&counter));
  EXPECT_EQ(counter.QuadPart, 36000LL * 3579545);

  sim::process::SetPerformanceFrequency(1000);
  ASSERT_TRUE(QueryPerformanceCounter(&counter));
  EXPECT_EQ(counter.QuadPart, 36000000);
  sim::process::SetPerformanceFrequency(0);
  frequency.QuadPart = 5;
  counter.QuadPart = 5;
  EXPECT_FALSE(QueryPerformanceFrequency(&frequency));
  EXPECT_FALSE(QueryPerformanceCounter(&counter));
  EXPECT_EQ(frequency.QuadPart, 0);
  EXPECT_EQ(counter.QuadPart, 0);
}

TEST(ProcessFacts, ClockReadsAreCountedPerProgram) {
  sim::Desktop desktop;
  LARGE_INTEGER value;
  QueryPerformanceFrequency(&value);  // the test side counts as pid 0
  const int pid = simtest::RunInProgram(desktop, [] {
    LARGE_INTEGER v;
    QueryPerformanceFrequency(&v);
    for (int i = 0; i < 3; ++i) QueryPerformanceCounter(&v);
    GetTickCount();
    GetTickCount();
  });
  const sim::process::ClockReads reads = sim::process::ClockReadsOf(pid);
  EXPECT_EQ(reads.frequency, 1);
  EXPECT_EQ(reads.counter, 3);
  EXPECT_EQ(reads.ticks, 2);
  EXPECT_EQ(sim::process::ClockReadsOf(0).frequency, 1);
  EXPECT_EQ(sim::process::ClockReadsOf(0).counter, 0);
}

TEST(ProcessFacts, TickCountWrapsAtTwoToThe32Milliseconds) {
  sim::Desktop desktop;
  desktop.RunUntil(sim::Ms(4294967296LL + 5));
  EXPECT_EQ(GetTickCount(), 5u);
}

}  // namespace
