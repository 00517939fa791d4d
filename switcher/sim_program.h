// kelvane as the simulated desktop starts it (Linux build only).
#pragma once

#include "platform/sim/desktop.h"

namespace kelvane {

const sim::ProgramImage& SimProgram();

}  // namespace kelvane
