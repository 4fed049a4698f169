#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, run and test, only those missing.
# As root (or through sudo) it runs apt-get; otherwise it prints the one line to run.
set -euo pipefail

packages=(g++ make cmake freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libgtest-dev
          libbenchmark-dev libpng-dev xvfb xauth xdotool x11-apps python3)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  apt_get=(apt-get)
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  apt_get=(sudo apt-get)
else
  echo "Missing packages. Install them with:"
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}"
  exit 1
fi
echo "Installing: ${missing[*]}"
DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" update -qq
DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
