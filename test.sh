#!/usr/bin/env bash
# Installs what is missing, builds both editions and runs every test, then the core, markup and
# engine tests again built with the address and undefined-behaviour sanitizers, and each fuzz
# target for a short while. The figures the soaks, fault and package tests measured are printed
# after ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"

tools/setup-debian.sh test
tools/build.sh test build
(cd build && ctest --output-on-failure --timeout 900)
# What the long runs measured: events run, faults met, bytes compared, package figures.
tools/test-figures.py build
tools/run-sanitized.sh
tools/run-fuzz.sh
