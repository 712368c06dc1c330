#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each from its seed corpus for
# a fixed time (FUZZ_SECONDS, 10 by default). A crash fails the run and leaves its input in
# build-fuzz/crashes/. For a longer hunt: FUZZ_SECONDS=3600 tools/run-fuzz.sh
# Inputs reach 64 kB, enough for more than the 4096 elements the markup reader keeps open. Each
# target bounds what one input may hold through operator new itself; libFuzzer also fails a run
# on any single allocation over 64 MB or a process over 1 GB.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-10}

CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALVORO_FUZZ=ON -DTALVORO_TESTS=OFF -DTALVORO_WERROR=OFF >/dev/null
targets=(markup_fuzz file_text_fuzz engine_text_fuzz sapi_markup_fuzz mandarin_fuzz)
cmake --build build-fuzz --target "${targets[@]}"

mkdir -p build-fuzz/crashes
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/${t%_fuzz}
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  # The seeds stay as they are in the source tree; what the run finds goes to the build tree.
  build-fuzz/fuzz/$t -max_total_time="$seconds" -print_final_stats=1 \
    -max_len=65536 -malloc_limit_mb=64 -rss_limit_mb=1024 \
    -artifact_prefix=build-fuzz/crashes/$t- "$corpus" "fuzz/corpus/${t%_fuzz}" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|Done|stat::number_of_executed_units|==[0-9]+==|SUMMARY)' || true
  if ls build-fuzz/crashes/$t-* >/dev/null 2>&1; then
    echo "$t found a failing input: build-fuzz/crashes/" >&2
    exit 1
  fi
done
echo "fuzzing: no failure found"
