#!/usr/bin/env python3
"""Prints the figures the long-running tests measured (soaks, faults, packages) from ctest's log
of the last run, which ctest keeps but does not show for tests that pass, and the ten slowest
tests of that run.
Usage: test-figures.py BUILD_DIR"""

import os
import re
import sys

# Tests whose measured figures are worth seeing after every run.
WANTED = {"linux_soak", "linux_faults", "linux_fresh_install", "linux_package", "linux_start",
          "windows_package"}
# Lines that carry a figure: the desktop tests indent them, the shell tests start them with "# ",
# the core soak with "[ soak ]".
FIGURE = re.compile(r"^(  \S|# |\[ soak \])")


def sections(log):
    name, lines = None, []
    for line in log:
        heading = re.match(r"^\d+/\d+ Testing: (\S+)", line)
        if heading:
            if name:
                yield name, lines
            name, lines = heading.group(1), []
        elif name:
            lines.append(line.rstrip("\n"))
    if name:
        yield name, lines


def main():
    path = os.path.join(sys.argv[1], "Testing", "Temporary", "LastTest.log")
    times = []
    with open(path, encoding="utf-8", errors="replace") as log:
        for name, lines in sections(log):
            for line in lines:
                took = re.match(r"^Test time = +([0-9.]+) sec", line)
                if took:
                    times.append((float(took.group(1)), name))
            soak = any(line.startswith("[ soak ]") for line in lines)
            if name not in WANTED and not soak:
                continue
            figures = [line for line in lines if FIGURE.match(line)]
            if figures:
                print("== " + name)
                print("\n".join(figures))
    if times:
        print("== the ten slowest tests")
        for seconds, name in sorted(times, reverse=True)[:10]:
            print("  %7.1f s  %s" % (seconds, name))


if __name__ == "__main__":
    main()
