"""The help viewer as a user meets it: 帮助 chosen from the basket's pop-up on a real X server,
the manual shown from the file the program writes, one window however often Help is chosen."""

import email
import email.policy
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

ARTIFACTS = dt.ARTIFACTS
MANUAL = os.path.join(dt.BUILD_DIR, "src", "platform", "qt", "talvoro-manual.mht")
CAPTION = "使用手册"


def pixels(desktop, window):
    """(width, height, rgb bytes) of a window's picture."""
    out = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], env=desktop.env,
                         stdout=subprocess.PIPE, check=True).stdout
    parts = out.split(b"\n", 3)  # "P6", "<w> <h>", "<max>", pixels
    width, height = (int(v) for v in parts[1].split())
    return width, height, parts[3]


class HelpTest(unittest.TestCase):
    def setUp(self):
        self.desktop = dt.Desktop()
        self.addCleanup(self.desktop.close)
        os.makedirs(ARTIFACTS, exist_ok=True)
        self.folder = os.path.join(self.desktop.env["XDG_RUNTIME_DIR"], "talvoro")
        self.help_file = os.path.join(self.folder, "daveduvhelp.mht")
        with open(MANUAL, "rb") as f:
            self.manual = f.read()

    def start(self):
        basket = self.desktop.start_basket()
        self.addCleanup(basket.kill)
        return basket

    def choose_help(self, basket):
        basket.right_click()
        self.assertTrue(dt.wait_for(basket.popup_window, 5), "no pop-up opened")
        # From no selection Up reaches 关闭, then 关于, then 帮助.
        self.desktop.xdotool("key", "Up", "Up", "Up", "Return")

    def viewers(self, basket):
        return [w for w in basket.windows()
                if self.desktop.xdotool("getwindowname", w).strip() == CAPTION]

    def open_viewer(self, basket):
        self.choose_help(basket)
        found = dt.wait_for(lambda: self.viewers(basket), 20)
        self.assertTrue(found, "no window titled %s: %s" % (CAPTION, basket.output()))
        return found[0]

    def close_viewer(self, basket, window):
        # Alt+F4 closes the window that has the focus; on a busy machine the window manager can
        # take a while to give it, and a key pressed before then goes nowhere. It is pressed
        # again only while the viewer still has the focus, so that it never closes the basket.
        for _ in range(3):
            if not self.viewers(basket):
                return
            self.desktop.xdotool("windowactivate", "--sync", window)
            if not dt.wait_for(lambda: self.desktop.xdotool(
                    "getactivewindow").strip() == window, 5):
                continue
            self.desktop.xdotool("key", "alt+F4")
            dt.wait_for(lambda: not self.viewers(basket), 10)
        self.assertFalse(self.viewers(basket), "the viewer did not close with Alt+F4")

    def wait_for_page(self, window):
        """Waits until the page's own blue title picture shows in the window; the picture."""
        def drawn():
            width, height, rgb = pixels(self.desktop, window)
            blue = sum(1 for i in range(0, len(rgb), 3 * 7)
                       if rgb[i] < 40 and rgb[i + 1] < 40 and rgb[i + 2] > 120)
            return (width, height, rgb) if blue > 200 else None
        picture = dt.wait_for(drawn, 30, 0.5)
        self.assertTrue(picture, "the manual did not show")
        return picture

    def test_the_archive_is_one_gb2312_page_and_seven_pictures_in_crlf_lines(self):
        self.assertNotIn(b"\n", self.manual.replace(b"\r\n", b""), "a line without CR LF")
        message = email.message_from_bytes(self.manual, policy=email.policy.compat32)
        self.assertEqual(message.get_content_type(), "multipart/related")
        self.assertEqual(message.get_param("type"), "text/html")
        parts = message.get_payload()
        self.assertEqual([p.get_content_type() for p in parts], ["text/html"] + ["image/jpeg"] * 7)
        page = parts[0].get_payload(decode=True).decode(parts[0].get_content_charset())
        self.assertEqual(parts[0].get_content_charset(), "gb2312")
        self.assertIn("“Talvoro”使用手册", page)
        # Every command, in the pop-up's order.
        commands = ["打开", "保存", "粘贴", "清除", "叠加", "自动", "朗读", "停止", "暂停",
                    "语音", "语速", "音量", "帮助", "关于", "关闭"]
        places = [page.find("<h3>" + c) if "<h3>" + c in page else page.find(c + "</h3>")
                  for c in commands]
        self.assertNotIn(-1, places, dict(zip(commands, places)))
        self.assertEqual(places, sorted(places))
        # The page's pictures are the archive's, found by their locations.
        base = parts[0]["Content-Location"].rsplit("/", 1)[0] + "/"
        for part in parts[1:]:
            name = part["Content-Location"][len(base):]
            self.assertIn('src="%s"' % name, page)
            self.assertTrue(part.get_payload(decode=True).startswith(b"\xff\xd8"), name)

    def test_help_shows_the_manual_in_one_window_brought_forward_and_written_per_load(self):
        basket = self.start()
        viewer = self.open_viewer(basket)
        with open(self.help_file, "rb") as f:
            self.assertEqual(f.read(), self.manual)
        self.assertEqual(os.stat(self.folder).st_mode & 0o777, 0o700)

        # Any size: the page fills the client area to its edges.
        self.desktop.xdotool("windowsize", "--sync", viewer, 760, 620)
        time.sleep(1)
        width, height, rgb = self.wait_for_page(viewer)
        self.assertEqual((width, height), (760, 620))
        for x, y in ((0, height - 1), (width // 2, height - 1), (0, height // 2)):
            at = 3 * (y * width + x)
            self.assertEqual(rgb[at:at + 3], b"\xff\xff\xff", "not the page's white at %d,%d" % (x, y))
        self.desktop.screenshot(os.path.join(ARTIFACTS, "help-viewer.png"))

        # Help again while it is open: the same window comes back, the file is not touched.
        written = os.stat(self.help_file)
        self.desktop.xdotool("windowminimize", "--sync", viewer)
        self.choose_help(basket)
        self.assertTrue(dt.wait_for(lambda: viewer in basket.windows(), 10),
                        "the viewer was not brought back")
        self.assertEqual(self.viewers(basket), [viewer])
        again = os.stat(self.help_file)
        self.assertEqual((again.st_ino, again.st_mtime_ns), (written.st_ino, written.st_mtime_ns))

        # Closed and opened again: written afresh.
        self.close_viewer(basket, viewer)
        self.assertTrue(basket.running())
        with open(self.help_file, "wb") as f:
            f.write(b"stale")
        self.open_viewer(basket)
        with open(self.help_file, "rb") as f:
            self.assertEqual(f.read(), self.manual)

    def test_the_program_runs_on_while_the_viewer_is_open(self):
        basket = self.start()
        viewer = self.open_viewer(basket)
        basket.right_click()
        self.assertTrue(dt.wait_for(basket.popup_window, 5))
        basket.choose_last_item()  # 关闭
        self.assertTrue(dt.wait_for(lambda: basket.windows() == [viewer], 10), basket.windows())
        self.assertTrue(basket.running())
        self.close_viewer(basket, viewer)
        self.assertEqual(basket.wait_exit(10), 0)

    def test_links_at_the_help_file_or_its_folder_are_not_followed(self):
        home = self.desktop.home
        precious = os.path.join(home, "precious.txt")
        with open(precious, "w") as f:
            f.write("keep me")
        os.makedirs(self.folder, mode=0o755)
        os.symlink(precious, self.help_file)

        basket = self.start()
        viewer = self.open_viewer(basket)
        with open(precious) as f:
            self.assertEqual(f.read(), "keep me")
        self.assertFalse(os.path.islink(self.help_file))
        with open(self.help_file, "rb") as f:
            self.assertEqual(f.read(), self.manual)
        self.assertEqual(os.stat(self.folder).st_mode & 0o777, 0o700, "the folder made private")
        self.close_viewer(basket, viewer)

        # The folder itself replaced by a link: nothing is written where it leads, the viewer
        # opens empty and the basket goes on.
        elsewhere = os.path.join(home, "elsewhere")
        os.makedirs(elsewhere)
        os.rename(self.folder, os.path.join(home, "old"))
        os.symlink(elsewhere, self.folder)
        viewer = self.open_viewer(basket)
        time.sleep(1)
        self.assertEqual(os.listdir(elsewhere), [])
        self.close_viewer(basket, viewer)
        self.assertTrue(basket.running())


if __name__ == "__main__":
    unittest.main()
