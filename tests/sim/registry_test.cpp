// The registry: paths, values as Win32 hands them out, handle accounting.
#include "platform/sim/registry.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"

namespace {

using sim::registry::Call;

const char kWin95Key[] = "Software\\Vantrel\\Vantrel for Windows 95";

TEST(Registry, OpenFindsKeysWithoutCaseAndFailsForMissingOnes) {
  sim::Desktop desktop;
  sim::registry::SetString(kWin95Key, "Program", "C:\\Vantrel\\vantrel.exe");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\vantrel\\VANTREL FOR WINDOWS 95", &key),
            ERROR_SUCCESS);
  EXPECT_NE(key, nullptr);
  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Vantrel for Windows NT 4.0", &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_FALSE(sim::registry::KeyExists("Software\\Vantrel\\Vantrel for Windows NT 4.0"));

  // A relative open below an open key; the log keeps the full path as created.
  HKEY parent = nullptr, child = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &parent), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyA(parent, "vantrel", &child), ERROR_SUCCESS);
  EXPECT_EQ(sim::registry::Log().back().key, "Software\\Vantrel");
  EXPECT_EQ(sim::registry::OpenKeyCount(), 3);
  for (HKEY handle : {key, parent, child}) EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
  EXPECT_EQ(sim::registry::OpenKeyCount(), 0);
  EXPECT_TRUE(sim::registry::AllClosedOnce());
}

TEST(Registry, NullOrEmptySubkeyHandsBackTheSameKey) {
  sim::Desktop desktop;
  sim::registry::CreateKey("Software");
  HKEY key = nullptr, same = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyA(key, nullptr, &same), ERROR_SUCCESS);
  EXPECT_EQ(same, key);
  EXPECT_EQ(RegOpenKeyA(key, "", &same), ERROR_SUCCESS);
  EXPECT_EQ(same, key);
  EXPECT_EQ(sim::registry::IssuedHandles().size(), 1u);
}

TEST(Registry, QueryFollowsWin32BufferRules) {
  sim::Desktop desktop;
  sim::registry::SetString(kWin95Key, "Program", "abc");  // 4 bytes with the zero
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kWin95Key, &key), ERROR_SUCCESS);

  DWORD size = 0, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "program", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  size = 3;
  EXPECT_EQ(RegQueryValueExA(key, "Program", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(buffer, 8), "xxxxxxxx");  // nothing written

  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "Program", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(buffer[4], 'x');  // only the value's bytes

  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key, "Program", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
            ERROR_INVALID_PARAMETER);

  // A string stored without its terminator comes back without one.
  sim::registry::SetValue(kWin95Key, "Raw", REG_SZ, "xyz");
  std::memset(buffer, '#', sizeof buffer);
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buffer[3], '#');
  RegCloseKey(key);
}

TEST(Registry, CreateMakesEveryMissingKeyAndSetStoresTheBytesAsGiven) {
  sim::Desktop desktop;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Vantrel for Windows NT 4.0", &key),
            ERROR_SUCCESS);
  EXPECT_TRUE(sim::registry::KeyExists("software\\vantrel"));
  const char text[] = "C:\\V\\v.exe";
  EXPECT_EQ(RegSetValueExA(key, "Program", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  auto value = sim::registry::GetValue("Software\\Vantrel\\Vantrel for Windows NT 4.0", "PROGRAM");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->data, std::string(text, sizeof text));
  EXPECT_EQ(sim::registry::GetString("Software\\Vantrel\\Vantrel for Windows NT 4.0", "Program"), text);

  // Opening it again (create on an existing key) gives a second handle.
  HKEY again = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantrel\\Vantrel for Windows NT 4.0", &again),
            ERROR_SUCCESS);
  EXPECT_NE(again, key);
  RegCloseKey(key);
  RegCloseKey(again);

  const auto& log = sim::registry::Log();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[1].op, Call::kSet);
  EXPECT_EQ(log[1].value, "Program");
  EXPECT_EQ(log[1].size, sizeof text);
}

TEST(Registry, ClosingTwiceOrAnUnknownHandleIsAFault) {
  sim::Desktop desktop;
  sim::registry::CreateKey("Software");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(sim::registry::CloseCount(key), 2);
  EXPECT_EQ(sim::registry::CloseFaults(), 2);
  EXPECT_FALSE(sim::registry::AllClosedOnce());
  // A closed handle is no longer a key.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST(Registry, AKeyLeftOpenIsSeen) {
  sim::Desktop desktop;
  sim::registry::CreateKey("Software");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);
  EXPECT_EQ(sim::registry::OpenKeyCount(), 1);
  EXPECT_EQ(sim::registry::CloseCount(key), 0);
  EXPECT_FALSE(sim::registry::AllClosedOnce());
}

}  // namespace
