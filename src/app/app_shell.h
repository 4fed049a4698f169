// The application shell: the command line, start-up, window, lighting and the registration of
// every callback.
#pragma once

// A directional light from (5, 5, 10), fixed relative to the eye.
inline constexpr float light0Position[4] = {5, 5, 10, 0};

inline constexpr const char *windowTitle = "La Quellmar. Alumno: Tobias Wrennick";

// Light 0 and the capabilities that stay on for the whole run.
void initLighting();

// Everything start-up does before the main loop: toolkit, window, lighting, menu and callbacks.
// Returns the window id. Ends the process with status 1 and a message if no window can be
// created.
int startUp();

// The two options the program reads, --help and --version; any other argument is ignored, and
// the toolkit never sees the command line. Prints the usage for --help or the version for
// --version, whichever comes first, to standard output. Returns the exit status when one of them
// was given (0, or 1 if the text could not be written), and -1 when neither was, so that the
// program opens its window as usual.
int handleCommandLine(int argc, char **argv);
