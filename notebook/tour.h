// The default tour of the simulated notebook: the dispatcher at work with
// its companions and the power-scheme switcher, a key for each kind of
// action, one utility missing, three presses of the power-scheme key.
#pragma once

#include <string>
#include <vector>

namespace notebook {

// Runs the tour on a fresh desktop and returns its timeline.
std::vector<std::string> RunTour();

}  // namespace notebook
