#!/usr/bin/env bash
# Installs the Debian packages one task needs, only those missing:
#   scripts/install-deps.sh program   to build and run the program (make run)
#   scripts/install-deps.sh package   the same, plus what builds the .deb (make package)
#   scripts/install-deps.sh windows   what cross-builds the Windows program, its zip and its
#                                     installer (scripts/build-windows.sh)
#   scripts/install-deps.sh test      all of the above, plus the tests' libraries and tools, Wine
#                                     among them (make test; the default)
# As root, or through sudo where sudo needs no password, it runs apt-get; otherwise it prints the
# one line to run. On a system without dpkg and apt-get it installs nothing, says what the
# program needs and leaves it to CMake to find it.
set -euo pipefail

task=${1:-test}
case "$task" in
program | package | windows | test) ;;
*)
  echo "usage: $0 [program|package|windows|test]" >&2
  exit 2
  ;;
esac

# MinGW-w64 cross-builds freeglut and the program; apt-get source unpacks freeglut's source
# package with dpkg-source (dpkg-dev); ImageMagick and icotool (icoutils) make the program's icon,
# and makensis (nsis) the installer.
windows_packages=(make cmake gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64 dpkg-dev imagemagick icoutils
                  nsis)
if [ "$task" = windows ]; then
  packages=("${windows_packages[@]}")
else
  # GLUT is listed as "glut": the package that provides it is chosen below. libpng reads the icon
  # files when the build writes the window's icon table.
  packages=(g++ make cmake glut libglu1-mesa-dev libx11-dev libpng-dev libgl1-mesa-dri)
fi
if [ "$task" = package ] || [ "$task" = test ]; then
  packages+=(dpkg-dev file) # dpkg-shlibdeps finds the .deb's dependencies; CPack uses file
fi
if [ "$task" = test ]; then
  # lintian checks the .deb, hardening-check (devscripts) its program, mandoc and man-db its
  # manual page; ImageMagick compares screenshots and xprop (x11-utils) reads window properties;
  # Wine runs the Windows program and its installer, wrestool (icoutils) reads its resources;
  # libXtst (libxtst-dev) sends the menu's suite real button events;
  # clang-format checks the layout of the C++ files.
  packages+=(libgtest-dev libbenchmark-dev libxtst-dev xvfb xauth xdotool x11-utils
             python3 desktop-file-utils appstream binutils lintian devscripts mandoc man-db
             "${windows_packages[@]}" wine wine64 unzip clang-format)
fi

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  echo "No dpkg and apt-get here, so nothing is installed: CMake looks for what is needed."
  echo "The program needs a C++17 compiler, CMake, make, and the GLUT (freeglut), GLU, OpenGL,"
  echo "Xlib and libpng development files; the tests also need GoogleTest, Google Benchmark,"
  echo "libXtst, Xvfb, xdotool, xprop, ImageMagick, Python 3, desktop-file-validate, appstreamcli,"
  echo "lintian, hardening-check, mandoc, man, MinGW-w64's gcc and g++, Wine (64-bit), unzip,"
  echo "clang-format, icoutils and NSIS; the Windows build fetches freeglut's Debian source"
  echo "package."
  exit 0
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Whether apt knows a version of the package to install.
has_candidate() {
  local candidate
  candidate=$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: *//p')
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ]
}

# libglut-dev is freeglut's development package on current systems; on Debian 12 freeglut3-dev
# is only a transitional package that pulls it in, and older systems have freeglut3-dev alone.
glut_package() {
  if has_candidate libglut-dev || ! has_candidate freeglut3-dev; then
    echo libglut-dev
  else
    echo freeglut3-dev
  fi
}

missing=()
for p in "${packages[@]}"; do
  if [ "$p" = glut ]; then
    installed libglut-dev || installed freeglut3-dev || missing+=(glut)
  elif ! installed "$p"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# The package names to install, with GLUT's resolved against the package lists as they are now.
resolved() {
  local glut
  glut=$(glut_package)
  for p in "${missing[@]}"; do
    if [ "$p" = glut ]; then
      echo "$glut"
    else
      echo "$p"
    fi
  done
}

if [ "$(id -u)" -eq 0 ]; then
  apt_get=(apt-get)
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  apt_get=(sudo apt-get)
else
  mapfile -t names < <(resolved)
  echo "Missing packages. Install them as root (or with sudo before each apt-get) with:"
  echo "  apt-get update && apt-get install -y ${names[*]}"
  exit 1
fi
# Runs apt-get; while another apt-get or dpkg holds the package system's locks (an install
# started elsewhere at the same moment), waits and tries again, for up to 10 minutes. apt-get
# update gives up on a held lock at once; install waits for dpkg's own lock by itself.
apt_run() {
  local errors attempt
  errors=$(mktemp)
  for attempt in $(seq 60); do
    if DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" -o DPkg::Lock::Timeout=60 "$@" 2>"$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      return 0
    fi
    if ! grep -Eq 'Could not get lock|Unable to lock|Unable to acquire' "$errors" || [ "$attempt" -eq 60 ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    echo "apt-get $1: the package system is locked by another process; trying again in 10 s" >&2
    sleep 10
  done
}
apt_run update -qq
mapfile -t names < <(resolved) # GLUT's package chosen from the fresh lists
echo "Installing: ${names[*]}"
apt_run install -y -qq --no-install-recommends "${names[@]}"
