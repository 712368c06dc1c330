#!/usr/bin/env bash
# Installs what is missing, builds both editions and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup-debian.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVORO_TESTS=ON
cmake --build build
cd build
ctest --output-on-failure --timeout 900
