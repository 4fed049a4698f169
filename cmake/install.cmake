# The installed files, laid out like any desktop program's: the program, its desktop entry, icons
# and AppStream metadata under one application id, the manual page, and the README, changelog and
# licence. The changelog's newest entry gives the release and its date.

include(GNUInstallDirs)
set(APP_ID org.roomplanner.RoomPlanner)
set(ROOMPLANNER_MAINTAINER "room-planner maintainers <maintainers@roomplanner.org>")
set(ROOMPLANNER_VENDOR "The room-planner authors")
# The name people see, as the desktop entry gives it: on Windows the product name, and the name in
# the Start menu and in Apps and features.
set(ROOMPLANNER_DISPLAY_NAME "Room Planner")
# The licence's copyright line, after "Copyright (c) ": the Debian copyright file's, and the
# Windows program's LegalCopyright.
file(READ LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" _ "${licence}")
set(LICENSE_COPYRIGHT ${CMAKE_MATCH_1})

# The changelog's newest entry is the release: its version must be the project's, its date is the
# release date of the AppStream metadata and the manual page, and its time the time stamp of every
# file in the packages. dpkg-parsechangelog reads it; without it, all three are left out.
include(cmake/changelog.cmake)
changelog_release(data/changelog)
if(NOT CHANGELOG_VERSION)
  message(NOTICE "dpkg-parsechangelog (dpkg-dev) not found: the release's date in the manual \
page and the metadata, and its time on the packages' files, skipped")
elseif(NOT CHANGELOG_VERSION STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "data/changelog's newest entry is for version ${CHANGELOG_VERSION}, not \
${PROJECT_VERSION}: add an entry for the new version")
endif()
set(ROOMPLANNER_RELEASE_DATE ${CHANGELOG_DATE})
set(ROOMPLANNER_SOURCE_DATE_EPOCH ${CHANGELOG_EPOCH})
set(METAINFO_RELEASE_DATE "")
if(CHANGELOG_DATE)
  set(METAINFO_RELEASE_DATE " date=\"${CHANGELOG_DATE}\"")
endif()
set(ROOMPLANNER_PICTURE_URL ""
    CACHE STRING "Web address of the folder that holds the README's pictures (docs/); where set, \
the AppStream metadata shows the plan-view picture as the program's screenshot")
set(METAINFO_SCREENSHOTS "")
if(ROOMPLANNER_PICTURE_URL)
  string(CONCAT METAINFO_SCREENSHOTS "\n  <screenshots>\n    <screenshot type=\"default\">\n"
                "      <caption>A furnished room in the plan view</caption>\n"
                "      <image>${ROOMPLANNER_PICTURE_URL}/plan-view.png</image>\n"
                "    </screenshot>\n  </screenshots>")
endif()
configure_file(data/${APP_ID}.metainfo.xml.in ${APP_ID}.metainfo.xml @ONLY)

install(TARGETS room-planner RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(UNIX AND NOT APPLE AND CMAKE_STRIP)
  # A stripped install (cpack, cmake --install --strip) also drops the compilers' version strings
  # of the .comment section, as Debian's packaging tools do.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/room-planner\"
      RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR \"strip --remove-section=.comment failed: \${failed}\")
    endif()
  endif()")
endif()
install(FILES data/${APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS icon_sizes)
  install(FILES data/icons/room-planner-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${APP_ID}.png)
endforeach()
if(UNIX AND NOT APPLE)
  # Laid out as Debian expects: the licence as the machine-readable copyright file, and the README,
  # the changelog and the manual page compressed with gzip -9n (no name, no time stamp, so that
  # the same text always gives the same file). Compressed when CMake runs, which it does again
  # whenever one of them changes.
  set(doc ${CMAKE_CURRENT_BINARY_DIR}/doc)
  string(FIND "${licence}" "Permission is hereby granted" start)
  string(SUBSTRING "${licence}" ${start} -1 LICENSE_TEXT)
  string(STRIP "${LICENSE_TEXT}" LICENSE_TEXT)
  string(REPLACE "\n\n" "\n.\n" LICENSE_TEXT "${LICENSE_TEXT}")
  string(REPLACE "\n" "\n " LICENSE_TEXT " ${LICENSE_TEXT}")
  configure_file(data/copyright.in ${doc}/copyright @ONLY)
  configure_file(README.md ${doc}/README.md COPYONLY)
  configure_file(data/changelog ${doc}/changelog COPYONLY)
  configure_file(data/room-planner.1.in ${doc}/room-planner.1 @ONLY)
  find_program(GZIP gzip REQUIRED)
  foreach(file README.md changelog room-planner.1)
    execute_process(COMMAND ${GZIP} -9nkf ${doc}/${file} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip ${doc}/${file} failed: ${failed}")
    endif()
  endforeach()
  install(FILES ${doc}/copyright ${doc}/README.md.gz ${doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${doc}/room-planner.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
# The README's pictures, so that its links work in the installed copy too.
install(FILES docs/plan-view.png docs/perspective-view.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
