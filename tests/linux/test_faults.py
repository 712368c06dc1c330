"""Faults a user's desktop can hold, met by the real program: a broken settings file, a clipboard
holding only a picture, a dropped text of 200 MB, and the sound server dying in the middle of a
reading and coming back."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402
from test_drop import DragSource  # noqa: E402

PASTE, READ = 2, 6
QUIET = 1.0


class SettingsFaultTest(unittest.TestCase):
    """A settings file that is garbage, or a folder where the file should be."""

    def setUp(self):
        self.desktop = dt.Desktop()
        self.addCleanup(self.desktop.close)

    def close(self, basket):
        basket.right_click()
        self.assertTrue(dt.wait_for(basket.popup_window, 5), "no pop-up opened")
        basket.choose_last_item()
        self.assertEqual(basket.wait_exit(10), 0, "the program did not end after 关闭")

    def test_garbage_is_replaced_by_the_place_on_closing(self):
        path = self.desktop.settings_file
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(4096) + b"\n[site]\ntop=\x00\xff\nleft=[[[\n")
        basket = self.desktop.start_basket({})
        self.addCleanup(basket.kill)
        x, y, w, h = basket.geometry()
        self.assertEqual((w, h), (40, 40))
        self.close(basket)
        # The place it had is what the file holds now, readable again.
        self.assertEqual(self.desktop.stored_position(), (str(y * 15), str(x * 15)))

    def test_a_folder_in_place_of_the_file_still_lets_it_start_and_close(self):
        path = self.desktop.settings_file
        os.makedirs(os.path.join(path, "inside"))
        basket = self.desktop.start_basket({})
        self.addCleanup(basket.kill)
        self.assertEqual(basket.geometry()[2:], (40, 40))
        self.close(basket)
        self.assertTrue(os.path.isdir(os.path.join(path, "inside")), "the folder was touched")


class DesktopFaultTest(dt.SoundDesktopTest):
    def setUp(self):
        self.desktop.store_position(3000, 4500)
        self.basket = self.desktop.start_basket({"LANG": "en_US.UTF-8"})
        self.addCleanup(self.basket.kill)

    def menu(self):
        self.basket.right_click()
        popup = self.basket.popup()
        self.assertIsNotNone(popup, "no pop-up opened (the program does not answer)")
        return popup

    def choose(self, item):
        popup = self.menu()
        at = time.monotonic()
        popup.click(item)
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5))
        return at

    def test_a_clipboard_with_only_a_picture_offers_no_paste(self):
        picture = tempfile.NamedTemporaryFile(suffix=".png", delete=False)
        self.addCleanup(os.remove, picture.name)
        subprocess.run(["convert", "-size", "16x16", "xc:red", picture.name], check=True)
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png",
                                  "-i", picture.name], env=self.desktop.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(owner.kill)
        time.sleep(0.5)
        popup = self.menu()
        self.assertEqual(popup.items[PASTE].kind, "off", "粘贴 offered for a picture")
        self.desktop.xdotool("key", "Escape")
        self.assertTrue(self.basket.running())

    def test_a_pasted_text_of_200_megabytes_is_taken_and_read(self):
        # Qt's own drag source cannot hand over more than about 16 MB, so the large text comes
        # by the clipboard (xclip sends it in increments, as large selections travel on X11);
        # both take the same way into the buffer.
        big = tempfile.NamedTemporaryFile(suffix=".txt", delete=False)
        self.addCleanup(os.remove, big.name)
        line = b"A very long text, put whole into the basket, is read from its first words.\n"
        with open(big.name, "wb") as f:
            f.write(line * (200 * 1024 * 1024 // len(line) + 1))
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i", big.name],
                                 env=self.desktop.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.addCleanup(owner.kill)
        time.sleep(1)
        pasted = self.choose(PASTE)
        first = self.recorder.wait_for_sound(pasted, 30)
        self.assertIsNotNone(first, "the 200 MB text was not heard")
        print("\n  200 MB: heard %.2f s after 粘贴" % (first - pasted))
        # Still answering: the menu opens and stops the reading.
        stopped = self.choose(7)  # 停止
        self.recorder.wait_for_silence(stopped, QUIET, 10)
        self.assertTrue(self.basket.running())

    def test_a_drop_whose_text_never_arrives_keeps_the_buffer(self):
        short = DragSource(self.desktop, ["--text", "Kept in the basket."], 40, 60)
        self.addCleanup(short.close)
        x, y, w, h = self.basket.geometry()
        action, released = short.drag_to(x + w // 2, y + h // 2)
        first = self.recorder.wait_for_sound(released, 5)
        self.assertIsNotNone(first)
        once = self.recorder.wait_for_silence(first, QUIET, 20) - first

        hung = DragSource(self.desktop, ["--text", "never handed over", "--stall"], 40, 160)
        self.addCleanup(hung.close)
        before = set(self.basket.windows())
        hung.drag_to(x + w // 2, y + h // 2, answer=False)
        box = dt.wait_for(lambda: set(self.basket.windows()) - before, 20)
        self.assertTrue(box, "no error box for a drop whose text never came")
        box = box.pop()
        self.assertIn("错误信息：-2147467259",
                      self.desktop.run(["xprop", "-id", box, "_NET_WM_NAME"]))
        self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "drop-stalled.png"))
        self.desktop.xdotool("windowactivate", "--sync", box, "key", "Return")
        self.assertTrue(dt.wait_for(lambda: box not in self.basket.windows(), 5))
        # The buffer still holds the earlier text.
        read = self.choose(READ)
        first = self.recorder.wait_for_sound(read, 5)
        self.assertIsNotNone(first, "the buffer lost its text")
        length = self.recorder.wait_for_silence(first, QUIET, 20) - first
        self.assertLess(abs(length - once), 1.0)

    def test_the_sound_server_dying_mid_reading_and_coming_back(self):
        clipboard = dt.Clipboard(self.desktop)
        self.addCleanup(clipboard.release)
        clipboard.copy("This reading is cut off when the sound server goes away. " * 8)
        heard = self.recorder.wait_for_sound(self.choose(PASTE), 5)
        self.assertIsNotNone(heard)
        time.sleep(1)
        # The server dies (as a crash would), and is started again in its place.
        self.sound.proc.kill()
        self.sound.proc.wait()
        time.sleep(1)
        self.assertTrue(self.basket.running(), "the program died with the sound server")
        self.assertIsNotNone(self.menu(), "the program hangs without its sound server")
        self.desktop.xdotool("key", "Escape")
        type(self).sound = dt.SoundServer(self.desktop)
        type(self).recorder = self.sound.record()
        # The next reading is heard.
        read = self.choose(READ)
        self.assertIsNotNone(self.recorder.wait_for_sound(read, 5),
                             "nothing was heard after the sound server came back")
        self.choose(7)


if __name__ == "__main__":
    unittest.main()
