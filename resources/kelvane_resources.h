// The resources of kelvane for the simulated desktop (the Linux build); the
// Windows build compiles kelvane.rc instead. Both come from kelvane_ids.h.
#pragma once

#include "platform/sim/desktop.h"

const sim::ResourceTable& KelvaneResources();
