// kelvane as the simulated desktop starts it: the static objects, the entry
// and the resources.
#include "switcher/sim_program.h"

#include "resources/kelvane_resources.h"
#include "switcher/kelvane.h"

namespace kelvane {

const sim::ProgramImage& SimProgram() {
  static const sim::ProgramImage image{"kelvane", WinMain, BuildStatics, &KelvaneResources()};
  return image;
}

}  // namespace kelvane
