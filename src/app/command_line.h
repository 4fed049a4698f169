// The two options the program reads, --help and --version. Any other argument is ignored, and
// the toolkit never sees the command line.
#pragma once

// Prints the usage for --help or the version for --version, whichever comes first, to standard
// output. Returns the exit status when one of them was given (0, or 1 if the text could not be
// written), and -1 when neither was, so that the program opens its window as usual.
int handleCommandLine(int argc, char **argv);
