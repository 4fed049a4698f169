#include "app/app_shell.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if !defined(ROOMPLANNER_VERSION)
#error "ROOMPLANNER_VERSION must hold the program's version, as the build sets it from the project"
#endif

constexpr const char *usage =
    "Usage: room-planner [--help | --version]\n"
    "\n"
    "Room Planner furnishes a square room with tables, chairs, wardrobes, bedside tables, shelf\n"
    "units, sofas and beds in a plan view, and shows it in 3D in a perspective view.\n"
    "\n"
    "Controls:\n"
    "  right button      menu: Visualizar (perspective view), the kind to place, Salir (quit)\n"
    "  left button       plan view: press to place a piece, drag to move it; a piece dropped\n"
    "                    onto another is taken away again\n"
    "                    perspective view: click a wardrobe door or a drawer to open and shut it\n"
    "  arrow keys, + -   turn the camera, move it closer or farther; z Z roll it\n"
    "  Escape            quit\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "The manual: man room-planner\n";

// Writes `text` to standard output and makes sure it got there: a full disk or a closed pipe is
// an error, not a success.
static int printAndExit(const char *what, const char *text) {
  std::fputs(text, stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "room-planner: cannot write the %s: %s\n", what, std::strerror(errno));
    return 1;
  }
  return 0;
}

int handleCommandLine(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      return printAndExit("help", usage);
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      return printAndExit("version", "room-planner " ROOMPLANNER_VERSION "\n");
    }
  }
  return -1;
}
