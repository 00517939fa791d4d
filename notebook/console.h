// The interactive notebook: commands from a terminal, a file or standard
// input drive the simulated notebook, and its timeline is printed as it
// happens. Time is virtual and moves only when a command lets it.
#pragma once

#include <iostream>

namespace notebook {

// Reads commands until "quit" or the end of the input; `prompt` shows a
// prompt before each command (for a terminal). Returns 0, or 1 after a
// command that could not be understood when reading a script.
int RunConsole(std::istream& in, std::ostream& out, bool prompt);

}  // namespace notebook
