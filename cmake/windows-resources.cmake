# The Windows program's resources (data/room-planner.rc.in): its icon and its version information,
# compiled by the resource compiler into room-planner.exe. Included by cmake/windows.cmake.
#
# The icon is one .ico made in the build folder from the pictures in data/icons/, in the sizes
# Windows shows: a size that data/icons/ holds is taken as it is, the others are made from the
# largest picture by averaging each square block of its pixels (ImageMagick's -scale; the sizes
# divide 256 exactly), which gives the same bytes in every build. The 256-pixel image is stored as
# PNG, as Windows reads images of that size; the smaller ones as bitmaps with their alpha channel
# (icotool from icoutils). Where icotool or ImageMagick is missing, the program carries its
# version information alone.

list(GET icon_sizes -1 largest)
set(windows_icon_largest ${CMAKE_CURRENT_SOURCE_DIR}/data/icons/room-planner-${largest}.png)

find_program(ICOTOOL icotool)
if(CMAKE_HOST_WIN32)
  # Windows' own convert.exe converts file systems: there only ImageMagick 7's magick will do.
  find_program(IMAGEMAGICK magick)
else()
  find_program(IMAGEMAGICK NAMES magick convert)
endif()

set(ROOMPLANNER_ICO "")
if(ICOTOOL AND IMAGEMAGICK)
  set(ROOMPLANNER_ICO ${CMAKE_CURRENT_BINARY_DIR}/room-planner.ico)
  set(made_dir ${CMAKE_CURRENT_BINARY_DIR}/icons)
  set(icon_steps "")
  set(icon_images "")
  set(icon_pictures ${windows_icon_largest})
  foreach(size IN LISTS windows_icon_sizes)
    set(picture ${CMAKE_CURRENT_SOURCE_DIR}/data/icons/room-planner-${size}.png)
    if(EXISTS ${picture})
      list(APPEND icon_pictures ${picture})
    else()
      set(picture ${made_dir}/room-planner-${size}.png)
      # -strip: no time stamp in the PNG; PNG32: eight bits of red, green, blue and alpha.
      list(APPEND icon_steps COMMAND ${IMAGEMAGICK} ${windows_icon_largest} -scale ${size}x${size}
           -strip PNG32:${picture})
    endif()
    if(size LESS 256)
      list(APPEND icon_images ${picture})
    else()
      list(APPEND icon_images --raw=${picture})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES icon_pictures)
  string(REPLACE ";" ", " size_list "${windows_icon_sizes}")
  add_custom_command(OUTPUT ${ROOMPLANNER_ICO}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${made_dir}
                     ${icon_steps}
                     COMMAND ${ICOTOOL} --create --output=${ROOMPLANNER_ICO} ${icon_images}
                     DEPENDS ${icon_pictures}
                     COMMENT "Making the program's icon room-planner.ico (${size_list} pixels)"
                     VERBATIM)
else()
  message(NOTICE "icotool or ImageMagick not found: the Windows program is built without its icon")
endif()

# FILEVERSION and PRODUCTVERSION: four numbers, those the project's version leaves out zero.
set(ROOMPLANNER_VERSION_NUMBERS "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(number ${PROJECT_VERSION_${part}})
  if(number STREQUAL "")
    set(number 0)
  endif()
  list(APPEND ROOMPLANNER_VERSION_NUMBERS ${number})
endforeach()
string(REPLACE ";" "," ROOMPLANNER_VERSION_NUMBERS "${ROOMPLANNER_VERSION_NUMBERS}")

set(resources ${CMAKE_CURRENT_BINARY_DIR}/room-planner.rc)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/data/room-planner.rc.in ${resources} @ONLY)
target_sources(room-planner PRIVATE ${resources})
if(ROOMPLANNER_ICO)
  # Made before the resources are compiled, and compiled again when it changes.
  set_source_files_properties(${resources} PROPERTIES OBJECT_DEPENDS ${ROOMPLANNER_ICO})
endif()
