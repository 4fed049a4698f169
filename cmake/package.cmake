# `make package` (or cpack in the build folder) writes room-planner_<version>_<architecture>.deb
# here. dpkg-shlibdeps derives its dependencies from the libraries the program links. `make
# package` builds the program alone and runs cpack; the `package` target builds everything first.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME room-planner)
set(CPACK_PACKAGE_VENDOR "The room-planner authors")
set(CPACK_PACKAGE_CONTACT "${ROOMPLANNER_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ROOMPLANNER_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Room Planner furnishes a square room with tables, chairs, wardrobes,\n\
bedside tables, shelf units, sofas and beds. Pieces are placed and dragged\n\
in a top-down plan view; a piece dropped onto another is taken away again.\n\
A perspective view orbits the furnished room, and a click on a wardrobe door\n\
or on a drawer swings or slides it open and shut again.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(WIN32)
  include(cmake/windows.cmake)
endif()
include(CPack)
