#include "app/app_shell.h"
#include "platform/frames.h"
#include "platform/opengl.h"

int main() {
  startUp();
  enableFramePacing();
  glutMainLoop();
  return 0;
}
