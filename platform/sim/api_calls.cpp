#include "platform/sim/api_calls.h"

#include "platform/sim/state.h"

namespace sim {
namespace {

thread_local int t_depth = 0;

struct ApiCallCounts {
  std::map<std::string, uint64_t> calls;
};

}  // namespace

ApiCall::ApiCall(const char* name) {
  if (t_depth++ == 0 && CurrentProcess()) ++ProcessArea<ApiCallCounts>().calls[name];
}

ApiCall::~ApiCall() { --t_depth; }

ProgramCallback::ProgramCallback() : savedDepth_(t_depth) { t_depth = 0; }

ProgramCallback::~ProgramCallback() { t_depth = savedDepth_; }

std::map<std::string, uint64_t> ApiCallsOf(int pid) {
  return Desktop::Current().ProcessOf(pid).areas.Get<ApiCallCounts>().calls;
}

bool InsideApiCall() { return t_depth > 0; }

}  // namespace sim
