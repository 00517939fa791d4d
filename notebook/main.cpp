// The simulated notebook. Without arguments it runs the default tour and
// prints its timeline; with --interactive it takes commands from the
// terminal, and with --script FILE (or - for standard input) from a file.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "notebook/console.h"
#include "notebook/tour.h"

int main(int argc, char** argv) {
  if (argc == 1) {
    std::printf(
        "The simulated notebook: plimset and kelvane on a simulated Windows desktop (virtual time)\n\n");
    for (const std::string& line : notebook::RunTour()) std::printf("%s\n", line.c_str());
    return 0;
  }
  if (argc == 2 && (strcmp(argv[1], "--interactive") == 0 || strcmp(argv[1], "-i") == 0)) {
    return notebook::RunConsole(std::cin, std::cout, isatty(STDIN_FILENO) != 0);
  }
  if (argc == 3 && strcmp(argv[1], "--script") == 0) {
    if (strcmp(argv[2], "-") == 0) return notebook::RunConsole(std::cin, std::cout, false);
    std::ifstream script(argv[2]);
    if (!script) {
      std::fprintf(stderr, "cannot read %s\n", argv[2]);
      return 2;
    }
    return notebook::RunConsole(script, std::cout, false);
  }
  std::fprintf(stderr, "usage: %s [--interactive | --script FILE|-]\n", argv[0]);
  return 2;
}
