#!/usr/bin/env python3
"""Checks an unpacked package's copyright file in Debian's machine-readable format: every Files
paragraph names its holders and licence, every licence it names has its text (here or in
/usr/share/common-licenses), no licence text stands unused, and every data file the package
keeps in /usr/share/talvoro is named by a paragraph of its own rather than left to `Files: *`.
Prints each fault and exits 1 when there is one.
Usage: check_copyright.py PACKAGE_ROOT"""

import fnmatch
import os
import re
import sys

FORMAT = "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
DATA_DIR = "usr/share/talvoro"


def paragraphs(text):
    """The file's paragraphs as lists of (field, first line, continuation lines)."""
    for block in re.split(r"\n[ \t]*\n", text.strip("\n")):
        fields = []
        for line in block.split("\n"):
            if line[:1] in (" ", "\t"):
                if not fields:
                    raise ValueError(f"a continuation line opens a paragraph: {line!r}")
                fields[-1][2].append(line)
            else:
                name, sep, value = line.partition(":")
                if not sep or not re.fullmatch(r"[A-Za-z][A-Za-z0-9-]*", name):
                    raise ValueError(f"not a field: {line!r}")
                fields.append((name, value.strip(), []))
        yield fields


def licence_names(expression):
    return [n for n in re.split(r"\s*(?:,|\band\b|\bor\b)\s*", expression) if n]


def main(root):
    with open(os.path.join(root, "usr/share/doc/talvoro/copyright"), encoding="utf-8") as f:
        paras = [{name: (value, more) for name, value, more in p} for p in paragraphs(f.read())]
    faults = []
    header, rest = paras[0], paras[1:]
    if header.get("Format", ("",))[0] != FORMAT:
        faults.append(f"the first paragraph does not declare Format: {FORMAT}")
    if "Upstream-Name" not in header:
        faults.append("the header names no Upstream-Name")

    files_paras = [p for p in rest if "Files" in p]
    texts = {p["License"][0]: p["License"][1] for p in rest if "Files" not in p and "License" in p}
    used = set()
    for p in files_paras:
        patterns = p["Files"][0]
        for field in ("Copyright", "License"):
            value, more = p.get(field, ("", []))
            if not value and not more:
                faults.append(f"Files: {patterns} has no {field}")
        expression, inline = p.get("License", ("", []))
        for name in licence_names(expression):
            used.add(name)
            if not inline and not texts.get(name):
                faults.append(f"Files: {patterns} names licence {name}, whose text is nowhere")
    for name, text in texts.items():
        if not text:
            faults.append(f"License: {name} stands alone without its text")
        if name not in used:
            faults.append(f"License: {name} is not the licence of any Files paragraph")

    # Data other people made (dictionaries, tables) must be named, with its own licence.
    data_root = os.path.join(root, DATA_DIR)
    for folder, _, names in os.walk(data_root):
        for n in names:
            path = os.path.relpath(os.path.join(folder, n), root)
            named = any(fnmatch.fnmatchcase(path, pattern)
                        for p in files_paras for pattern in p["Files"][0].split()
                        if pattern != "*")
            if not named:
                faults.append(f"/{path} is shipped but no Files paragraph names it")

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
