"""A long run of the real program as a user drives it: a few hundred real clicks, drops from
another process and pastes, chosen at random, with the engine heard at a private null sink.
Every pop-up opened on the way is read off the screen and held against a model of what the
program must show; at the end the buffer is saved and compared byte for byte, and the place the
basket was carried to is what the settings keep.

TALVORO_SOAK_STEPS sets the number of steps (default 300), TALVORO_SOAK_SEED the random seed
(printed, so that a failing run can be replayed)."""

import os
import random
import shutil
import statistics
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402
from test_drop import DragSource  # noqa: E402

# Items of the pop-up, counted without separators.
SAVE, PASTE, CLEAR, APPEND, AUTO, READ, STOP, PAUSE = 1, 2, 3, 4, 5, 6, 7, 8
VOICE, RATE, VOLUME, CLOSE = 9, 10, 11, 14

# The rate and volume sub-menus: a step up, a step down, then presets (the separator is not an
# item). Values as the engine takes them.
RATE_PRESETS = [-8, -4, 0, 5, 7, 9]
VOLUME_PRESETS = [10, 30, 50, 75, 100]

DROP_TEXTS = [
    "Dropped from another window, this sentence is read out at once.",
    "从另一个程序拖来的文字，放进篮子里就读出来。",
    "A third source offers a longer line, so that a pause can land in the middle of it.",
]
PASTE_TEXTS = [
    "Pasted text is heard as soon as it is taken in.",
    "粘贴的文字马上就能听到。",
    "Short paste.",
    "Numbers like 42 and 2026 are read as words, one after another, in order.",
    "Mixed 中文 and English in one line.",
]

# Sound is judged only where the volume leaves it clearly audible.
AUDIBLE_VOLUME = 30


class Model:
    """What the program must hold after each step."""

    def __init__(self):
        self.buffer = ""
        self.append = False
        self.auto = True
        self.paused = False
        # False once nothing can be reading (after 停止 or before any reading); True while a
        # reading may be under way (it ends by itself).
        self.may_read = False
        self.rate = 5  # the start values, ticked as 正常 and 最大
        self.volume = 100
        self.clipboard = False
        self.voice = None  # row of the ticked voice, learnt from the first look

    def take_in(self, text):
        self.buffer = self.buffer + text if self.append else text
        if self.auto:
            self.read()

    def read(self):
        if self.buffer:
            self.may_read = True
            self.paused = False

    def stop(self):
        self.may_read = False
        self.paused = False


class DesktopSoakTest(dt.SoundDesktopTest):
    STEPS = int(os.environ.get("TALVORO_SOAK_STEPS", "300"))

    def setUp(self):
        self.seed = int(os.environ.get("TALVORO_SOAK_SEED", str(int(time.time()))))
        print("\n  seed %d (TALVORO_SOAK_SEED replays it)" % self.seed)
        self.rng = random.Random(self.seed)
        self.folder = tempfile.mkdtemp(prefix="talvoro-soak-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.desktop.store_position(3000, 9000)  # the basket at 600,200
        self.basket = self.desktop.start_basket({"LANG": "C.UTF-8", "LC_ALL": ""})
        self.addCleanup(self.basket.kill)
        self.clipboard = dt.Clipboard(self.desktop)
        self.addCleanup(self.clipboard.release)
        self.sources = [DragSource(self.desktop, ["--text", t], 40, 60 + 100 * i)
                        for i, t in enumerate(DROP_TEXTS)]
        self.picture = DragSource(self.desktop, ["--image"], 40, 360)
        for s in self.sources + [self.picture]:
            self.addCleanup(s.close)
        self.model = Model()
        self.counts = {}
        self.clicks = 0
        self.popup_delays = []
        self.captions = {}  # (kind, paused) of 暂停's row -> its caption's pixels
        self.races = 0
        self.late_clipboards = 0  # pop-ups opened before the clipboard's owner answered
        self.retried = False
        self.menus = []  # the pop-up windows open now
        self.saves = 0
        self.bytes_compared = 0

    # The desktop.

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    def click_at(self, x, y, button=1):
        self.desktop.xdotool("mousemove", x, y, "click", button)
        self.clicks += 1

    def menu(self):
        """Opens the pop-up with a right click and checks it against the model."""
        x, y = self.basket.center()
        clicked = time.monotonic()
        self.click_at(x, y, 3)
        window = dt.wait_for(self.basket.popup_window, 5, 0.01)
        self.assertTrue(window, "no pop-up opened: the program does not answer")
        self.popup_delays.append(time.monotonic() - clicked)
        popup = self.basket.popup(least=15)
        self.menus = [popup.window]
        self.assertEqual(len(popup.items), 15, [r.kind for r in popup.rows])
        if self.model.clipboard and popup.items[PASTE].kind == "off" and not self.retried:
            # The program asks the clipboard's owner, another program, what it holds and gives
            # it 5 s to answer; on a busy machine that owner can miss them. The pop-up opened
            # again must then offer 粘贴, while the owner still holds the text.
            owner_alive = self.clipboard.owner.poll() is None
            holds = self.clipboard.paste()
            self.assertTrue(owner_alive and holds, "the clipboard's owner went: %s %r"
                            % (owner_alive, holds))
            self.desktop.xdotool("key", "Escape")
            self.assertTrue(self.popup_gone(5), "the pop-up stayed open")
            self.late_clipboards += 1
            self.retried = True
            try:
                return self.menu()
            finally:
                self.retried = False
        self.check_menu(popup)
        return popup

    def check_menu(self, popup):
        m, items = self.model, popup.items
        have = "on" if m.buffer else "off"
        self.assertEqual((items[SAVE].kind, items[CLEAR].kind), (have, have), "保存/清除")
        self.assertEqual(items[PASTE].kind, "on" if m.clipboard else "off", "粘贴")
        self.assertEqual((items[APPEND].checked, items[AUTO].checked), (m.append, m.auto),
                         "the ticks of 叠加 and 自动")
        self.assertEqual(items[READ].kind, "on", "朗读")
        # 停止 and 暂停 follow the reading together.
        self.assertEqual(items[STOP].kind, items[PAUSE].kind, "停止 and 暂停 differ")
        reading = items[STOP].kind == "on"
        if not m.may_read:
            self.assertFalse(reading, "停止 is offered with nothing reading")
        if m.paused and not reading:
            # The reading ended just as 暂停 was chosen: the caption still says 继续.
            self.races += 1
        # 暂停's caption says 继续 exactly while paused.
        key = (items[PAUSE].kind, m.paused)
        self.captions.setdefault(key, items[PAUSE].caption)
        if items[PAUSE].caption != self.captions[key]:
            self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "soak-caption.png"))
            self.desktop.xdotool("key", "Escape")
            time.sleep(1.5)
            self.basket.right_click()
            again = self.basket.popup()
            self.fail("暂停's caption does not follow the pause (%s, paused %s); 1.5 s later: "
                      "%s, caption as recorded for paused: %s" % (
                          key + ([r.kind for r in again.items[STOP:PAUSE + 1]],
                                 [c == again.items[PAUSE].caption for k, c in
                                  self.captions.items() if k[0] == again.items[PAUSE].kind])))
        return reading

    def popup_gone(self, timeout):
        """Whether the pop-up (and any sub-menu) last chosen from has closed."""
        return dt.wait_for(lambda: not set(self.menus) & set(self.basket.windows()), timeout)

    def close_popup(self):
        """Waits for the pop-up to close after a choice; True when it closed by itself, False
        when it stayed open (a disabled item) and had to be dismissed."""
        if self.popup_gone(1):
            return True
        self.desktop.xdotool("key", "Escape")
        self.assertTrue(self.popup_gone(5), "the pop-up stayed open")
        return False

    def choose(self, popup, item):
        """Clicks an item of the open pop-up; returns the time just before the click."""
        at = time.monotonic()
        self.menus.append(popup.window)
        popup.click(item)
        self.clicks += 1
        return at

    def new_windows(self, before):
        return set(self.basket.windows()) - before - {self.basket.window}

    def answer_box(self, before, title_part):
        box = dt.wait_for(lambda: self.new_windows(before), 5)
        self.assertTrue(box, "no message box")
        box = box.pop()
        self.assertIn(title_part, self.desktop.run(["xprop", "-id", box, "_NET_WM_NAME"]))
        self.desktop.xdotool("windowactivate", "--sync", box, "key", "Return")
        self.assertTrue(dt.wait_for(lambda: box not in self.basket.windows(), 5),
                        "the message box stayed")
        self.count("message boxes answered")

    def expect_sound(self, since):
        if self.model.volume < AUDIBLE_VOLUME:
            return
        self.assertIsNotNone(self.recorder.wait_for_sound(since, 3),
                             "nothing was heard (seed %d)" % self.seed)
        self.count("sound checks")

    def expect_silence(self, since):
        time.sleep(max(0.0, since + 1.0 - time.monotonic()))
        self.assertTrue(self.recorder.silent(since + 0.4, since + 1.0),
                        "still sounding (seed %d)" % self.seed)
        self.count("silence checks")

    # The steps.

    def step_drop(self):
        i = self.rng.randrange(len(self.sources))
        x, y = self.basket.center()
        action, released = self.sources[i].drag_to(x, y)
        self.clicks += 1
        self.assertGreater(action, 0, "the drop was refused")
        resumes = self.model.paused and self.model.may_read and self.model.auto
        self.model.take_in(DROP_TEXTS[i])
        if self.model.auto and not resumes:
            self.expect_sound(released)
        self.count("drops")

    def step_picture(self):
        before = set(self.basket.windows())
        x, y = self.basket.center()
        self.picture.drag_to(x, y)
        self.clicks += 1
        self.answer_box(before, "错误信息")
        self.count("picture drops refused")

    def step_paste(self):
        text = self.rng.choice(PASTE_TEXTS)
        self.clipboard.copy(text)
        self.model.clipboard = True
        popup = self.menu()
        resumes = self.model.paused and self.model.may_read and self.model.auto
        at = self.choose(popup, PASTE)
        self.assertTrue(self.close_popup())
        self.model.take_in(text)
        if self.model.auto and not resumes:
            self.expect_sound(at)
        self.count("pastes")

    def step_read(self):
        popup = self.menu()
        before = set(self.basket.windows()) - {popup.window}
        at = self.choose(popup, READ)
        self.assertTrue(self.close_popup())
        if not self.model.buffer:
            self.answer_box(before, "Talvoro")
            return
        resumes = self.model.paused and self.model.may_read
        self.model.read()
        if not resumes:
            self.expect_sound(at)
        self.count("reads")

    def step_stop(self):
        popup = self.menu()
        on = popup.items[STOP].kind == "on"
        at = self.choose(popup, STOP)
        self.assertEqual(self.close_popup(), on, "a menu closed on a disabled item or not")
        if on:
            self.model.stop()
            self.expect_silence(at)
            self.count("stops")

    def step_pause(self):
        popup = self.menu()
        on = popup.items[PAUSE].kind == "on"
        at = self.choose(popup, PAUSE)
        self.assertEqual(self.close_popup(), on, "a menu closed on a disabled item or not")
        if not on:
            return
        if self.model.paused:
            self.model.paused = False
            self.count("continues")
        else:
            self.model.paused = True
            self.expect_silence(at)
            self.count("pauses")

    def step_clear(self):
        popup = self.menu()
        on = popup.items[CLEAR].kind == "on"
        self.choose(popup, CLEAR)
        self.assertEqual(self.close_popup(), on)
        if on:
            self.model.buffer = ""
            self.count("clears")

    def step_toggle(self):
        item = self.rng.choice([APPEND, AUTO])
        popup = self.menu()
        self.choose(popup, item)
        self.assertTrue(self.close_popup())
        if item == APPEND:
            self.model.append = not self.model.append
        else:
            self.model.auto = not self.model.auto
        self.count("ticks toggled")

    def submenu(self, item):
        popup = self.menu()
        before = set(self.basket.windows())
        self.choose(popup, item)
        window = dt.wait_for(lambda: self.new_windows(before), 5)
        self.assertTrue(window, "the sub-menu did not open")
        time.sleep(0.1)
        sub = dt.Popup(self.desktop, window.pop())
        return sub

    def scale_step(self, item, presets, low, high, step, value):
        sub = self.submenu(item)
        rows = sub.items
        self.assertEqual(len(rows), 2 + len(presets), [r.kind for r in sub.rows])
        ticked = [i for i, r in enumerate(rows) if r.checked]
        want = [2 + presets.index(value)] if value in presets else []
        self.assertEqual(ticked, want, "the ticked row of the sub-menu")
        k = self.rng.randrange(len(rows))
        self.choose(sub, k)
        self.assertTrue(self.close_popup())
        if k == 0:
            return min(high, value + step)
        if k == 1:
            return max(low, value - step)
        return presets[k - 2]

    def step_rate(self):
        self.model.rate = self.scale_step(RATE, RATE_PRESETS, -10, 10, 1, self.model.rate)
        self.count("rate choices")

    def step_volume(self):
        self.model.volume = self.scale_step(VOLUME, VOLUME_PRESETS, 0, 100, 5, self.model.volume)
        self.count("volume choices")

    def step_voice(self):
        sub = self.submenu(VOICE)
        rows = sub.items
        ticked = [i for i, r in enumerate(rows) if r.checked]
        if self.model.voice is None:
            self.assertLessEqual(len(ticked), 1)
            self.model.voice = ticked[0] if ticked else -1
        elif self.model.voice >= 0:
            self.assertEqual(ticked, [self.model.voice], "the ticked voice")
        # The first few voices are always on screen.
        k = self.rng.randrange(min(3, len(rows)))
        self.choose(sub, k)
        self.assertTrue(self.close_popup())
        self.model.voice = k
        self.count("voice choices")

    def step_move(self):
        x, y, w, h = self.basket.geometry()
        tx, ty = self.rng.randrange(400, 1150), self.rng.randrange(100, 650)
        cx, cy = x + w // 2, y + h // 2
        self.desktop.xdotool("mousemove", cx, cy, "mousedown", 1)
        for i in range(1, 9):
            self.desktop.xdotool("mousemove", cx + (tx - x) * i // 8, cy + (ty - y) * i // 8)
            time.sleep(0.02)
        # The window manager carries the basket; a release right on the last motion can end its
        # move one motion short, so the pointer rests a moment first, as a hand does.
        time.sleep(0.1)
        self.desktop.xdotool("mouseup", 1)
        self.clicks += 1
        self.assertTrue(dt.wait_for(lambda: self.basket.geometry()[:2] == (tx, ty), 5),
                        "the basket did not follow the mouse to %s: %s"
                        % ((tx, ty), self.basket.geometry()))
        self.count("moves")

    def step_escape(self):
        self.menu()
        self.desktop.xdotool("key", "Escape")
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5))
        self.count("pop-ups dismissed")

    # The run.

    def step_save(self):
        """Saves the buffer, when there is one, and compares the file with the model."""
        if not self.model.buffer:
            return
        saved = self.save_buffer()
        self.assertEqual(saved, (self.model.buffer + "\r\n").encode("utf-8"),
                         "the buffer does not hold what was put in")
        self.bytes_compared += len(saved)
        self.count("saves compared")

    def save_buffer(self):
        """Saves the buffer through 保存's dialog (C.UTF-8 saves UTF-8, one CR LF after the
        text); the bytes of the file."""
        self.saves += 1
        path = os.path.join(self.folder, "buffer-%d.txt" % self.saves)
        popup = self.menu()
        before = set(self.basket.windows())
        self.choose(popup, SAVE)
        self.assertTrue(self.close_popup())
        dialog = dt.wait_for(lambda: self.new_windows(before), 10)
        self.assertTrue(dialog, "no save dialog")
        dialog = dialog.pop()
        time.sleep(0.5)  # the dialog lists its folder before it takes keys
        self.desktop.xdotool("windowactivate", "--sync", dialog)
        self.desktop.xdotool("key", "ctrl+a", "BackSpace")
        self.desktop.xdotool("type", "--delay", "5", path)
        time.sleep(0.3)
        self.desktop.xdotool("key", "Return")
        self.assertTrue(dt.wait_for(lambda: os.path.exists(path), 10), "nothing was saved")
        self.assertTrue(dt.wait_for(lambda: dialog not in self.basket.windows(), 10))
        # Right after a dialog closes a click can be taken by a grab still held on the desktop;
        # no hand is that quick.
        time.sleep(0.6)
        with open(path, "rb") as f:
            return f.read()

    def resident_kb(self):
        with open("/proc/%d/status" % self.basket.proc.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def test_hundreds_of_clicks_drops_and_pastes_leave_it_answering_and_right(self):
        steps = [(self.step_drop, 6), (self.step_paste, 6), (self.step_read, 4),
                 (self.step_stop, 3), (self.step_pause, 4), (self.step_clear, 2),
                 (self.step_toggle, 3), (self.step_rate, 1), (self.step_volume, 1),
                 (self.step_voice, 1), (self.step_move, 2), (self.step_escape, 1),
                 (self.step_picture, 1), (self.step_save, 1)]
        actions = [s for s, _ in steps]
        weights = [w for _, w in steps]
        rss_start = rss_warm = self.resident_kb()
        started = time.monotonic()
        history = []
        for n in range(self.STEPS):
            step = self.rng.choices(actions, weights)[0]
            try:
                step()
            except AssertionError as e:
                self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "soak-failed.png"))
                raise AssertionError("step %d (%s), seed %d: %s\nthe steps before:\n  %s"
                                     % (n, step.__name__, self.seed, e,
                                        "\n  ".join(history[-12:]))) from e
            m = self.model
            history.append("%d %s: buffer %d, append %s, auto %s, paused %s, may read %s, "
                           "volume %d" % (n, step.__name__, len(m.buffer), m.append, m.auto,
                                          m.paused, m.may_read, m.volume))
            self.assertTrue(self.basket.running(), "the program ended at step %d" % n)
            if n == 19:
                rss_warm = self.resident_kb()  # the engine loaded, the menus built
            if n % 40 == 39:
                self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "soak-%03d.png" % (n + 1)))
        ran = time.monotonic() - started
        rss_end = self.resident_kb()

        # The end: stopped and silent, the reading items at rest.
        if not self.model.buffer:
            text = "The last words of the run."
            self.clipboard.copy(text)
            self.model.clipboard = True
            self.choose(self.menu(), PASTE)
            self.close_popup()
            self.model.take_in(text)
        popup = self.menu()
        if popup.items[STOP].kind == "on":
            at = self.choose(popup, STOP)
            self.close_popup()
            self.model.stop()
            self.expect_silence(at)
        else:
            self.desktop.xdotool("key", "Escape")
            self.close_popup()
            self.model.stop()
        popup = self.menu()
        self.assertEqual([popup.items[i].kind for i in (STOP, PAUSE)], ["off", "off"])
        self.desktop.xdotool("key", "Escape")
        self.close_popup()
        self.desktop.screenshot(os.path.join(dt.ARTIFACTS, "soak-end.png"))

        # The buffer, saved, is what the steps put in it.
        self.step_save()

        # Closed from the menu, it keeps the place it was carried to.
        x, y, _, _ = self.basket.geometry()
        self.choose(self.menu(), CLOSE)
        self.assertEqual(self.basket.wait_exit(10), 0, "the program did not end after 关闭")
        self.assertEqual(self.desktop.stored_position(), (str(y * 15), str(x * 15)))

        first, last = self.popup_delays[:20], self.popup_delays[-20:]
        print("  %d steps in %.0f s: %d real clicks and releases" % (self.STEPS, ran, self.clicks))
        print("  " + ", ".join("%s %d" % kv for kv in sorted(self.counts.items())))
        print("  buffer saved and compared %d times: %d bytes, all equal"
              % (self.counts["saves compared"], self.bytes_compared))
        print("  pop-up after right click: first 20 median %.0f ms (worst %.0f), last 20 median "
              "%.0f ms (worst %.0f)" % (statistics.median(first) * 1000, max(first) * 1000,
                                        statistics.median(last) * 1000, max(last) * 1000))
        print("  resident memory: %.1f MB at the start, %.1f MB after 20 steps, %.1f MB at the end"
              % (rss_start / 1024, rss_warm / 1024, rss_end / 1024))
        print("  readings that ended as 暂停 was chosen: %d" % self.races)
        print("  pop-ups opened again after the clipboard's owner answered late: %d"
              % self.late_clipboards)
        if ("on", True) in self.captions and ("on", False) in self.captions:
            self.assertNotEqual(self.captions["on", True], self.captions["on", False],
                                "继续 and 暂停 look the same")
        # Still answering as at the start, and not growing without end.
        self.assertLess(max(last), 2.0, "the pop-up became slow")
        self.assertLess(rss_end - rss_warm, 32 * 1024, "memory grew by more than 32 MB")


if __name__ == "__main__":
    unittest.main()
