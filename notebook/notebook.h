// The simulated notebook: a desktop with the key driver, the switcher's
// driver and service, the power-profile library with the usual schemes, the
// companion utilities, and both programs started as at logon.
#pragma once

#include <string>

#include "notebook/companions.h"
#include "platform/sim/desktop.h"
#include "platform/sim/travok.h"

namespace notebook {

class Notebook {
 public:
  Notebook();

  sim::Desktop& desktop() { return desktop_; }
  sim::TravokModel& travok() { return *travok_; }

  // Starts kelvane, then plimset, from C:\Notebook.
  void StartPrograms();
  // Ends both programs as the user would: WM_CLOSE to plimset, File > Exit
  // (command 105) to kelvane.
  void EndPrograms();
  // The user presses a key: a note on the timeline, then the driver queues it.
  void PressKey(WORD key, const std::string& label);
  // The companion's window appears or goes.
  void StartCompanion(Companion companion);
  void StopCompanion(Companion companion);
  bool IsRunning(Companion companion) const;

 private:
  sim::Desktop desktop_;
  sim::TravokModel* travok_;
  sim::FakeWindow* companions_[5] = {};
};

}  // namespace notebook
