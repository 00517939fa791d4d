// plimset as the simulated desktop starts it (Linux build only).
#pragma once

#include "platform/sim/desktop.h"

namespace plimset {

const sim::ProgramImage& SimProgram();

}  // namespace plimset
