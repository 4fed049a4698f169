// The GLUT, OpenGL and GLU headers, from wherever the platform keeps them. The program uses only
// what every GLUT implementation offers, and where the GLUT is freeglut, its error callback.
#pragma once

#if defined(__APPLE__)
#define GL_SILENCE_DEPRECATION // Apple marks its OpenGL and GLUT deprecated
#include <GLUT/glut.h>
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#else
#if defined(ROOMPLANNER_FREEGLUT_STD_H)
// A freeglut installed without GL/glut.h (CMake defines this): the header GL/glut.h would include.
#include <GL/freeglut_std.h>
#else
#include <GL/glut.h> // includes <windows.h> first where OpenGL's headers need it
#endif
#if defined(FREEGLUT)
#include <GL/freeglut_ext.h> // freeglut's additions: its error callback
#endif
#include <GL/gl.h>
#include <GL/glu.h>
#endif
