// Devices and the TRAVOK key driver model.
#include "platform/sim/travok.h"

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "tests/support/in_program.h"

namespace {

using sim::TravokModel;

// One control request with one 2-byte word as input and output, as the
// dispatcher makes them.
struct WordCall {
  BOOL ok;
  WORD word;
  DWORD bytes;
  DWORD error;
};

WordCall Control(HANDLE device, DWORD code, WORD word) {
  DWORD bytes = 0xDEAD;
  SetLastError(0);
  BOOL ok = DeviceIoControl(device, code, &word, 2, &word, 2, &bytes, nullptr);
  return {ok, word, bytes, GetLastError()};
}

HANDLE OpenNt() {
  return CreateFileA("\\\\.\\TRAVOK", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
}

TEST(Devices, UnknownNameFailsWithFileNotFound) {
  sim::Desktop desktop;
  SetLastError(0);
  EXPECT_EQ(CreateFileA("\\\\.\\NOSUCH", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // With the model installed but the driver absent, the same.
  sim::InstallTravok().SetPresent(false);
  EXPECT_EQ(OpenNt(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(sim::devices::OpenHandleCount(), 0);
}

TEST(Devices, ControlOnAnInvalidHandleFailsAndTouchesNoBuffer) {
  sim::Desktop desktop;
  TravokModel& travok = sim::InstallTravok();
  travok.PushKey(3);
  for (HANDLE handle :
       {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(0x4444)}) {
    WORD word = 0xBEEF;
    DWORD bytes = 0xDEAD;
    EXPECT_FALSE(
        DeviceIoControl(handle, TravokModel::kQueryPendingKeys, &word, 2, &word, 2, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(word, 0xBEEF);
    EXPECT_EQ(bytes, 0xDEADu);
  }
  EXPECT_TRUE(travok.Calls().empty());
  EXPECT_EQ(sim::devices::Log().size(), 3u);
}

TEST(Travok, KeysWaitWhileReportingIsOffAndAreDeliveredInOrderOnceItIsOn) {
  sim::Desktop desktop;
  TravokModel& travok = sim::InstallTravok();
  travok.PushKey(0x0103);
  travok.PushKey(0x0050);
  HANDLE device = OpenNt();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);

  EXPECT_EQ(Control(device, TravokModel::kQueryPendingKeys, 0).word, 0);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 0);
  EXPECT_EQ(travok.Waiting(), 2u);

  WordCall on = Control(device, TravokModel::kSetKeyReporting, 1);
  EXPECT_TRUE(on.ok);
  EXPECT_EQ(on.bytes, 0u);
  EXPECT_EQ(on.word, 1);  // no reply bytes: the word stays as sent
  EXPECT_TRUE(Control(device, TravokModel::kStartupControl, 0).ok);

  WordCall query = Control(device, TravokModel::kQueryPendingKeys, 0);
  EXPECT_EQ(query.word, 2);
  EXPECT_EQ(query.bytes, 2u);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 0x0103);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 0x0050);
  EXPECT_EQ(Control(device, TravokModel::kQueryPendingKeys, 7).word, 0);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 7).word, 0);
  EXPECT_EQ(travok.Delivered(), (std::vector<WORD>{0x0103, 0x0050}));

  // Reporting off again: a new key waits, unseen.
  Control(device, TravokModel::kSetKeyReporting, 0);
  travok.PushKey(4);
  EXPECT_EQ(Control(device, TravokModel::kQueryPendingKeys, 0).word, 0);
  EXPECT_FALSE(travok.Reporting());

  const auto reads = travok.ControlCallsOf(TravokModel::kReadKeyCode);
  ASSERT_EQ(reads.size(), 4u);
  EXPECT_EQ(reads[1].wordOut, 0x0103);
  EXPECT_EQ(reads[3].wordIn, 7);
  EXPECT_EQ(reads[3].inSize, 2u);
  EXPECT_EQ(reads[3].outSize, 2u);
}

TEST(Travok, AReadCanAnswerZeroBeforeTheKeyIsReady) {
  sim::Desktop desktop;
  TravokModel& travok = sim::InstallTravok();
  HANDLE device = OpenNt();
  Control(device, TravokModel::kSetKeyReporting, 1);
  travok.PushKey(3, 2);
  EXPECT_NE(Control(device, TravokModel::kQueryPendingKeys, 0).word, 0);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 0);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 0);
  EXPECT_NE(Control(device, TravokModel::kQueryPendingKeys, 0).word, 0);  // still waiting
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 3);
  EXPECT_EQ(Control(device, TravokModel::kQueryPendingKeys, 0).word, 0);
}

TEST(Travok, FailedRequestsReplyNothingUnlessTheyFailWithAReply) {
  sim::Desktop desktop;
  TravokModel& travok = sim::InstallTravok();
  HANDLE device = OpenNt();
  Control(device, TravokModel::kSetKeyReporting, 1);
  travok.PushKey(3);
  travok.FailControl(TravokModel::kReadKeyCode, ERROR_NOT_ENOUGH_MEMORY);
  WordCall read = Control(device, TravokModel::kReadKeyCode, 0x5555);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.word, 0x5555);
  EXPECT_EQ(read.bytes, 0u);
  EXPECT_EQ(read.error, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(travok.Waiting(), 1u);

  travok.FailControl(TravokModel::kReadKeyCode, 0);
  EXPECT_EQ(Control(device, TravokModel::kReadKeyCode, 0).word, 3);

  // A failure with a warning status still hands its reply over.
  travok.FailControl(TravokModel::kQueryPendingKeys, ERROR_MORE_DATA, 0x0001);
  WordCall query = Control(device, TravokModel::kQueryPendingKeys, 0);
  EXPECT_FALSE(query.ok);
  EXPECT_EQ(query.word, 1);
  EXPECT_EQ(query.bytes, 2u);
  EXPECT_EQ(query.error, static_cast<DWORD>(ERROR_MORE_DATA));
  travok.FailControl(TravokModel::kQueryPendingKeys, 0);

  WORD word = 0;
  DWORD bytes = 0;
  EXPECT_FALSE(DeviceIoControl(device, TravokModel::kQueryPendingKeys, &word, 2, &word, 1, &bytes, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_FALSE(DeviceIoControl(device, 0x222410, &word, 2, &word, 2, &bytes, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
}

TEST(Travok, TheWindows95VxdCanBeRefusedAndIsDeletedByName) {
  sim::Desktop desktop;
  TravokModel& travok = sim::InstallTravok();
  travok.SetVxdOpenError(ERROR_NOT_SUPPORTED);
  EXPECT_EQ(CreateFileA("\\\\.\\TRAVOK.VXD", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(DeleteFileA("\\\\.\\TRAVOK.VXD"));
  EXPECT_EQ(travok.Deletes(), 1);
  EXPECT_NE(OpenNt(), INVALID_HANDLE_VALUE);  // the NT name is not affected

  const auto opens = travok.CallsOf(sim::DeviceCall::kOpen);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].name, "\\\\.\\TRAVOK.VXD");
  EXPECT_EQ(opens[0].disposition, static_cast<DWORD>(CREATE_NEW));
  EXPECT_EQ(opens[0].flags, static_cast<DWORD>(FILE_FLAG_DELETE_ON_CLOSE));
  EXPECT_EQ(opens[0].error, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(travok.CallsOf(sim::DeviceCall::kDelete).size(), 1u);

  travok.SetVxdOpenError(0);
  EXPECT_NE(CreateFileA("\\\\.\\travok.vxd", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
            INVALID_HANDLE_VALUE);
}

TEST(Devices, EveryCallIsTraced) {
  sim::Desktop desktop;
  sim::InstallTravok();
  HANDLE device = OpenNt();
  Control(device, TravokModel::kQueryPendingKeys, 0);
  CloseHandle(device);
  std::vector<std::string> details;
  for (const auto& event : desktop.Trace()) {
    if (event.kind == sim::TraceEvent::kDevice) details.push_back(event.detail);
  }
  EXPECT_EQ(details, (std::vector<std::string>{"CreateFileA \\\\.\\TRAVOK", "DeviceIoControl TRAVOK 0x222408",
                                               "CloseHandle TRAVOK"}));
}

TEST(Devices, HandlesAreClosedOnceAndBelongToTheirProgram) {
  sim::Desktop desktop;
  TravokModel& travok = sim::InstallTravok();
  HANDLE leaked = nullptr;
  const int owner = simtest::RunInProgram(desktop, [&] {
    HANDLE device = OpenNt();
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_FALSE(CloseHandle(device));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    leaked = OpenNt();  // never closed: released when the program ends
    EXPECT_EQ(travok.OpenHandles(), 1);
  });
  EXPECT_EQ(sim::devices::CloseFaults(), 2);
  EXPECT_EQ(sim::devices::OpenHandleCount(), 0);
  EXPECT_EQ(travok.OpenHandles(), 0);
  EXPECT_EQ(travok.Calls().back().op, sim::DeviceCall::kReleasedAtExit);
  // The release belongs to the program that ended, as its last act.
  std::vector<std::pair<std::string, int>> ending;
  for (const sim::TraceEvent& e : desktop.Trace()) {
    if (e.kind == sim::TraceEvent::kDevice || e.kind == sim::TraceEvent::kEnded)
      ending.emplace_back(e.detail, e.pid);
  }
  ASSERT_GE(ending.size(), 2u);
  EXPECT_EQ(ending[ending.size() - 2], std::make_pair(std::string("released at exit \\\\.\\TRAVOK"), owner));
  EXPECT_EQ(ending.back().second, owner);

  // Another program's handle value is not a handle here.
  simtest::RunInProgram(desktop, [&] {
    HANDLE mine = OpenNt();
    Control(mine, TravokModel::kSetKeyReporting, 1);
    WORD word = 0;
    DWORD bytes = 0;
    EXPECT_FALSE(
        DeviceIoControl(leaked, TravokModel::kQueryPendingKeys, &word, 2, &word, 2, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  });
}

TEST(Devices, AnExclusiveOpenKeepsOthersOutUntilClosed) {
  sim::Desktop desktop;
  sim::InstallTravok();
  HANDLE first =
      CreateFileA("\\\\.\\TRAVOK", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenNt(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  // Without read or write access, share modes do not matter.
  HANDLE noAccess = CreateFileA("\\\\.\\TRAVOK", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(noAccess, INVALID_HANDLE_VALUE);
  CloseHandle(first);
  HANDLE shared = OpenNt();
  EXPECT_NE(shared, INVALID_HANDLE_VALUE);
  EXPECT_NE(OpenNt(), INVALID_HANDLE_VALUE);  // read sharing lets a second reader in
}

}  // namespace
