"""A text file that tries to command the speech engine: its bytes hold the engine library's own
command (byte 0x01, then "200H": an echo on every later reading) raw and as a markup reference.
The file is opened with 打开 and read aloud; a plain file read before and after it must sound the
same."""

import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

OPEN = 0  # the first item of the pop-up

CHECK = b"Hello, this is a check. One, two; three.\r\n"
COMMANDS = (b"\x01200H An echo asked for in a file.\r\n"
            b"<speak>&#1;200H And one from a reference.</speak>\r\n")


class EngineTextTest(dt.SoundDesktopTest):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="talvoro-engine-text-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.basket = self.desktop.start_basket({"LANG": "C.UTF-8", "LC_ALL": ""})
        self.addCleanup(self.basket.kill)

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def open_file(self, path):
        """打开 from the pop-up, the path typed into the file dialog."""
        self.basket.right_click()
        popup = self.basket.popup()
        self.assertIsNotNone(popup, "no pop-up opened")
        popup.click(OPEN)
        dialog = dt.wait_for(lambda: [w for w in self.basket.windows()
                                      if self.desktop.xdotool("getwindowname", w).strip()
                                      == "打开文件"], 10)
        self.assertTrue(dialog, "no file dialog opened")
        time.sleep(0.5)  # the dialog lists its folder before it takes keys
        self.desktop.xdotool("windowactivate", "--sync", dialog[-1])
        self.desktop.xdotool("key", "ctrl+a", "BackSpace")
        self.desktop.xdotool("type", "--delay", "5", path)
        time.sleep(0.3)
        self.desktop.xdotool("key", "Return")
        self.assertTrue(dt.wait_for(lambda: dialog[-1] not in self.basket.windows(), 10))

    def hear(self, path):
        """Opens the file, which is read aloud; returns (seconds of sound, blocks with sound)."""
        self.recorder.wait_for_silence(time.monotonic(), 0.5, 30)
        since = time.monotonic()
        self.open_file(path)
        first = self.recorder.wait_for_sound(since, 10)
        self.assertIsNotNone(first, "nothing was heard from " + path)
        last = self.recorder.wait_for_silence(first, 1.0, 30)
        return last - first, len(self.recorder.sound_times(first, last))

    def test_a_file_cannot_give_the_engine_an_echo(self):
        check = self.write("check.txt", CHECK)
        seconds, blocks = self.hear(check)
        self.hear(self.write("commands.txt", COMMANDS))
        seconds_after, blocks_after = self.hear(check)
        # The echo makes nearly half as much again of the reading audible.
        self.assertAlmostEqual(blocks_after, blocks, delta=blocks * 0.08)
        self.assertAlmostEqual(seconds_after, seconds, delta=0.15)


if __name__ == "__main__":
    unittest.main()
