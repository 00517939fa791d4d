// The registry of the simulated desktop: one HKEY_LOCAL_MACHINE tree shared
// by every program, reached through RegOpenKeyA, RegCreateKeyA,
// RegQueryValueExA, RegSetValueExA and RegCloseKey.
//
// Contract: key paths use backslashes and compare without case; the test
// side names keys relative to HKEY_LOCAL_MACHINE ("Software\Vantrel").
// RegOpenKeyA fails with ERROR_FILE_NOT_FOUND for a missing key; with a null
// or empty subkey it hands back the key it was given. RegCreateKeyA creates
// every missing key on the path. Each successful open or create of a subkey
// gives a new handle, to be closed once with RegCloseKey; closing a handle
// again, or one never issued, returns ERROR_INVALID_HANDLE and counts as a
// fault. RegQueryValueExA follows Win32: a null lpData asks for the size; a
// buffer too short gives ERROR_MORE_DATA with the needed size, and then the
// buffer is left untouched; strings come back exactly as stored, terminated
// only if they were stored with their terminator. RegSetValueExA stores the
// bytes as given. Other predefined roots than HKEY_LOCAL_MACHINE are not
// modelled (ERROR_INVALID_HANDLE). Every call is logged and noted in the trace.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desktop.h"

namespace sim {
namespace registry {

struct Value {
  DWORD type;
  std::string data;  // the raw bytes
};

void CreateKey(const std::string& keyPath);
// Creates the key as needed and stores `text` with its terminating zero, REG_SZ.
void SetString(const std::string& keyPath, const std::string& valueName, const std::string& text);
// Creates the key as needed and stores raw bytes of any type.
void SetValue(const std::string& keyPath, const std::string& valueName, DWORD type, const std::string& data);
bool KeyExists(const std::string& keyPath);
std::optional<Value> GetValue(const std::string& keyPath, const std::string& valueName);
// A REG_SZ value's text up to its first zero; nullopt when absent.
std::optional<std::string> GetString(const std::string& keyPath, const std::string& valueName);

struct Call {
  enum Op { kOpen, kCreate, kQuery, kSet, kClose };
  Nanos time;
  int pid;
  Op op;
  std::string key;    // full path of the key below HKEY_LOCAL_MACHINE ("" for the root)
  std::string value;  // value name, for queries and sets
  LONG result;
  HKEY handle;       // the handle opened, created, used or closed
  DWORD type;        // set: the type given; query: the type found
  std::string data;  // set: the bytes given; query: the bytes delivered
  DWORD size;        // query: *lpcbData on return; set: cbData
};
const std::vector<Call>& Log();

// Handles now open.
int OpenKeyCount();
// Every handle ever issued, in order.
std::vector<HKEY> IssuedHandles();
// How often a handle was given to RegCloseKey (successful or not).
int CloseCount(HKEY handle);
// Closes of handles already closed or never issued.
int CloseFaults();
// True when every issued handle was closed exactly once and nothing else was closed.
bool AllClosedOnce();

}  // namespace registry
}  // namespace sim
