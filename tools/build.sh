#!/usr/bin/env bash
# The build step of start.sh and test.sh, so that what a user builds and what the tests build
# come from one place. Usage: tools/build.sh run|test [BUILD_DIR]
#   run:  the program as start.sh builds it for a user: Release, no tests. Warnings are shown
#         but do not stop the build: a compiler newer than ours must not keep a user from it.
#   test: every target and test, RelWithDebInfo, warnings are errors.
# BUILD_DIR defaults to build/ in the source tree. Both set every option they rely on, since
# the two share build/ and a configured tree keeps the options it was last given.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
what=${1:?usage: tools/build.sh run|test [BUILD_DIR]}
dir=${2:-$root/build}

case $what in
  run)
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVORO_TESTS=OFF \
      -DTALVORO_WERROR=OFF
    cmake --build "$dir" --target talvoro
    ;;
  test)
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVORO_TESTS=ON \
      -DTALVORO_WERROR=ON
    cmake --build "$dir"
    ;;
  *)
    echo "usage: tools/build.sh run|test [BUILD_DIR]" >&2
    exit 2
    ;;
esac
