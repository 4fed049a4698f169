# The Windows program and its package, included by cmake/package.cmake on Windows. The package is
# a zip, room-planner-<version>-win64.zip: the program, the freeglut DLL it runs with, the README
# and the licence, side by side in one folder.

if(MINGW)
  # libgcc, libstdc++ and winpthreads linked into the program: it needs no MinGW DLL at run time.
  target_link_options(room-planner PRIVATE -static)
endif()

install(TARGETS room-planner RUNTIME DESTINATION . COMPONENT windows)
if(roomplanner_glut STREQUAL FreeGLUT::freeglut)
  install(FILES $<TARGET_FILE:FreeGLUT::freeglut> DESTINATION . COMPONENT windows)
elseif(roomplanner_glut STREQUAL GLUT::GLUT)
  message(NOTICE "GLUT was found without a CMake package that names its DLL: the zip holds none")
endif()
install(FILES README.md LICENSE DESTINATION . COMPONENT windows)
set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL windows)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
