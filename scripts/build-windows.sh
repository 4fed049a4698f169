#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and packs it into a zip that runs on a Windows machine
# with nothing else installed:
#   1. freeglut from Debian's source package, cross-built with freeglut's own defaults for Windows
#      (no GL/glut.h, a shared library and the CMake package FreeGLUT), installed into
#      BUILD/freeglut/install. The same version as the Linux build's libglut-dev where that is
#      installed. Kept between runs: once built, this step takes no time and no network.
#   2. room-planner.exe against it in BUILD, with cmake/mingw-w64-x86_64.cmake, libgcc and
#      libstdc++ linked in.
#   3. BUILD/room-planner-<version>-win64.zip with CPack: the program, the freeglut DLL, README.md
#      and LICENSE; and beside it BUILD/room-planner-<version>-win64.exe, an installer of the same
#      files made with NSIS.
#
# Usage: scripts/build-windows.sh [CMAKE_ARGS...]   (arguments go to the configure of step 2)
# BUILD names the build folder (default: build-windows). The source package is fetched with
# apt-get through a source list, package lists and cache of its own in BUILD/freeglut/apt, so the
# machine's apt configuration is neither read for deb-src entries nor changed, and no root is
# needed for it; Debian's archive keys verify it as usual.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD:-build-windows}
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
jobs=$(nproc)

bash scripts/install-deps.sh windows

mkdir -p "$build"
build=$(cd "$build" && pwd)
glut=$build/freeglut
install=$glut/install
stamp=$install/source-version

now() {
  date +%s.%N
}
# Seconds since $1, to one decimal.
since() {
  awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.1f", end - start }'
}
# Runs a command with its output into the log file $1, and shows the log's end if it fails.
logged() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "build-windows: failed: $*  (log: $log)" >&2
    exit 1
  fi
}

# The freeglut version to build: the source version of the installed libglut-dev, so that the
# Windows program runs on the same freeglut as the Linux one; otherwise the newest the archive has.
wanted=$(dpkg-query -W -f='${db:Status-Status} ${source:Version}' libglut-dev 2>/dev/null |
  sed -n 's/^installed //p' || true)

if [ -f "$install/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ] && [ -f "$stamp" ] &&
  { [ -z "$wanted" ] || [ "$(cat "$stamp")" = "$wanted" ]; }; then
  echo "freeglut $(cat "$stamp") for Windows: built before, in $install"
else
  started=$(now)
  rm -rf "$glut"
  apt=$glut/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$glut/src"
  # deb-src entries for the archives that hold the binary packages (apt-cache madison lines such
  # as "libglut-dev | 3.4.0-1 | http://deb.debian.org/debian bookworm/main amd64 Packages").
  apt-cache madison libglut-dev |
    awk -F' [|] ' '$3 ~ / Packages$/ { split($3, a, " "); split(a[2], s, "/");
                                       print "deb-src " a[1] " " s[1] " " s[2] }' |
    sort -u >"$apt/sources.list"
  [ -s "$apt/sources.list" ] ||
    { echo "build-windows: apt knows no archive with libglut-dev (run apt-get update)" >&2; exit 1; }
  apt_options=(-o "Dir::Etc::SourceList=$apt/sources.list"
               -o "Dir::Etc::SourceParts=$apt/sources.list.d"
               -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
               -o Acquire::Languages=none -o APT::Sandbox::User="$(id -un)")
  logged "$glut/apt-update.log" apt-get "${apt_options[@]}" update
  package=freeglut${wanted:+=$wanted}
  (cd "$glut/src" && logged "$glut/apt-source.log" apt-get "${apt_options[@]}" source "$package")
  source_dir=$(find "$glut/src" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -n 1)
  [ -n "$source_dir" ] || { echo "build-windows: apt-get source unpacked no freeglut" >&2; exit 1; }
  version=$(sed -n 's/^Version: //p' "$glut"/src/freeglut_*.dsc)
  echo "freeglut $version: Debian source package fetched"

  logged "$glut/configure.log" cmake -S "$source_dir" -B "$glut/build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$install" -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=OFF
  logged "$glut/build.log" cmake --build "$glut/build" -j"$jobs"
  logged "$glut/install.log" cmake --install "$glut/build" --strip
  echo "$version" >"$stamp"
  echo "freeglut $version for Windows: built and installed into $install in $(since "$started") s"
fi

started=$(now)
logged "$build/configure.log" cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_PREFIX_PATH="$install" -DCMAKE_BUILD_TYPE=Release -DROOMPLANNER_TESTS=OFF \
  -DROOMPLANNER_BENCH=OFF -DROOMPLANNER_TOOLS=OFF "$@"
logged "$build/build.log" cmake --build "$build" -j"$jobs"
rm -f "$build"/room-planner-*-win64.zip "$build"/room-planner-*-win64.exe
logged "$build/package.log" cmake --build "$build" --target package
zips=("$build"/room-planner-*-win64.zip)
[ -f "${zips[0]}" ] || { echo "build-windows: CPack wrote no zip" >&2; exit 1; }
installers=("$build"/room-planner-*-win64.exe)
[ -f "${installers[0]}" ] || { echo "build-windows: CPack wrote no installer" >&2; exit 1; }
echo "room-planner.exe built and packed in $(since "$started") s: ${zips[0]} and ${installers[0]}"
