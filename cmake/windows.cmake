# The Windows program and its packages, included by cmake/package.cmake on Windows: the program's
# icon and version information as resources (cmake/windows-resources.cmake); a zip,
# room-planner-<version>-win64.zip, of the program, the freeglut DLL it runs with, the README and
# the licence, side by side in one folder; and an installer of the same files.

include(cmake/windows-resources.cmake)

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
# Packed as one whole, of the component windows alone.
set(CPACK_MONOLITHIC_INSTALL ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_CURRENT_BINARY_DIR};${PROJECT_NAME};windows;/")

# Beside the zip, an installer made with NSIS (makensis), room-planner-<version>-win64.exe: per
# machine into Program Files\room-planner (the template asks for administrator rights and then
# installs for all users), a Start menu entry, and an uninstaller registered in Apps and features
# with the program's name, version, publisher and icon; /S installs and uninstalls without a
# question. The PATH is left as it is and nothing asks for a restart.
list(APPEND CPACK_GENERATOR NSIS)
# The commands for the installer's script below hold backslashes and quotes: cpack gets the values
# as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
# A 64-bit installer for the 64-bit program: Program Files and the registry of 64-bit programs are
# its own, and no 32-bit support is needed to run it. NSIS's default is a 32-bit installer. The
# generator puts these lines at the head of the script only where the package is monolithic, as it
# is here; with components it writes its own.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY room-planner)
# Software\Microsoft\Windows\CurrentVersion\Uninstall\room-planner, and
# Software\<vendor>\room-planner for the install folder and the Start menu folder.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY room-planner)
set(CPACK_NSIS_PACKAGE_NAME "${ROOMPLANNER_DISPLAY_NAME}")
set(CPACK_NSIS_DISPLAY_NAME "${ROOMPLANNER_DISPLAY_NAME}")
set(CPACK_NSIS_INSTALLED_ICON_NAME room-planner.exe)
if(ROOMPLANNER_ICO)
  set(CPACK_NSIS_MUI_ICON ${ROOMPLANNER_ICO})
  set(CPACK_NSIS_MUI_UNIICON ${ROOMPLANNER_ICO})
endif()
# The Start menu entry, which shows the program's own icon. The uninstaller removes it from the
# folder the Start menu page chose as well as from the default one.
set(menu_entry "${ROOMPLANNER_DISPLAY_NAME}.lnk")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\${menu_entry}\" \"$INSTDIR\\room-planner.exe\"")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\${menu_entry}\"")
# The key of the vendor, which holds that of the program, goes too where no other program of the
# vendor's has a key in it.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "  DeleteRegKey SHCTX \"Software\\${ROOMPLANNER_VENDOR}\\room-planner\"
  DeleteRegKey /ifempty SHCTX \"Software\\${ROOMPLANNER_VENDOR}\"")
