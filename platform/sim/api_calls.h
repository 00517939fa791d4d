// Counts the Win32 calls each program makes on the simulated desktop, by
// function name. Only the program's own calls count: a call that the desktop
// makes inside another (DefWindowProcA destroying a window) does not.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sim {

// Marks one Win32 function of the desktop for the time it runs.
class ApiCall {
 public:
  explicit ApiCall(const char* name);
  ~ApiCall();
  ApiCall(const ApiCall&) = delete;
  ApiCall& operator=(const ApiCall&) = delete;
};

// Marks the time the desktop calls back into a program (a window procedure,
// an enumeration callback): calls made from there are the program's again.
class ProgramCallback {
 public:
  ProgramCallback();
  ~ProgramCallback();
  ProgramCallback(const ProgramCallback&) = delete;
  ProgramCallback& operator=(const ProgramCallback&) = delete;

 private:
  int savedDepth_;
};

#define SIM_API_CALL() ::sim::ApiCall simApiCall(__func__)

// The calls a program has made so far, by function name.
std::map<std::string, uint64_t> ApiCallsOf(int pid);
// Whether the calling thread is inside a Win32 function of the desktop (so
// that, for example, an allocation there is the desktop's, not the program's).
bool InsideApiCall();

}  // namespace sim
