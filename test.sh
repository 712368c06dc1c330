#!/usr/bin/env bash
# Installs what is missing, builds both editions and runs every test, then the core, markup and
# engine tests again built with the address and undefined-behaviour sanitizers, and each fuzz
# target for a short while.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup-debian.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVORO_TESTS=ON
cmake --build build
(cd build && ctest --output-on-failure --timeout 900)
tools/run-sanitized.sh
tools/run-fuzz.sh
