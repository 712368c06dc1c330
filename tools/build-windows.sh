#!/usr/bin/env bash
# Cross-builds the Windows edition with MinGW-w64: build-win32 (i686, the shipped target) and
# build-win64 (x86_64, the one 64-bit Wine runs here). Warnings are errors, and any warning
# that still reaches the log fails the build.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_type=${BUILD_TYPE:-Release}

build() {
    local arch=$1 dir=$2
    local log="$root/$dir/build.log"
    echo "== $arch: configuring $dir"
    cmake -S "$root" -B "$root/$dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE="$build_type" \
        -DTALVORO_WERROR=ON >/dev/null
    echo "== $arch: building"
    # A full rebuild, so that warnings of files built earlier show again.
    if ! cmake --build "$root/$dir" --clean-first >"$log" 2>&1; then
        cat "$log" >&2
        echo "build failed for $arch (log: $log)" >&2
        exit 1
    fi
    if grep -qiE '(^|[^a-z])warning[: ]' "$log"; then
        echo "warnings in the $arch build (log: $log):" >&2
        grep -iE '(^|[^a-z])warning[: ]' "$log" >&2
        exit 1
    fi
}

build i686 build-win32
build x86_64 build-win64

echo
echo "Windows programs:"
for dir in build-win32 build-win64; do
    for exe in talvoro.exe talvoro_win32_tests.exe; do
        [ -f "$root/$dir/src/platform/win32/$exe" ] && echo "  $root/$dir/src/platform/win32/$exe"
    done
done
