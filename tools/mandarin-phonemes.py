#!/usr/bin/env python3
"""Reads text on standard input the way the engine will: the Mandarin front end's runs, each
spoken by its espeak-ng voice, and prints the phonemes espeak-ng makes of them (espeak-ng -x).

usage: mandarin-phonemes.py [--runs PROGRAM] [--ticked han|latin|other] [--voice VOICE] [--dict F]
  --runs    the front end's run printer (default: build/bin/mandarin_runs beside this tool)
  --voice   the ticked voice's espeak-ng name (default: cmn)

A reader for score.py: score.py corpus.tsv "tools/mandarin-phonemes.py".
"""
import argparse
import os
import subprocess
import sys

VOICES = {"M": "cmn-latn-pinyin", "E": "en"}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    p = argparse.ArgumentParser()
    p.add_argument("--runs", default=os.path.join(here, "..", "build", "bin", "mandarin_runs"))
    p.add_argument("--ticked", default="han")
    p.add_argument("--voice", default="cmn")
    p.add_argument("--dict", help="the dictionary file (default: found beside the run printer)")
    args = p.parse_args()
    text = sys.stdin.buffer.read()
    command = [args.runs, "--ticked", args.ticked] + (["--dict", args.dict] if args.dict else [])
    runs = subprocess.run(command, input=text, check=True,
                          capture_output=True).stdout.decode("utf-8", "replace")
    for line in runs.splitlines():
        tag, _, run = line.partition("\t")
        voice = VOICES.get(tag, args.voice)
        out = subprocess.run(["espeak-ng", "-q", "-x", "-v", voice, run], check=True,
                             capture_output=True).stdout
        sys.stdout.write(out.decode("utf-8", "replace"))


if __name__ == "__main__":
    main()
