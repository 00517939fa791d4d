// The resources of plimset for the simulated desktop (the Linux build); the
// Windows build compiles plimset.rc instead. Both come from plimset_ids.h.
#pragma once

#include "platform/sim/desktop.h"

const sim::ResourceTable& PlimsetResources();
