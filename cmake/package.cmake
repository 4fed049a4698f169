# `make package` (or cpack in the build folder) writes room-planner_<version>_<architecture>.deb
# here. dpkg-shlibdeps derives its dependencies from the libraries the program links. `make
# package` builds the program alone and runs cpack; the `package` target builds everything first.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME room-planner)
set(CPACK_PACKAGE_VENDOR "${ROOMPLANNER_VENDOR}")
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
# Every file in the packages, and the packages' own archives, carry the release's time, so that
# the same sources give the same package, byte for byte, wherever and whenever they are packed:
# cmake/cpack-project-config.cmake sets SOURCE_DATE_EPOCH for cpack from this value, the time of
# the changelog's newest entry, where it is not set already.
set(CPACK_ROOMPLANNER_SOURCE_DATE_EPOCH ${ROOMPLANNER_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cmake/cpack-project-config.cmake)
if(WIN32)
  include(cmake/windows.cmake)
endif()
include(CPack)
