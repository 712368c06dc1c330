#!/usr/bin/env python3
"""Builds the user manual: one MHTML web archive (RFC 2557) holding the page, in GB2312, and
its JPEG pictures, every part in base64 and every line ending in CR LF (Chromium refuses an
archive with bare line feeds). The output depends on the sources alone, byte for byte.

Usage: build-manual.py SOURCE_FOLDER OUTPUT.mht
The source folder holds manual.html (UTF-8; every character must exist in GB2312) and the
pictures the page names with <img src="NAME.jpg">."""

import base64
import re
import sys
from pathlib import Path

BOUNDARY = "----=_NextPart_000_Talvoro_Manual"
# Where the parts say they come from; the page names its pictures relative to it, and the
# browser finds them inside the archive by these locations.
BASE = "http://talvoro.manual/"
PAGE = BASE + "index.htm"
TITLE = "\u201cTalvoro\u201d\u4f7f\u7528\u624b\u518c"  # “Talvoro”使用手册
CRLF = "\r\n"


def base64_lines(data):
    text = base64.b64encode(data).decode("ascii")
    return [text[i:i + 76] for i in range(0, len(text), 76)]


def part(content_type, location, data):
    return ["--" + BOUNDARY,
            "Content-Type: " + content_type,
            "Content-Transfer-Encoding: base64",
            "Content-Location: " + location,
            ""] + base64_lines(data) + [""]


def build(source, output):
    html = (source / "manual.html").read_text(encoding="utf-8")
    if not re.search(r'<meta[^>]+charset=gb2312', html, re.I):
        sys.exit("manual.html must declare charset=gb2312")
    try:
        page = html.replace("\r\n", "\n").replace("\n", CRLF).encode("gb2312")
    except UnicodeEncodeError as e:
        sys.exit("manual.html: %r has no GB2312 form (at %d)" % (e.object[e.start:e.end], e.start))

    pictures = []
    for name in re.findall(r'<img[^>]+src="([^"]+)"', html):
        if name not in pictures:
            pictures.append(name)
    for name in pictures:
        if "/" in name or not name.endswith(".jpg") or not (source / name).is_file():
            sys.exit("manual.html names a picture that is not a JPEG of the folder: " + name)

    subject = "=?gb2312?B?" + base64.b64encode(TITLE.encode("gb2312")).decode("ascii") + "?="
    lines = ["From: <Saved by Talvoro>",
             "Subject: " + subject,
             "Date: Mon, 7 Dec 2026 00:00:00 +0800",
             "MIME-Version: 1.0",
             'Content-Type: multipart/related; type="text/html"; boundary="%s"' % BOUNDARY,
             "",
             "This is a multi-part message in MIME format.",
             ""]
    lines += part('text/html; charset="gb2312"', PAGE, page)
    for name in pictures:
        jpeg = (source / name).read_bytes()
        if not jpeg.startswith(b"\xff\xd8"):
            sys.exit(name + " is not a JPEG file")
        lines += part("image/jpeg", BASE + name, jpeg)
    lines += ["--" + BOUNDARY + "--", ""]

    data = CRLF.join(lines).encode("ascii")
    assert b"\n" not in data.replace(b"\r\n", b"")
    output.parent.mkdir(parents=True, exist_ok=True)
    tmp = output.with_suffix(".tmp")
    tmp.write_bytes(data)
    tmp.replace(output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    build(Path(sys.argv[1]), Path(sys.argv[2]))
