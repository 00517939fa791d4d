// The simulated notebook: runs the default tour and prints its timeline.
#include <cstdio>

#include "notebook/tour.h"

int main() {
  std::printf(
      "The simulated notebook: plimset and kelvane on a simulated Windows desktop (virtual time)\n\n");
  for (const std::string& line : notebook::RunTour()) std::printf("%s\n", line.c_str());
  return 0;
}
