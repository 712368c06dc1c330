"""Text dropped on the basket from another program, as a user does it: a drag source in a
process of its own (XDND) carried onto the basket with the real pointer, the dropped text heard
at a private sound server's null sink."""

import ctypes
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

DRAG_SOURCE = os.path.join(dt.BUILD_DIR, "tests", "talvoro_drag_source")

# Items of the pop-up, counted without separators.
APPEND, AUTO, READ, STOP = 4, 5, 6, 7

SHORT = "The quick brown fox jumps over the lazy dog."
LONG = " ".join(["This long text keeps the basket reading for well over half a minute, "
                 "sentence after sentence, until something else is dropped on it."] * 6)
QUIET = 1.0


class DragSource:
    """Another program's window at (x, y) that offers text, a file list or a picture when the
    left button is pressed on it."""

    def __init__(self, desktop, args, x, y):
        self.desktop = desktop
        self.x, self.y = x, y
        self.proc = subprocess.Popen([DRAG_SOURCE] + args + ["--at", "%d,%d" % (x, y)],
                                     env=desktop.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        desktop.procs.append(self.proc)
        line = self.proc.stdout.readline()
        if not line.startswith("ready"):
            raise RuntimeError("the drag source did not start")
        time.sleep(0.3)

    def drag_to(self, tx, ty, steps=10, answer=True):
        """Presses on the source, carries the drag to (tx, ty) in steps and lets go; returns the
        drop action the target answered (0: refused; None when not waited for) and the time of
        the release."""
        sx, sy = self.x + 60, self.y + 30
        self.desktop.xdotool("mousemove", sx, sy, "sleep", 0.2, "mousedown", 1, "sleep", 0.2)
        for i in range(1, steps + 1):
            self.desktop.xdotool("mousemove", sx + (tx - sx) * i // steps,
                                 sy + (ty - sy) * i // steps, "sleep", 0.03)
        self.desktop.xdotool("sleep", 0.3)
        released = time.monotonic()
        self.desktop.xdotool("mouseup", 1)
        if not answer:
            return None, released
        answer = self.proc.stdout.readline().split()
        return int(answer[1]), released

    def close(self):
        self.proc.kill()
        self.proc.wait()


def pointer_grab_possible(display):
    """Whether another client can grab the pointer now (nobody holds a grab)."""
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_int, ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong,
                                  ctypes.c_ulong]
    xlib.XUngrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    d = xlib.XOpenDisplay(display.encode())
    if not d:
        raise RuntimeError("cannot open " + display)
    try:
        root = xlib.XDefaultRootWindow(d)
        # GrabModeAsync = 1, CurrentTime = 0; GrabSuccess = 0.
        result = xlib.XGrabPointer(d, root, 0, 0, 1, 1, 0, 0, 0)
        if result == 0:
            xlib.XUngrabPointer(d, 0)
        return result == 0
    finally:
        xlib.XCloseDisplay(d)


class DropTest(dt.SoundDesktopTest):
    def setUp(self):
        self.desktop.store_position(3000, 4500)  # the basket at 300,200
        self.basket = self.desktop.start_basket({"LANG": "en_US.UTF-8"})
        self.addCleanup(self.basket.kill)
        time.sleep(0.5)
        x, y, w, h = self.basket.geometry()
        self.target = (x + w // 2, y + h // 2)
        self.sources = {}

    def source(self, name, args, y):
        if name not in self.sources:
            self.sources[name] = DragSource(self.desktop, args, 40, y)
            self.addCleanup(self.sources[name].close)
        return self.sources[name]

    def short(self):
        return self.source("short", ["--text", SHORT], 60)

    def long(self):
        return self.source("long", ["--text", LONG], 160)

    def drop(self, source, at=None):
        action, released = source.drag_to(*(at or self.target))
        self.assertEqual(action, 1, "the basket did not take the drop as a copy")
        return released

    def menu_choose(self, item):
        self.basket.right_click()
        popup = self.basket.popup()
        self.assertIsNotNone(popup, "no pop-up opened")
        popup.click(item)
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5))
        return time.monotonic()

    def menu_ticks(self):
        self.basket.right_click()
        popup = self.basket.popup()
        ticks = (popup.items[APPEND].checked, popup.items[AUTO].checked)
        self.desktop.xdotool("key", "Escape")
        dt.wait_for(lambda: not self.basket.popup_window(), 5)
        return ticks

    def heard_after(self, t, timeout=5):
        first = self.recorder.wait_for_sound(t, timeout)
        self.assertIsNotNone(first, "nothing was heard")
        return first

    def length_of_reading(self, first):
        return self.recorder.wait_for_silence(first, QUIET, 60) - first

    def test_a_drop_is_heard_at_once_and_cuts_off_the_speech_under_way(self):
        self.assertEqual(self.menu_ticks(), (False, True), "叠加 off and 自动 on at start")
        released = self.drop(self.short())
        first = self.heard_after(released)
        self.assertLess(first - released, 1.0)
        short_length = self.length_of_reading(first)
        self.assertGreater(short_length, 1.0)

        # Into a long reading, the short text again: the long one stops, the short one is read.
        self.heard_after(self.drop(self.long()))
        time.sleep(2)
        released = self.drop(self.short())
        length = self.length_of_reading(self.heard_after(released))
        self.assertLess(length, short_length + 1.5, "the long reading went on after the drop")
        self.assertTrue(pointer_grab_possible(self.desktop.display), "a pointer grab was left")
        self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "drop-after.png"))

    def test_with_append_the_same_text_twice_is_read_whole_from_the_start(self):
        once = self.length_of_reading(self.heard_after(self.drop(self.short())))
        self.menu_choose(APPEND)
        self.assertEqual(self.menu_ticks(), (True, True))
        # The buffer now holds the text twice, and reading starts from its beginning.
        twice = self.length_of_reading(self.heard_after(self.drop(self.short())))
        self.assertGreater(twice, 1.7 * once, "only the dropped text was read")
        self.assertLess(twice, 2.5 * once + 1)

    def test_without_automatic_reading_the_text_is_taken_in_silently(self):
        self.heard_after(self.drop(self.long()))
        self.menu_choose(AUTO)
        released = self.drop(self.short())
        # The long reading goes on past the time the short text would have taken.
        time.sleep(5)
        self.assertTrue(self.recorder.sound_times(time.monotonic() - 1.5),
                        "the speech under way stopped")
        stopped = self.menu_choose(STOP)
        self.recorder.wait_for_silence(stopped, QUIET, 10)
        # The buffer holds the short text.
        read = self.menu_choose(READ)
        length = self.length_of_reading(self.heard_after(read))
        self.assertLess(length, 6, "朗读 did not read the dropped short text")
        self.assertGreater(released, 0)

    def test_a_file_list_shows_the_error_box_and_the_buffer_keeps_its_text(self):
        once = self.length_of_reading(self.heard_after(self.drop(self.short())))
        files = self.source("files", ["--files", "/etc/hostname", "/etc/os-release"], 260)
        before = set(self.basket.windows())
        released = self.drop(files)
        box = dt.wait_for(lambda: set(self.basket.windows()) - before, 5)
        self.assertTrue(box, "no error box")
        box = box.pop()
        title = self.desktop.run(["xprop", "-id", box, "_NET_WM_NAME"])
        self.assertIn("错误信息：-2147221404", title)
        self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "drop-files-error.png"))
        self.assertFalse(self.recorder.sound_times(released, time.monotonic()),
                         "a file list was read aloud")
        self.desktop.xdotool("windowactivate", "--sync", box, "key", "Return")
        self.assertTrue(dt.wait_for(lambda: box not in self.basket.windows(), 5))
        # A picture alike.
        image = self.source("image", ["--image"], 360)
        before = set(self.basket.windows())
        self.drop(image)
        box = dt.wait_for(lambda: set(self.basket.windows()) - before, 5)
        self.assertTrue(box, "no error box for a picture")
        self.desktop.xdotool("windowactivate", "--sync", box.pop(), "key", "Return")
        time.sleep(0.5)
        # The buffer still holds the short text.
        length = self.length_of_reading(self.heard_after(self.menu_choose(READ)))
        self.assertLess(abs(length - once), 1.0)

    def test_the_picture_edges_count_as_inside_and_the_frame_does_not(self):
        x, y, w, h = self.basket.geometry()
        # The picture covers window pixels 1..38 across and 1..37 down; its right and bottom
        # edges (x equal to its width, y equal to its height) still count as inside.
        for at in [(x + 39, y + 20), (x + 20, y + 38)]:
            action, _ = self.short().drag_to(*at)
            self.assertEqual(action, 1, "a drop on the edge at %s was refused" % (at,))
            self.recorder.wait_for_silence(time.monotonic(), QUIET, 20)
        # The frame pixel left of the picture is not the picture.
        action, released = self.short().drag_to(x, y + 20)
        self.assertEqual(action, 0, "a drop on the frame was taken")
        self.assertTrue(pointer_grab_possible(self.desktop.display), "a pointer grab was left")


if __name__ == "__main__":
    unittest.main()
