#include "notebook/companions.h"

namespace notebook {

const CompanionWindow& WindowOf(Companion companion) {
  static const CompanionWindow kWindows[] = {
      {"FactoryTestClass", "Factory Testing Programing - KT3", "factory test program"},
      {"WIN32TEST", "volumeMeter", "volume meter"},
      {"NorvoZOLBEXClass", "Zolbex", "multimedia-key utility"},
      {"WirelessButtonClass", "Wireless Button Status", "wireless utility"},
      {"#32770", "Kedrin", "launch utility"},
  };
  return kWindows[static_cast<int>(companion)];
}

sim::FakeWindow& StartCompanion(sim::Desktop& desktop, Companion companion) {
  const CompanionWindow& window = WindowOf(companion);
  return desktop.AddFakeWindow(window.className, window.title);
}

}  // namespace notebook
