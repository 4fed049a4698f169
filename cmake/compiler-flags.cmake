# How every target is compiled and linked: C++17 with warnings, the sanitizers on request, and
# the distribution's hardening flags in release builds.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-Wall -Wextra -Wpedantic)
elseif(MSVC)
  add_compile_options(/W4)
endif()

# Reproducible builds: the objects record no path of the source or build folder (debug
# information, __FILE__), so that the same sources give the same program, byte for byte, in any
# folder. GCC tries the last map first: the build folder's, which may lie inside the source folder.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-ffile-prefix-map=a=b has_file_prefix_map)
  if(has_file_prefix_map)
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                        -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
  endif()
endif()

option(ROOMPLANNER_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ROOMPLANNER_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# Release builds take the distribution's hardening flags: the ones dpkg-buildflags adds with every
# hardening feature on and leaves out with every one off, or, where there is no dpkg-buildflags,
# the set Debian 12 uses, by hand. Control-flow protection (Intel CET) comes on top.
option(ROOMPLANNER_HARDENING "Build releases with the distribution's hardening flags" ON)
if(NOT (ROOMPLANNER_HARDENING AND UNIX AND NOT APPLE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"))
  return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS)
  # One run with every hardening feature on and one with every one off, each printing all kinds
  # of flags as shell assignments (export CXXFLAGS="...").
  foreach(setting on off)
    if(setting STREQUAL on)
      set(features hardening=+all)
    else()
      set(features hardening=-all)
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${features}
                            ${DPKG_BUILDFLAGS} --export=sh
                    OUTPUT_VARIABLE exports RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dpkg-buildflags --export=sh failed: ${failed}")
    endif()
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      if(NOT exports MATCHES "export ${kind}=\"([^\"\n]*)\"")
        message(FATAL_ERROR "dpkg-buildflags --export=sh names no ${kind}:\n${exports}")
      endif()
      separate_arguments(flags_${kind}_${setting} UNIX_COMMAND "${CMAKE_MATCH_1}")
    endforeach()
  endforeach()
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    set(hardening_${kind} ${flags_${kind}_on})
    if(flags_${kind}_off)
      list(REMOVE_ITEM hardening_${kind} ${flags_${kind}_off})
    endif()
  endforeach()
else()
  set(hardening_CPPFLAGS -D_FORTIFY_SOURCE=2)
  set(hardening_CXXFLAGS -fstack-protector-strong -Wformat -Werror=format-security)
  set(hardening_LDFLAGS -Wl,-z,relro -Wl,-z,now)
endif()
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-fcf-protection has_cf_protection)
if(has_cf_protection AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i.86)$")
  list(APPEND hardening_CXXFLAGS -fcf-protection)
  # The linker marks a program as protected only when every object it links is marked, and
  # glibc 2.36's start files (Scrt1.o, crti.o, crtn.o) carry no mark: the marks are set on the
  # program itself, whose own objects are all built with the protection.
  list(APPEND hardening_LDFLAGS -Wl,-z,ibt -Wl,-z,shstk)
endif()
# Position-independent code throughout. The library is built with -fPIC, as a static library
# with position-independent code is; it is linked only into programs, so its functions need not
# stay open to interposition, and the compiler may inline them into their callers as in -fPIE.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
check_cxx_compiler_flag(-fno-semantic-interposition has_no_semantic_interposition)
if(has_no_semantic_interposition)
  list(APPEND hardening_CXXFLAGS -fno-semantic-interposition)
endif()
set(release_build "$<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>,$<CONFIG:MinSizeRel>>")
foreach(flag IN LISTS hardening_CPPFLAGS hardening_CXXFLAGS)
  add_compile_options("$<${release_build}:${flag}>")
endforeach()
foreach(flag IN LISTS hardening_LDFLAGS)
  add_link_options("$<${release_build}:${flag}>")
endforeach()
