#include "dispatcher/program_state.h"

namespace plimset {
namespace {

PROCESS_GLOBAL ProgramState state = {{0}, {0}, nullptr, nullptr, INVALID_HANDLE_VALUE, 0, 0};

}  // namespace

ProgramState& State() { return state; }

}  // namespace plimset
