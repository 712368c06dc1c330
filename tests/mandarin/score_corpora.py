#!/usr/bin/env python3
"""Scores what the Mandarin front end makes espeak-ng say against the shared corpus (every
sentence must be exact) and the project's own corpus (at least the count given), with the
shared scorer, which reads the expected pinyin with espeak-ng's own pinyin reader.

usage: score_corpora.py SHARED_DIR OWN_CORPUS MIN_OWN_EXACT READER...
Exits 77 (skipped) when the shared scorer is not there."""
import os
import re
import subprocess
import sys


def score(scorer, corpus, reader):
    out = subprocess.run([sys.executable, scorer, corpus, reader], capture_output=True,
                         text=True, check=True).stdout
    print(out, end="", flush=True)
    m = re.search(r"(\d+)/(\d+) sentences exact", out)
    return int(m.group(1)), int(m.group(2))


def main():
    shared, own, minimum, reader = sys.argv[1], sys.argv[2], int(sys.argv[3]), " ".join(sys.argv[4:])
    scorer = os.path.join(shared, "score.py")
    if not os.path.exists(scorer):
        print("no shared scorer at", scorer)
        return 77
    right, total = score(scorer, os.path.join(shared, "corpus.tsv"), reader)
    own_right, own_total = score(scorer, own, reader)
    ok = right == total and own_right >= minimum
    print("shared corpus %d/%d (all wanted), own corpus %d/%d (at least %d wanted): %s"
          % (right, total, own_right, own_total, minimum, "ok" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
