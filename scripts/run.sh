#!/usr/bin/env bash
# Installs what is missing, builds Quillmarsh with its generated default world, and
# starts it from the build folder (the settings file lies beside the executable).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target quillmarsh world
cd build
exec ./quillmarsh
