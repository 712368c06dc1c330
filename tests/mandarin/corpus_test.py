#!/usr/bin/env python3
"""What a reader says (talvoro-say, or the front end's runs spoken by espeak-ng), scored with the
shared scorer: every sentence of the shared Mandarin corpus must be exact, and at least MIN_OWN
of the project's own corpus.

usage: corpus_test.py SHARED_MANDARIN_DIR OWN_CORPUS MIN_OWN READER...
OWN_CORPUS "-" scores the shared corpus alone. A missing shared folder fails the test, saying
where it was looked for."""
import os
import re
import subprocess
import sys


def score(scorer, corpus, reader):
    out = subprocess.run([sys.executable, scorer, corpus, reader], capture_output=True,
                         text=True).stdout
    print(out, end="", flush=True)
    m = re.search(r"(\d+)/(\d+) sentences exact, phoneme error rate ([\d.]+)%", out)
    if not m:
        raise SystemExit("the scorer printed no score for " + corpus)
    return int(m.group(1)), int(m.group(2))


def main():
    shared, own, minimum = sys.argv[1], sys.argv[2], int(sys.argv[3])
    reader = " ".join(sys.argv[4:])
    scorer, corpus = os.path.join(shared, "score.py"), os.path.join(shared, "corpus.tsv")
    for path in (scorer, corpus):
        if not os.path.isfile(path):
            print("FAILED: %s is missing; point the build at the shared Mandarin corpus with "
                  "cmake -DTALVORO_SHARED_DIR=<shared folder> (or -DTALVORO_SHARED_MANDARIN=<its "
                  "mandarin folder>)" % path)
            return 1
    right, total = score(scorer, corpus, reader)
    ok = right == total
    summary = "shared corpus %d/%d (all wanted)" % (right, total)
    if own != "-":
        own_right, own_total = score(scorer, own, reader)
        ok = ok and own_right >= minimum
        summary += ", own corpus %d/%d (at least %d wanted)" % (own_right, own_total, minimum)
    print("%s: %s" % (summary, "ok" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
