# The window's icon on X11: the pixels of the icon files at the sizes in window_icon_sizes go into
# the program as a table (windowIconData in window_icon.h), which a small host tool writes into
# the build tree at build time. Without GLX the program sets no icon and needs none of this.
if(NOT ROOMPLANNER_GLX)
  return()
endif()

find_package(PNG REQUIRED)
add_executable(window-icon-table tools/window_icon_table.cpp tools/image.cpp)
target_link_libraries(window-icon-table PRIVATE PNG::PNG)

set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(window_icon_files "")
foreach(size IN LISTS window_icon_sizes)
  list(APPEND window_icon_files ${CMAKE_CURRENT_SOURCE_DIR}/data/icons/room-planner-${size}.png)
endforeach()
add_custom_command(OUTPUT ${generated}/window_icon.h
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
                   COMMAND window-icon-table ${generated}/window_icon.h ${window_icon_files}
                   DEPENDS window-icon-table ${window_icon_files}
                   COMMENT "Writing the window's icon table from data/icons")
target_sources(roomplanner PRIVATE ${generated}/window_icon.h)
target_include_directories(roomplanner PRIVATE ${generated})
