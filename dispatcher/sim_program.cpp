// plimset as the simulated desktop starts it: the entry and the resources.
#include "dispatcher/sim_program.h"

#include "dispatcher/plimset.h"
#include "resources/plimset_resources.h"

namespace plimset {

const sim::ProgramImage& SimProgram() {
  static const sim::ProgramImage image{"plimset", WinMain, nullptr, &PlimsetResources()};
  return image;
}

}  // namespace plimset
