#include "app/app_shell.h"
#include "platform/platform.h"
#include "platform/opengl.h"

int main(int argc, char **argv) {
  const int optionStatus = handleCommandLine(argc, argv);
  if (optionStatus >= 0) {
    return optionStatus;
  }
  startUp();
  enableFramePacing();
  glutMainLoop();
  return 0;
}
