# The libraries the program draws with: OpenGL, GLU and GLUT, and on X11 with GLX also Xlib.
# Sets roomplanner_gl and roomplanner_glut to what the program links, and
# roomplanner_glut_h_missing where freeglut installs no GL/glut.h.

# GLX asks the X11 driver for swap control; without it frames are paced by the timer alone.
if(UNIX AND NOT APPLE)
  set(glx_by_default ON)
else()
  set(glx_by_default OFF)
endif()
option(ROOMPLANNER_GLX "Ask the GLX driver for one buffer swap per display refresh" ${glx_by_default})

set(OpenGL_GL_PREFERENCE GLVND)
if(ROOMPLANNER_GLX)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  # The window's class and icon for the desktop are X11 properties.
  find_package(X11 REQUIRED)
  set(roomplanner_gl OpenGL::GL OpenGL::GLU OpenGL::GLX X11::X11)
else()
  find_package(OpenGL REQUIRED)
  if(TARGET OpenGL::OpenGL)
    # With GLVND, OpenGL::GL and OpenGL::GLU bring libGLX along: take libOpenGL and GLU alone.
    set(roomplanner_gl OpenGL::OpenGL ${OPENGL_glu_LIBRARY})
  else()
    set(roomplanner_gl OpenGL::GL OpenGL::GLU)
  endif()
endif()
if(NOT OPENGL_GLU_FOUND)
  message(FATAL_ERROR "GLU, the OpenGL utility library, was not found")
endif()

# GLUT: freeglut's own CMake package where one is installed (freeglut's own build installs it, and
# Debian's libglut-dev has one too), otherwise CMake's FindGLUT.
find_package(FreeGLUT CONFIG QUIET)
if(TARGET FreeGLUT::freeglut)
  # A shared freeglut is linked with its own libraries already. Some packages also name them as
  # the target's link libraries (Debian's: X11, Xi, Xxf86vm and libGL), which would make the
  # program depend on them directly, GLX included: the program links the library alone.
  set_property(TARGET FreeGLUT::freeglut PROPERTY INTERFACE_LINK_LIBRARIES "")
  set(roomplanner_glut FreeGLUT::freeglut)
elseif(TARGET FreeGLUT::freeglut_static)
  # Brings FREEGLUT_STATIC and the libraries freeglut itself needs.
  set(roomplanner_glut FreeGLUT::freeglut_static)
else()
  find_package(GLUT REQUIRED)
  set(roomplanner_glut GLUT::GLUT)
endif()
# freeglut built without FREEGLUT_REPLACE_GLUT (its default on Windows) installs no GL/glut.h; the
# program then includes GL/freeglut_std.h, the part of freeglut's headers that GL/glut.h holds.
set(roomplanner_glut_h_missing OFF)
if(NOT roomplanner_glut STREQUAL GLUT::GLUT)
  set(roomplanner_glut_h_missing ON)
  get_target_property(glut_include_dirs ${roomplanner_glut} INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir IN LISTS glut_include_dirs)
    if(EXISTS "${dir}/GL/glut.h")
      set(roomplanner_glut_h_missing OFF)
    endif()
  endforeach()
endif()
message(STATUS "GLUT: ${roomplanner_glut}")
