#!/usr/bin/env python3
"""Takes the user manual's pictures afresh: screenshots of the Linux edition running on a private
Xvfb desktop with openbox (the basket, the pop-up menu, the check mark of "自动", the voice, rate
and volume sub-menus), and draws the title picture. Run it after the basket or its menu has
changed, look at the pictures, and commit them; the build makes the manual from them.

Usage: tools/capture-manual-shots.py [BUILD_DIR]   (default: build; needs bin/talvoro there)
Needs Xvfb, openbox, xdotool, xclip and ImageMagick (tools/setup-debian.sh test)."""

import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "manual")
os.environ.setdefault("TALVORO_BUILD_DIR", os.path.abspath(sys.argv[1] if len(sys.argv) > 1
                                                             else os.path.join(ROOT, "build")))
sys.path.insert(0, os.path.join(ROOT, "tests", "linux"))
import desktop as dt  # noqa: E402

JPEG = ["-strip", "-quality", "92", "-sampling-factor", "4:4:4"]
FONT = "Noto-Sans-CJK-SC"
FONT_BOLD = "Noto-Sans-CJK-SC-Bold"


def convert(*args):
    subprocess.run(["convert"] + [str(a) for a in args], check=True)


def grab(desktop, window, path):
    desktop.run(["import", "-window", window, path])
    return path


def sub_menu(desktop, basket, popup, row, tmp, name):
    """Opens the sub-menu of `row` by pointing at it and keeps its picture."""
    before = set(basket.windows())
    desktop.xdotool("mousemove", popup.x + popup.CAPTION_LEFT + 20,
                    popup.y + (row.top + row.bottom) // 2)
    time.sleep(0.3)
    desktop.xdotool("key", "Right")
    new = dt.wait_for(lambda: set(basket.windows()) - before, 5)
    if not new:
        raise RuntimeError("the %s sub-menu did not open" % name)
    time.sleep(0.6)  # drawn fully
    return grab(desktop, new.pop(), os.path.join(tmp, name + ".png"))


def title(path):
    """The title picture: the basket's blue, the program's icon, its name and the manual's."""
    icon = os.path.join(ROOT, "resources", "talvoro-128.png")
    convert("-size", "120x480", "gradient:#0000c0-#00005a", "-rotate", "-90",
            "(", icon, "-resize", "96x96", ")", "-geometry", "+14+12", "-composite",
            "-fill", "white", "-font", FONT_BOLD, "-pointsize", "40",
            "-annotate", "+128+58", "Talvoro",
            "-fill", "#d8e0ff", "-font", FONT, "-pointsize", "24",
            "-annotate", "+130+96", "文本朗读器 · 使用手册",
            *JPEG, path)


def main():
    tmp = tempfile.mkdtemp(prefix="talvoro-shots-")
    desktop = dt.Desktop()
    clipboard = dt.Clipboard(desktop)
    try:
        # Chinese first in the voice list, and text on the clipboard so that 粘贴 is offered.
        desktop.store_position(1500, 1500)
        basket = desktop.start_basket({"LANG": "zh_CN.UTF-8", "LC_ALL": ""})
        clipboard.copy("你好")
        time.sleep(0.5)

        shot = grab(desktop, basket.window, os.path.join(tmp, "basket.png"))
        convert(shot, "-filter", "point", "-resize", "300%", *JPEG,
                os.path.join(OUT, "basket.jpg"))

        basket.right_click()
        popup = basket.popup()
        if not popup or len(popup.items) != 15:
            raise RuntimeError("the pop-up did not open as expected")
        shot = grab(desktop, popup.window, os.path.join(tmp, "menu.png"))
        convert(shot, *JPEG, os.path.join(OUT, "menu.jpg"))

        # The tick of 自动, the sixth item.
        auto = popup.items[5]
        if not auto.checked:
            raise RuntimeError("自动 is not ticked")
        middle = (auto.top + auto.bottom) // 2
        convert(shot, "-crop", "18x18+%d+%d" % (popup.TICK[0] + 2, middle - 9), "+repage",
                *JPEG, os.path.join(OUT, "check.jpg"))

        for index, name, keep in ((9, "voices", (262, 200)), (10, "rate", None), (11, "volume", None)):
            picture = sub_menu(desktop, basket, popup, popup.items[index], tmp, name)
            if keep:  # the first voices of a long list, which Qt lays out in columns
                convert(picture, "-crop", "%dx%d+0+0" % keep, "+repage", picture)
            convert(picture, *JPEG, os.path.join(OUT, name + ".jpg"))
            desktop.xdotool("key", "Left")  # back to the main menu
            dt.wait_for(lambda: len(basket.windows()) == 2, 5)

        desktop.xdotool("key", "Escape", "Escape", "Escape")
        title(os.path.join(OUT, "title.jpg"))
        basket.kill()
    finally:
        clipboard.release()
        desktop.close()
    for name in ("title", "basket", "menu", "check", "voices", "rate", "volume"):
        print(os.path.join(OUT, name + ".jpg"))


if __name__ == "__main__":
    main()
