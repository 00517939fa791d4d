// Stand-ins for the notebook's companion utilities on the simulated desktop:
// windows with the class and title by which the dispatcher finds them, each
// recording every message it receives.
#pragma once

#include "platform/sim/desktop.h"

namespace notebook {

enum class Companion { kFactoryTest, kVolumeMeter, kMediaKeys, kWireless, kLauncher };

struct CompanionWindow {
  const char* className;
  const char* title;
  const char* description;
};

const CompanionWindow& WindowOf(Companion companion);

// Opens the companion's window on the desktop.
sim::FakeWindow& StartCompanion(sim::Desktop& desktop, Companion companion);

}  // namespace notebook
