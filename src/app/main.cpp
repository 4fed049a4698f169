#include "app/app_shell.h"

#include <GL/freeglut.h>

int main() {
  startUp();
  enableFramePacing();
  glutMainLoop();
  return 0;
}
