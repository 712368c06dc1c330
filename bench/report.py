#!/usr/bin/env python3
"""Runs every benchmark under bench/ in one go and prints one table: each figure beside its goal
and its peer. Usage: bench/report.py [runs] (after ./test.sh; tools/setup-debian.sh bench installs
the espeak-ng command and spd-say the speech figures are compared with).

The table is Markdown, ready for the README's performance section."""

import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("TALVORO_BUILD_DIR", os.path.join(ROOT, "build"))


def run(args, timeout=1800):
    print("# running", " ".join(args), file=sys.stderr, flush=True)
    out = subprocess.run(args, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         text=True, timeout=timeout, env=dict(os.environ, TALVORO_BUILD_DIR=BUILD))
    return out.stdout


def number(pattern, text, group=1):
    m = re.search(pattern, text, re.M)
    return float(m.group(group)) if m else None


def fmt(v, unit="", digits=1):
    return "—" if v is None else ("%.*f%s" % (digits, v, unit))


def shared_folder():
    for folder in (os.environ.get("TALVORO_SHARED_DIR"), os.path.join(ROOT, "..", "shared"),
                   "/work/shared"):
        if folder and os.path.isfile(os.path.join(folder, "mandarin", "score.py")):
            return folder
    return None


def mandarin_rows():
    """The shared Mandarin corpus read by Talvoro and by espeak-ng's two Mandarin voices, scored in
    one run; the dictionary's memory and the front end's speed."""
    rows = []
    shared = shared_folder()
    readers = [os.path.join(BUILD, "bin", "talvoro-say") + " --phonemes",
               "espeak-ng -q -x -v cmn", "espeak-ng -q -x -v cmn-latn-pinyin"]
    scores = {}
    if shared:
        out = run([sys.executable, os.path.join(shared, "mandarin", "score.py"),
                   os.path.join(shared, "mandarin", "corpus.tsv")] + readers)
        for reader in readers:
            m = re.search(r"^%s: (\d+)/(\d+) sentences exact, phoneme error rate ([\d.]+)%%"
                          % re.escape(reader), out, re.M)
            if m:
                scores[reader] = "%s/%s, %s%%" % m.groups()
    else:
        print("# no shared folder with mandarin/score.py: set TALVORO_SHARED_DIR", file=sys.stderr)
    rows.append(("Mandarin corpus: sentences exact, phonemes wrong",
                 scores.get(readers[0], "—"), "all exact",
                 "espeak-ng -v cmn %s; -v cmn-latn-pinyin %s"
                 % (scores.get(readers[1], "—"), scores.get(readers[2], "—"))))
    bench = os.path.join(BUILD, "bench", "mandarin_bench")
    out = run([bench]) if os.path.exists(bench) else ""
    opened = number(r"resident after open\s+([\d.]+) MB", out)
    read = number(r"resident after reading\s+([\d.]+) MB", out)
    speed = number(r"throughput\s+([\d.]+) MB/s", out)
    rows.append(("Mandarin dictionary: memory added, opened / after reading",
                 "%s / %s MB" % (fmt(opened), fmt(read)), "≤ 10 MB", "—"))
    rows.append(("Mandarin front end: Chinese text read", fmt(speed, " MB/s"), "≥ 5 MB/s", "—"))
    return rows


def main():
    runs = sys.argv[1] if len(sys.argv) > 1 else "9"
    rows = []

    # A start-up moves by milliseconds from one start to the next: with fewer than 21 starts the
    # median's ratio to bare Qt moves by a fifth between runs of this report.
    start = run([os.path.join(ROOT, "bench", "run-startup.sh"), str(max(int(runs), 21))])
    bare_ms = number(r"^bare-qt\s+([\d.]+)", start)
    bare_mb = number(r"^bare-qt\s+[\d.]+\s+[\d.]+\s+([\d.]+)", start)
    t_ms = number(r"^talvoro\s+([\d.]+)", start)
    t_ratio = number(r"^talvoro\s+[\d.]+\s+([\d.]+)", start)
    t_mb = number(r"^talvoro\s+[\d.]+\s+[\d.]+\s+([\d.]+)", start)
    t_mb_ratio = number(r"^talvoro\s+[\d.]+\s+[\d.]+\s+[\d.]+\s+([\d.]+)", start)
    rows.append(("Start-up to a visible basket", "%s ms (%s x)" % (fmt(t_ms), fmt(t_ratio, "", 2)),
                 "≤ 1.3 x bare Qt", "bare Qt 6 window %s ms" % fmt(bare_ms)))
    rows.append(("Resident memory once idle", "%s MB (%s x)" % (fmt(t_mb), fmt(t_mb_ratio, "", 2)),
                 "≤ 1.5 x bare Qt", "bare Qt 6 window %s MB" % fmt(bare_mb)))

    speech = run([os.path.join(BUILD, "bench", "speech_latency"), runs])
    def speech_row(label):
        m = re.search(r"^%s\s+([\d.]+|-)\s+([\d.]+|-)\s+([\d.]+|-)" % re.escape(label), speech, re.M)
        if not m:
            return None, None, None
        return tuple(None if g == "-" else float(g) for g in m.groups())
    s_short = speech_row("talvoro, short text")
    s_big = speech_row("talvoro, 10 MB text")
    e_short = speech_row('espeak-ng "text"')
    e_big = speech_row("espeak-ng -f, 10 MB text")
    spd = speech_row('spd-say "text"')
    spd_cold = speech_row('spd-say "text" (daemon starts)')
    rows.append(("Read → first sound, short text", fmt(s_short[0], " ms"), "≤ 20 ms",
                 "espeak-ng %s ms, spd-say %s ms (%s ms starting its daemon)"
                 % (fmt(e_short[0]), fmt(spd[0]), fmt(spd_cold[0]))))
    rows.append(("Read → first sound, 10 MB text", fmt(s_big[0], " ms"), "≤ 20 ms",
                 "espeak-ng -f %s ms" % fmt(e_big[0])))
    c_short = speech_row("talvoro, short Chinese text")
    c_big = speech_row("talvoro, 10 MB Chinese text")
    rows.append(("Read → first sound, short / 10 MB Chinese text",
                 "%s / %s ms" % (fmt(c_short[0]), fmt(c_big[0])), "≤ 20 ms", "—"))
    rows.append(("Pause → silence (median / worst)",
                 "%s / %s ms" % (fmt(s_short[1]), fmt(max(filter(None, [s_short[2], s_big[2]]), default=None))),
                 "≤ 30 ms", "espeak-ng has no pause (SIGSTOP: %s ms); spd-say -C: %s ms"
                 % (fmt(e_big[2]), fmt(spd[1]))))

    drop = run([os.path.join(ROOT, "bench", "run-drop.sh"), runs])
    d_short = re.search(r"^talvoro, short text dropped\s+([\d.]+)\s+([\d.]+)", drop, re.M)
    d_big = re.search(r"^talvoro, 10 MB text dropped\s+([\d.]+)\s+([\d.]+)", drop, re.M)
    d_after = number(r"^\s+sound after the 10 MB was taken\s+([\d.]+)", drop)
    d_espeak = number(r'^espeak-ng "text"\s+-\s+([\d.]+)', drop)
    d_spd = number(r'^spd-say "text"\s+-\s+([\d.]+)', drop)
    rows.append(("Drop → first sound, short text",
                 fmt(float(d_short.group(2)) if d_short else None, " ms"), "≤ 19.5 ms (1.5 x 13)",
                 "espeak-ng %s ms, spd-say %s ms (request → sound)" % (fmt(d_espeak), fmt(d_spd))))
    rows.append(("Drop of 10 MB: X transfer, then sound",
                 "%s ms, then %s ms" % (fmt(float(d_big.group(1)) if d_big else None), fmt(d_after)),
                 "sound ≤ 20 ms after the transfer", "—"))

    open_out = run([os.path.join(BUILD, "bench", "open_file")]) if os.path.exists(
        os.path.join(BUILD, "bench", "open_file")) else ""
    o_100 = number(r"^UTF-8\s+100 MB\s+([\d.]+)", open_out)
    o_ratio = number(r"^UTF-8\s+100 MB / 10 MB:\s+([\d.]+)", open_out)
    g_100 = number(r"^GB2312\s+100 MB\s+([\d.]+)", open_out)
    rows.append(("Open a 100 MB text file (UTF-8 / GB2312)",
                 "%s s / %s s" % (fmt(o_100, "", 2), fmt(g_100, "", 2)), "≤ 1 s", "—"))
    rows.append(("Open: 100 MB time / 10 MB time", fmt(o_ratio, " x"), "≤ 12 x", "linear: 10 x"))

    rows.extend(mandarin_rows())

    print("| figure | Talvoro | goal | peer |")
    print("|---|---|---|---|")
    for r in rows:
        print("| %s | %s | %s | %s |" % r)


if __name__ == "__main__":
    main()
