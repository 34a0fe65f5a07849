#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillmarsh need,
# at build and at run time, skipping those already installed (recommended packages
# are not installed, so everything needed is named here). Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev            # fuzz targets (libFuzzer) and sanitizers
  libsdl2-dev libx11-dev              # window, input, message box
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl1-mesa-dev
  libgtest-dev libgmock-dev
  libfreetype-dev fonts-dejavu-core   # the generated bitmap font
  libpng-dev                          # PNG output of the headless renderer
  xfonts-base                         # X core fonts: the "Error" message box draws its text with them
  xvfb xdotool x11-utils imagemagick  # end-to-end tests: X server, input, screenshots
  locales                             # locale sources for the German-locale settings test
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
