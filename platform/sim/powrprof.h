// A power-profile library for the simulated desktop: "powrprof.dll" with
// EnumPwrSchemes, GetActivePwrScheme, SetActivePwrScheme and WritePwrScheme.
//
// Contract: InstallPowerProfile registers the library with the module area
// (modules.h), so programs reach it through LoadLibraryA/GetProcAddress.
// EnumPwrSchemes calls the callback once per scheme, in the order given,
// synchronously, with the index, the name's size in bytes with its
// terminator, the name, the same for the description, a pointer to a zeroed
// policy block and the caller's LPARAM; a FALSE from the callback ends the
// enumeration (which still succeeds). Names are 16-bit text on Windows NT and
// 8-bit text on Windows 95/98/Me (the callback then gets a char* in the
// LPWSTR parameter), following the calling program's version unless a test
// fixes the width. GetActivePwrScheme gives the active index. SetActivePwrScheme
// makes a known index active and fails for an unknown one; every call is
// logged with both policy pointers' nullness. Failures a test can provoke:
// GetActivePwrScheme fails, EnumPwrSchemes fails after k schemes,
// SetActivePwrScheme fails, an entry point is missing.
#pragma once

#include <string>
#include <vector>

#include "desktop.h"

namespace sim {

class PowerProfileModel;
PowerProfileModel& InstallPowerProfile(const std::string& fileName);

// The enumeration callback as the library calls it.
typedef BOOLEAN(CALLBACK* PowerSchemeEnumProc)(UINT index, DWORD nameBytes, LPWSTR name,
                                               DWORD descriptionBytes, LPWSTR description, void* policy,
                                               LPARAM context);

class PowerProfileModel {
 public:
  enum class NameWidth { kFollowVersion, kWide, kNarrow };
  struct Scheme {
    UINT index;
    std::string name;  // UTF-8; 8-bit delivery passes the bytes as they are
    std::string description;
  };
  struct Activation {
    Nanos time;
    int pid;
    UINT index;
    bool globalPolicyNull;
    bool policyNull;
    bool ok;
  };

  void SetSchemes(const std::vector<Scheme>& schemes) { schemes_ = schemes; }
  const std::vector<Scheme>& Schemes() const { return schemes_; }
  void SetActiveIndex(UINT index) { active_ = index; }
  UINT ActiveIndex() const { return active_; }
  void SetNameWidth(NameWidth width) { width_ = width; }

  void FailGetActive(bool fail) { failGetActive_ = fail; }
  // EnumPwrSchemes delivers `count` schemes, then fails; -1: never fails.
  void FailEnumerationAfter(int count) { failEnumAfter_ = count; }
  void FailSetActive(bool fail) { failSetActive_ = fail; }
  // Takes an entry point out of the library's export table.
  void RemoveEntryPoint(const std::string& name);

  const std::vector<Activation>& Activations() const { return activations_; }
  int EnumerationCalls() const { return enumCalls_; }
  int GetActiveCalls() const { return getActiveCalls_; }
  int WriteCalls() const { return writeCalls_; }

 private:
  friend struct PowerProfileEntries;
  friend PowerProfileModel& InstallPowerProfile(const std::string& fileName);
  std::string fileName_;
  std::vector<Scheme> schemes_;
  UINT active_ = 0;
  NameWidth width_ = NameWidth::kFollowVersion;
  bool failGetActive_ = false;
  int failEnumAfter_ = -1;
  bool failSetActive_ = false;
  std::vector<Activation> activations_;
  int enumCalls_ = 0;
  int getActiveCalls_ = 0;
  int writeCalls_ = 0;
};

// Registers the library under `fileName` with all four entry points and
// returns its model; a second call returns the same model.
PowerProfileModel& InstallPowerProfile(const std::string& fileName);
inline PowerProfileModel& InstallPowerProfile() { return InstallPowerProfile("powrprof.dll"); }

}  // namespace sim
