"""Opening and saving text files as a user does it: 打开 and 保存 from the basket's pop-up, the
file dialog driven from the keyboard, the opened text heard at a private sound server's null sink,
the saved bytes compared, and a save onto a full disk."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

# Items of the pop-up, counted without separators.
OPEN, SAVE, AUTO = 0, 1, 5

GB_TEXT = "你好，世界。\r\n今天天气很好。\r\n"
UTF8_TEXT = "The quick brown fox jumps over the lazy dog.\r\n中文也在这里。\r\n"


class FilesTest(dt.SoundDesktopTest):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="talvoro-files-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.desktop.store_position(3000, 4500)
        # A UTF-8 locale: files that are not UTF-8 are read as GB18030.
        self.basket = self.desktop.start_basket({"LANG": "C.UTF-8", "LC_ALL": ""})
        self.addCleanup(self.basket.kill)

    # The desktop.

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def saved(self, path):
        """The bytes of a file the program saves: it renames the whole file into place."""
        self.assertTrue(dt.wait_for(lambda: os.path.exists(path), 5), "nothing was saved")
        return self.read(path)

    def shoot(self, name):
        self.desktop.screenshot(os.path.join(dt.ARTIFACTS, name))

    def windows_named(self, title):
        """The program's mapped windows with this title, oldest first."""
        return [w for w in self.basket.windows()
                if self.desktop.xdotool("getwindowname", w).strip() == title]

    def wait_window(self, title, count=1, timeout=10):
        """The newest of the program's windows with this title, once there are `count` of them."""
        windows = dt.wait_for(lambda: len(self.windows_named(title)) >= count and
                              self.windows_named(title), timeout)
        self.assertTrue(windows, "no window titled %s opened" % title)
        return windows[-1]

    def wait_gone(self, window, timeout=10):
        self.assertTrue(dt.wait_for(lambda: window not in self.basket.windows(), timeout),
                        "the window %s stayed open" % window)

    def choose(self, item):
        self.basket.right_click()
        popup = self.basket.popup(least=item + 1)
        if popup is None:
            # Once in a full CI run, the right-click that followed a closing file dialog opened no
            # pop-up; it did not come back in seventy tries under load. Record it and click again,
            # as a user would: a basket that never opens its pop-up still fails here.
            self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "files-no-popup.png"))
            print("\nno pop-up after the first right-click; the basket's windows: %s"
                  % self.basket.windows(), file=sys.stderr)
            self.basket.right_click()
            popup = self.basket.popup(least=item + 1)
        self.assertIsNotNone(popup, "no pop-up opened")
        self.assertEqual(popup.items[item].kind, "on")
        popup.click(item)
        self.wait_gone(popup.window, 15)

    def dialog(self, item, title):
        """Chooses 打开 or 保存 and returns the file dialog that opens."""
        self.choose(item)
        window = self.wait_window(title)
        time.sleep(0.5)  # the dialog lists its folder before it takes keys
        return window

    def file_name_field(self, window):
        """What the dialog's file name field holds, read through the clipboard."""
        self.desktop.xdotool("windowactivate", "--sync", window)
        self.desktop.xdotool("key", "ctrl+a", "ctrl+c")
        time.sleep(0.3)
        return dt.Clipboard(self.desktop).paste().decode()

    def enter_path(self, window, path):
        """Types a path into the dialog's file name field (it has the focus) and presses Return."""
        self.desktop.xdotool("windowactivate", "--sync", window)
        self.desktop.xdotool("key", "ctrl+a", "BackSpace")
        self.desktop.xdotool("type", "--delay", "5", path)
        time.sleep(0.3)
        self.desktop.xdotool("key", "Return")

    def open_file(self, path):
        window = self.dialog(OPEN, "打开文件")
        self.enter_path(window, path)
        self.wait_gone(window)
        return time.monotonic()

    def hear(self, since, what):
        first = self.recorder.wait_for_sound(since, 5)
        self.assertIsNotNone(first, "nothing was heard after opening " + what)
        self.recorder.wait_for_silence(first, 1.0, 30)

    # The cases.

    def test_open_gb2312_and_utf8_files_hear_them_and_save_them(self):
        gb = self.write("gb2312.txt", GB_TEXT.encode("gb2312"))
        utf8 = self.write("utf8.txt", UTF8_TEXT.encode("utf-8"))

        window = self.dialog(OPEN, "打开文件")
        self.shoot("files-open-dialog.png")
        self.enter_path(window, gb)
        self.wait_gone(window)
        self.hear(time.monotonic(), "the GB2312 file")

        # The buffer saved: each line after CR LF, one CR LF at the end, in the locale's UTF-8.
        # The dialog starts on the file just opened.
        window = self.dialog(SAVE, "保存文件")
        self.assertEqual(self.file_name_field(window), "gb2312.txt")
        self.shoot("files-save-dialog.png")
        self.enter_path(window, self.path("gb2312-saved.txt"))
        self.wait_gone(window)
        self.assertEqual(self.saved(self.path("gb2312-saved.txt")),
                         ("\r\n" + GB_TEXT[:-2] + "\r\n").encode())

        self.hear(self.open_file(utf8), "the UTF-8 file")
        # A name typed without an extension is used as typed.
        window = self.dialog(SAVE, "保存文件")
        self.enter_path(window, self.path("notes"))
        self.wait_gone(window)
        self.assertEqual(self.saved(self.path("notes")), ("\r\n" + UTF8_TEXT[:-2] + "\r\n").encode())

        # The saved file opened and saved over itself, after a question: one more empty line at
        # the top.
        self.hear(self.open_file(self.path("notes")), "the saved file")
        window = self.dialog(SAVE, "保存文件")
        self.enter_path(window, self.path("notes"))
        question = self.wait_window("保存文件", count=2)
        self.shoot("files-replace-question.png")
        self.desktop.xdotool("key", "y")
        self.wait_gone(question)
        self.wait_gone(window)
        self.assertTrue(dt.wait_for(
            lambda: self.read(self.path("notes")).startswith(b"\r\n\r\nThe quick"), 5))
        self.assertEqual(self.read(self.path("notes")),
                         ("\r\n\r\n" + UTF8_TEXT[:-2] + "\r\n").encode())
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["gb2312-saved.txt", "gb2312.txt", "notes", "utf8.txt"])

    def test_a_read_only_file_is_refused_in_the_dialog(self):
        self.open_file(self.write("text.txt", b"some text\r\n"))
        locked = self.write("locked.txt", b"kept\r\n")
        os.chmod(locked, 0o444)
        window = self.dialog(SAVE, "保存文件")
        self.enter_path(window, locked)
        warning = self.wait_window("保存文件", count=2)
        self.shoot("files-read-only.png")
        self.desktop.xdotool("key", "Return")
        self.wait_gone(warning)
        # The dialog stays for another choice; cancelling it shows nothing.
        self.assertIn(window, self.basket.windows())
        self.desktop.xdotool("key", "Escape")
        self.wait_gone(window)
        time.sleep(0.5)
        self.assertEqual(self.basket.windows(), [self.basket.window])
        self.assertEqual(self.read(locked), b"kept\r\n")

    @unittest.skipUnless(os.geteuid() == 0, "mounting a small file system needs root")
    def test_a_save_that_fills_the_disk_shows_the_error_and_keeps_the_old_file(self):
        full = self.path("full")
        os.mkdir(full)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", full], check=True)
        self.addCleanup(subprocess.run, ["umount", full])
        old = os.path.join(full, "old.txt")
        with open(old, "wb") as f:
            f.write(b"the old text\r\n")

        self.choose(AUTO)  # no reading of a long text
        big = self.write("big.txt", ("一行又一行的文字。 line after line\r\n" * 5000).encode())
        self.open_file(big)
        window = self.dialog(SAVE, "保存文件")
        self.enter_path(window, old)
        question = self.wait_window("保存文件", count=2)
        self.desktop.xdotool("key", "y")
        self.wait_gone(window)
        box = self.wait_window("错误信息：61")
        self.shoot("files-disk-full.png")
        self.desktop.xdotool("key", "Return")
        self.wait_gone(box)
        del question
        self.assertEqual(self.read(old), b"the old text\r\n")
        self.assertEqual(os.listdir(full), ["old.txt"])


if __name__ == "__main__":
    unittest.main()
