// Loadable modules and the power-profile library model.
#include "platform/sim/modules.h"

#include <gtest/gtest.h>

#include "platform/sim/powrprof.h"
#include "platform/win32.h"
#include "tests/support/in_program.h"

namespace {

using sim::PowerProfileModel;

typedef BOOLEAN(WINAPI* EnumFunction)(sim::PowerSchemeEnumProc, LPARAM);
typedef BOOLEAN(WINAPI* GetActiveFunction)(PUINT);
typedef BOOLEAN(WINAPI* SetActiveFunction)(UINT, void*, void*);

template <class Function>
Function Resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

INT_PTR WINAPI Answer42() { return 42; }

TEST(Modules, LibrariesLoadByFileNameWithoutCaseAndCountReferences) {
  sim::Desktop desktop;
  sim::modules::Register("powrprof.dll", {{"Answer", &Answer42}});
  HMODULE first = LoadLibraryA("POWRPROF.DLL");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LoadLibraryA("C:\\WINNT\\system32\\powrprof"), first);
  EXPECT_EQ(sim::modules::References("powrprof.dll", 0), 2);
  EXPECT_EQ(GetModuleHandleA("powrprof.dll"), first);

  EXPECT_EQ(GetProcAddress(first, "Answer")(), 42);
  EXPECT_EQ(GetProcAddress(first, "answer"), nullptr);  // exact name only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  EXPECT_EQ(LoadLibraryA("missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(sim::modules::Loads("powrprof.dll"), 2);
  EXPECT_EQ(sim::modules::Frees("powrprof.dll"), 2);
  EXPECT_EQ(sim::modules::FreeFaults(), 1);
  EXPECT_EQ(GetModuleHandleA("powrprof.dll"), nullptr);
}

TEST(Modules, EachProgramHoldsItsOwnReferences) {
  sim::Desktop desktop;
  sim::modules::Register("powrprof.dll", {});
  HMODULE held = nullptr;
  const int pid = simtest::RunInProgram(desktop, [&] {
    held = LoadLibraryA("powrprof.dll");
    char path[MAX_PATH];
    EXPECT_GT(GetModuleFileNameA(held, path, MAX_PATH), 0u);
    EXPECT_STREQ(path, "C:\\WINDOWS\\SYSTEM32\\powrprof.dll");
  });
  EXPECT_EQ(sim::modules::References("powrprof.dll", pid), 1);
  EXPECT_FALSE(FreeLibrary(held));  // the test side holds nothing
}

std::string Ascii(const WCHAR* text) {
  std::string out;
  while (*text) out += static_cast<char>(*text++);
  return out;
}

// Collects what the enumeration hands to its callback.
struct Seen {
  bool narrow = false;
  std::vector<UINT> indexes;
  std::vector<std::string> names;
  std::vector<DWORD> nameBytes;
  int stopAfter = -1;
};

BOOLEAN CALLBACK Collect(UINT index, DWORD nameBytes, LPWSTR name, DWORD, LPWSTR, void* policy,
                         LPARAM context) {
  Seen& seen = *reinterpret_cast<Seen*>(context);
  EXPECT_NE(policy, nullptr);
  seen.indexes.push_back(index);
  seen.nameBytes.push_back(nameBytes);
  seen.names.push_back(seen.narrow ? std::string(reinterpret_cast<const char*>(name)) : Ascii(name));
  return static_cast<int>(seen.indexes.size()) != seen.stopAfter;
}

PowerProfileModel& ThreeSchemes() {
  PowerProfileModel& power = sim::InstallPowerProfile();
  power.SetSchemes({{0, "Home/Office Desk", ""}, {3, "Presentation", ""}, {5, "Max Battery", ""}});
  power.SetActiveIndex(3);
  return power;
}

TEST(PowerProfile, EnumerationGivesWideNamesOnNtAndNarrowNamesOn9x) {
  sim::Desktop desktop;
  ThreeSchemes();
  for (bool windows98 : {false, true}) {
    sim::StartOptions options;
    if (windows98) options.version = sim::Windows98();
    Seen seen;
    seen.narrow = windows98;
    simtest::RunInProgram(
        desktop,
        [&] {
          HMODULE library = LoadLibraryA("powrprof.dll");
          EXPECT_TRUE(
              Resolve<EnumFunction>(library, "EnumPwrSchemes")(Collect, reinterpret_cast<LPARAM>(&seen)));
        },
        options);
    EXPECT_EQ(seen.indexes, (std::vector<UINT>{0, 3, 5}));
    EXPECT_EQ(seen.names, (std::vector<std::string>{"Home/Office Desk", "Presentation", "Max Battery"}));
    EXPECT_EQ(seen.nameBytes[1], windows98 ? 13u : 26u);
  }
}

TEST(PowerProfile, EnumerationStopsWhenTheCallbackSaysSoAndCanFailPartWay) {
  sim::Desktop desktop;
  PowerProfileModel& power = ThreeSchemes();
  HMODULE library = LoadLibraryA("powrprof.dll");
  auto enumerate = Resolve<EnumFunction>(library, "EnumPwrSchemes");
  Seen stopped;
  stopped.stopAfter = 1;
  EXPECT_TRUE(enumerate(Collect, reinterpret_cast<LPARAM>(&stopped)));
  EXPECT_EQ(stopped.indexes.size(), 1u);

  power.FailEnumerationAfter(2);
  Seen failed;
  EXPECT_FALSE(enumerate(Collect, reinterpret_cast<LPARAM>(&failed)));
  EXPECT_EQ(failed.indexes, (std::vector<UINT>{0, 3}));
  power.FailEnumerationAfter(3);
  Seen allThenFail;
  EXPECT_FALSE(enumerate(Collect, reinterpret_cast<LPARAM>(&allThenFail)));
  EXPECT_EQ(allThenFail.indexes.size(), 3u);
  EXPECT_EQ(power.EnumerationCalls(), 3);
}

TEST(PowerProfile, ActiveSchemeIsReadAndSetAndEverySetIsLogged) {
  sim::Desktop desktop;
  PowerProfileModel& power = ThreeSchemes();
  HMODULE library = LoadLibraryA("powrprof.dll");
  auto getActive = Resolve<GetActiveFunction>(library, "GetActivePwrScheme");
  auto setActive = Resolve<SetActiveFunction>(library, "SetActivePwrScheme");
  UINT active = 99;
  EXPECT_TRUE(getActive(&active));
  EXPECT_EQ(active, 3u);
  power.FailGetActive(true);
  active = 99;
  EXPECT_FALSE(getActive(&active));
  EXPECT_EQ(active, 99u);

  desktop.RunFor(sim::Ms(250));
  EXPECT_TRUE(setActive(5, nullptr, nullptr));
  EXPECT_EQ(power.ActiveIndex(), 5u);
  int policy = 0;
  EXPECT_FALSE(setActive(4, nullptr, &policy));  // no such scheme
  EXPECT_EQ(power.ActiveIndex(), 5u);
  ASSERT_EQ(power.Activations().size(), 2u);
  EXPECT_EQ(power.Activations()[0].time, sim::Ms(250));
  EXPECT_TRUE(power.Activations()[0].globalPolicyNull && power.Activations()[0].policyNull);
  EXPECT_TRUE(power.Activations()[0].ok);
  EXPECT_FALSE(power.Activations()[1].policyNull);
  EXPECT_FALSE(power.Activations()[1].ok);
}

TEST(PowerProfile, EntryPointsCanBeTakenAway) {
  sim::Desktop desktop;
  PowerProfileModel& power = sim::InstallPowerProfile();
  power.RemoveEntryPoint("GetActivePwrScheme");
  power.RemoveEntryPoint("SetActivePwrScheme");
  HMODULE library = LoadLibraryA("powrprof.dll");
  EXPECT_NE(GetProcAddress(library, "EnumPwrSchemes"), nullptr);
  EXPECT_EQ(GetProcAddress(library, "GetActivePwrScheme"), nullptr);
  EXPECT_EQ(GetProcAddress(library, "SetActivePwrScheme"), nullptr);
  EXPECT_NE(GetProcAddress(library, "WritePwrScheme"), nullptr);
  EXPECT_EQ(power.WriteCalls(), 0);
}

}  // namespace
