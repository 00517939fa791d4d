#include "notebook/console.h"

#include <strings.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "notebook/keys.h"
#include "notebook/notebook.h"
#include "notebook/popup_view.h"
#include "notebook/timeline.h"
#include "platform/sim/powrprof.h"
#include "platform/sim/state.h"

namespace notebook {
namespace {

const char kHelp[] =
    "Commands (time is virtual and moves only with press and wait):\n"
    "  press KEY...        press keys 400 ms apart, then let 600 ms pass; a KEY is a\n"
    "                      number (0-255) or fn+f1, fn+f2, fn+f3, fn+f12, mute,\n"
    "                      volume-down, volume-up, play, stop, next, previous\n"
    "  wait TIME           let time pass: 500ms, 3s, 2.5s (a plain number is ms)\n"
    "  ok | cancel         answer the message box opened last\n"
    "  start NAME          a companion's window appears: launcher, volume, media,\n"
    "  stop NAME           wireless, factory; stop makes it go\n"
    "  popup               draw the Power Scheme popup, if it is open\n"
    "  status              programs, companions, open boxes, active power scheme\n"
    "  help                this text\n"
    "  quit                end\n";

std::ostream* g_out = nullptr;
void Print(const std::string& line) { *g_out << line << "\n"; }

bool ParseDuration(const std::string& text, sim::Nanos* span) {
  char* end = nullptr;
  const double value = strtod(text.c_str(), &end);
  if (end == text.c_str() || value < 0) return false;
  const std::string unit = end;
  if (unit.empty() || unit == "ms") {
    *span = static_cast<sim::Nanos>(value * 1e6);
  } else if (unit == "s") {
    *span = static_cast<sim::Nanos>(value * 1e9);
  } else {
    return false;
  }
  return true;
}

bool ParseCompanion(const std::string& text, Companion* companion) {
  static const struct {
    const char* name;
    Companion companion;
  } kNames[] = {{"launcher", Companion::kLauncher},
                {"volume", Companion::kVolumeMeter},
                {"media", Companion::kMediaKeys},
                {"wireless", Companion::kWireless},
                {"factory", Companion::kFactoryTest}};
  for (const auto& entry : kNames) {
    if (strcasecmp(text.c_str(), entry.name) == 0) {
      *companion = entry.companion;
      return true;
    }
  }
  return false;
}

class Console {
 public:
  ~Console() {
    notebook_.desktop().Note("the user logs off: both programs are asked to end");
    notebook_.EndPrograms();
  }

  explicit Console(std::ostream& out) : out_(out) {
    FollowTimeline(notebook_.desktop(), Print);
    for (Companion c :
         {Companion::kLauncher, Companion::kVolumeMeter, Companion::kMediaKeys, Companion::kWireless}) {
      notebook_.StartCompanion(c);
    }
    notebook_.StartPrograms();
    notebook_.desktop().RunFor(sim::Ms(100));
  }

  // Carries out one command line; false for "quit".
  bool Run(const std::string& line, bool* understood) {
    std::istringstream words(line);
    std::string command;
    std::vector<std::string> args;
    words >> command;
    for (std::string arg; words >> arg;) args.push_back(arg);
    *understood = true;
    if (command.empty() || command[0] == '#') return true;
    if (command == "quit" || command == "exit") return false;
    if (command == "help") {
      out_ << kHelp;
    } else if (command == "press" && !args.empty()) {
      *understood = Press(args);
    } else if (command == "wait" && args.size() == 1) {
      sim::Nanos span;
      *understood = ParseDuration(args[0], &span);
      if (*understood) desktop().RunFor(span);
    } else if ((command == "ok" || command == "cancel") && args.empty()) {
      Answer(command == "ok" ? IDOK : IDCANCEL);
    } else if ((command == "start" || command == "stop") && args.size() == 1) {
      Companion companion;
      *understood = ParseCompanion(args[0], &companion);
      if (*understood && command == "start") notebook_.StartCompanion(companion);
      if (*understood && command == "stop") notebook_.StopCompanion(companion);
    } else if (command == "popup") {
      DrawOpenPopup();
    } else if (command == "status") {
      Status();
    } else {
      *understood = false;
    }
    if (!*understood) out_ << "not understood: " << line << " (try help)\n";
    return true;
  }

 private:
  sim::Desktop& desktop() { return notebook_.desktop(); }

  bool Press(const std::vector<std::string>& names) {
    std::vector<std::pair<WORD, std::string>> keys;
    for (const std::string& name : names) {
      WORD number;
      std::string label;
      if (!ParseKey(name, &number, &label)) return false;
      keys.emplace_back(number, label);
    }
    for (size_t i = 0; i < keys.size(); ++i) {
      notebook_.PressKey(keys[i].first, keys[i].second);
      desktop().RunFor(sim::Ms(i + 1 < keys.size() ? 400 : 600));
    }
    return true;
  }

  void Answer(int answer) {
    const std::vector<sim::BoxRecord> open = desktop().OpenBoxes();
    if (open.empty()) {
      out_ << "no box is open\n";
      return;
    }
    desktop().AnswerBox(open.back().id, answer);
    desktop().RunFor(sim::Ms(10));
  }

  void DrawOpenPopup() {
    HWND popup = desktop().Find("NorvoKelvaneClass1", "Power Scheme");
    const std::vector<HWND> children = popup ? desktop().ChildrenOf(popup) : std::vector<HWND>();
    if (children.empty()) {
      out_ << "the popup is not open\n";
      return;
    }
    for (const std::string& row :
         DrawPopup("Power Scheme", sim::ListBoxItems(children[0]), sim::ListBoxSelection(children[0]))) {
      out_ << "  " << row << "\n";
    }
  }

  void Status() {
    out_ << "virtual time " << static_cast<double>(desktop().Now()) / 1e9 << " s\n";
    for (int pid = 1; pid <= 2; ++pid) {
      const sim::Process& process = desktop().ProcessOf(pid);
      out_ << "  " << process.name << (desktop().IsRunning(pid) ? ": running" : ": ended") << "\n";
    }
    for (Companion c : {Companion::kLauncher, Companion::kVolumeMeter, Companion::kMediaKeys,
                        Companion::kWireless, Companion::kFactoryTest}) {
      out_ << "  " << WindowOf(c).description << (notebook_.IsRunning(c) ? ": running" : ": not running")
           << "\n";
    }
    for (const sim::BoxRecord& box : desktop().OpenBoxes()) out_ << "  open box: \"" << box.text << "\"\n";
    const sim::PowerProfileModel& power = sim::InstallPowerProfile();
    for (const auto& scheme : power.Schemes()) {
      if (scheme.index == power.ActiveIndex()) out_ << "  active power scheme: \"" << scheme.name << "\"\n";
    }
  }

  Notebook notebook_;
  std::ostream& out_;
};

}  // namespace

int RunConsole(std::istream& in, std::ostream& out, bool prompt) {
  g_out = &out;
  bool allUnderstood = true;
  {
    // The programs' last lines (their ends) print while the console goes.
    Console console(out);
    if (prompt) out << "Type help for the commands.\n";
    std::string line;
    for (;;) {
      if (prompt) out << "> " << std::flush;
      if (!std::getline(in, line)) break;
      if (!prompt && !line.empty()) out << "> " << line << "\n";
      bool understood = true;
      const bool more = console.Run(line, &understood);
      allUnderstood &= understood;
      if (!more) break;
    }
  }
  g_out = nullptr;
  return prompt || allUnderstood ? 0 : 1;
}

}  // namespace notebook
