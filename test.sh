#!/usr/bin/env bash
# Installs what is missing, builds both editions and runs every test, then the core, markup and
# engine tests again built with the address and undefined-behaviour sanitizers, and each fuzz
# target for a short while. The figures the soaks, fault and package tests measured are printed
# after ctest's summary, with the slowest tests.
#
# Each stage runs even when one before it failed (all but those that need what failed), and the
# last lines say which stages passed and which failed; the command fails if any did.
# TALVORO_TEST_JOBS sets how many ctest tests run at once (4 by default: most of them wait on a
# display or a sound server rather than on a processor).
set -uo pipefail
cd "$(dirname "$0")"

summary=()
failed=0
began=$(date +%s)

# stage NAME COMMAND...: runs one stage and records how it ended.
stage() {
  local name=$1 start rc
  shift
  echo
  echo "=== stage: $name"
  start=$(date +%s)
  "$@"
  rc=$?
  local took=$(($(date +%s) - start))
  if [ $rc -eq 0 ]; then
    summary+=("passed   $name (${took} s)")
  else
    summary+=("FAILED   $name (exit $rc, ${took} s)")
    failed=$((failed + 1))
  fi
  return $rc
}

skipped() {
  summary+=("not run  $1 ($2)")
  failed=$((failed + 1))
}

run_ctest() {
  (cd build && ctest --output-on-failure --timeout 900 -j "${TALVORO_TEST_JOBS:-4}")
}

if stage setup tools/setup-debian.sh test; then
  # Every build of the test command goes through the compiler cache, so that the trees it builds
  # again (the user's build, the sanitized and fuzz builds, the Windows builds) cost little on a
  # second run. The cache changes no object and replays every warning.
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  if stage build tools/build.sh test build; then
    stage ctest run_ctest
    # What the long runs measured (events run, faults met, bytes compared, package figures) and
    # the slowest tests, from ctest's own log; printed whether ctest passed or not.
    stage figures tools/test-figures.py build
  else
    skipped ctest "the build failed"
  fi
  # The sanitized and fuzz builds are trees of their own: they run whatever happened above.
  stage sanitized tools/run-sanitized.sh
  stage fuzz tools/run-fuzz.sh
else
  skipped "every other stage" "the set-up failed"
fi

echo
echo "=== the test command took $(($(date +%s) - began)) s"
printf '  %s\n' "${summary[@]}"
passed=0
for line in "${summary[@]}"; do
  case $line in passed*) passed=$((passed + 1)) ;; esac
done
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
