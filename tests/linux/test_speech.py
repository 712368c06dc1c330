"""Reading aloud as a user does it: text copied in another program, pasted from the basket's
pop-up, read, paused, continued, stopped and read again, and read at the rates chosen in 语速,
heard at a private sound server's null sink."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

# Items of the pop-up, counted without separators.
SAVE, PASTE, CLEAR, APPEND, AUTO, READ, STOP, PAUSE, VOICE, RATE = 1, 2, 3, 4, 5, 6, 7, 8, 9, 10
# Items of the 语速 sub-menu: 加快, 减慢, then the presets 慢速 (-8) to 快速 (9); 正常 (5) at start.
SLOWEST, FASTEST = 2, 7

# What the reading items (朗读, 停止, 暂停/继续) show in each reading state.
IDLE = ["on", "off", "off"]
READING = ["on", "on", "on"]
PAUSED = ["on", "on", "on"]

MANDARIN = "你好，世界。今天天气很好。"
ENGLISH = "The quick brown fox jumps over the lazy dog. It was a bright cold day in April."
# A few seconds of speech, so that a reading that starts over is told from one that goes on.
STORY = ENGLISH + " Then the rain came, the streets emptied, and everybody went home early."
# A text that reads for well over half a minute.
LONG = " ".join([
    "Reading aloud takes time, and this paragraph is long enough to be paused and stopped.",
    "Every sentence here is plain English, with nothing the markup reader treats specially.",
    "The basket keeps reading while the menu is open, and it stops only when it is told to.",
] * 4)

# How soon the sink must follow a command, and how long a silence must last to count.
REACTION = 0.5
QUIET = 1.0


class SpeechTest(dt.SoundDesktopTest):
    def setUp(self):
        self.desktop.store_position(3000, 4500)
        # In a Chinese locale Mandarin is the voice ticked first.
        self.basket = self.desktop.start_basket({"LANG": "zh_CN.UTF-8", "LC_ALL": ""})
        self.addCleanup(self.basket.kill)
        self.clipboard = dt.Clipboard(self.desktop)
        self.addCleanup(self.clipboard.release)

    def menu(self):
        self.basket.right_click()
        popup = self.basket.popup(least=15)
        self.assertIsNotNone(popup, "no pop-up opened")
        self.assertEqual(len(popup.items), 15, [row.kind for row in popup.rows])
        return popup

    def choose(self, popup, item):
        """Clicks an item of the open pop-up; returns the time just before the click."""
        at = time.monotonic()
        popup.click(item)
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5),
                        "the pop-up stayed open")
        return at

    def close_menu(self):
        self.desktop.xdotool("key", "Escape")
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5))

    def reading_items(self, popup):
        return [row.kind for row in popup.items[READ:PAUSE + 1]]

    def shoot(self, name):
        self.desktop.screenshot(os.path.join(dt.ARTIFACTS, name))

    def paste(self, text):
        """Copies `text` elsewhere and chooses 粘贴; returns when the sink first sounds."""
        self.clipboard.copy(text)
        popup = self.menu()
        self.assertEqual(popup.items[PASTE].kind, "on")
        clicked = self.choose(popup, PASTE)
        first = self.recorder.wait_for_sound(clicked, 5)
        self.assertIsNotNone(first, "nothing was heard after 粘贴")
        self.assertLess(first - clicked, 1.5)
        return first

    def heard_for(self, since):
        """Waits for the reading under way to end; returns how long after `since` it last
        sounded."""
        last = self.recorder.wait_for_silence(since, QUIET, 30)
        self.assertIsNotNone(last, "nothing was heard")
        return last - since

    def test_paste_reads_at_once_and_needs_text_on_the_clipboard(self):
        popup = self.menu()
        self.assertTrue(popup.items[AUTO].checked, "自动 is not ticked at start")
        self.assertFalse(popup.items[APPEND].checked, "叠加 is ticked at start")
        self.assertEqual(popup.items[PASTE].kind, "off", "粘贴 with nothing on the clipboard")
        self.assertEqual(self.reading_items(popup), IDLE)
        self.close_menu()

        # Mandarin: two short sentences, a couple of seconds of speech.
        first = self.paste(MANDARIN)
        length = self.heard_for(first)
        self.assertGreater(length, 1.0, "the Mandarin text was cut short")
        self.assertLess(length, 10.0)
        # The buffer now holds text: 保存 and 清除 are offered.
        popup = self.menu()
        self.assertEqual([popup.items[SAVE].kind, popup.items[CLEAR].kind], ["on", "on"])
        self.assertEqual(self.reading_items(popup), IDLE, "the reading did not end in the menu")
        self.close_menu()

        first = self.paste(ENGLISH)
        self.assertGreater(self.heard_for(first), 1.5, "the English text was cut short")

        # A clipboard that holds empty text, and one that nobody holds.
        self.clipboard.copy("")
        popup = self.menu()
        self.assertEqual(popup.items[PASTE].kind, "off", "粘贴 with empty text on the clipboard")
        self.close_menu()
        self.clipboard.release()
        popup = self.menu()
        self.assertEqual(popup.items[PASTE].kind, "off", "粘贴 after the clipboard's owner quit")
        self.close_menu()

    def test_pause_continue_and_stop_from_the_menu(self):
        idle_pause_caption = self.menu().items[PAUSE].caption
        self.close_menu()
        self.paste(LONG)
        time.sleep(0.5)

        popup = self.menu()
        self.assertEqual(self.reading_items(popup), READING)
        pause_caption = popup.items[PAUSE].caption
        self.shoot("speech-reading.png")
        paused = self.choose(popup, PAUSE)
        self.assertTrue(self.recorder.sound_times(paused - 1.0, paused),
                        "nothing was heard just before 暂停")
        time.sleep(REACTION + QUIET + 0.1)
        self.assertTrue(self.recorder.silent(paused + REACTION, paused + REACTION + QUIET),
                        "the sink still sounds after 暂停")

        popup = self.menu()
        self.assertEqual(self.reading_items(popup), PAUSED)
        self.assertTrue(popup.items[PAUSE].caption != pause_caption, "暂停 did not become 继续")
        self.shoot("speech-paused.png")
        resumed = self.choose(popup, PAUSE)
        self.assertTrue(self.recorder.silent(paused + REACTION, resumed),
                        "sound while paused with the menu open")
        self.assertIsNotNone(self.recorder.wait_for_sound(resumed, 1.5),
                             "nothing was heard after 继续")

        popup = self.menu()
        self.assertEqual(self.reading_items(popup), READING)
        self.assertTrue(popup.items[PAUSE].caption == pause_caption, "继续 did not become 暂停")
        stopped = self.choose(popup, STOP)
        time.sleep(REACTION + QUIET + 0.1)
        self.assertTrue(self.recorder.silent(stopped + REACTION, stopped + REACTION + QUIET),
                        "the sink still sounds after 停止")

        popup = self.menu()
        self.assertEqual(self.reading_items(popup), IDLE)
        self.assertTrue(popup.items[PAUSE].caption == idle_pause_caption,
                        "停止 did not bring back a disabled 暂停")
        self.shoot("speech-stopped.png")
        self.close_menu()

    def test_stop_while_paused_silences_and_releases_the_sound(self):
        self.paste(LONG)
        time.sleep(0.5)
        self.choose(self.menu(), PAUSE)
        time.sleep(0.3)
        stopped = self.choose(self.menu(), STOP)
        time.sleep(0.3)
        popup = self.menu()
        self.assertEqual(self.reading_items(popup), IDLE,
                         "停止 while paused left the menu paused")
        self.close_menu()
        self.assertTrue(self.recorder.silent(stopped + REACTION, time.monotonic()),
                        "停止 while paused let the rest of the text out")

        # The sound must not stay held: 朗读 is heard at once.
        read = self.choose(self.menu(), READ)
        self.assertIsNotNone(self.recorder.wait_for_sound(read, 1.5),
                             "nothing was heard after 朗读 following a paused stop")

    def choose_in_submenu(self, item, index, count):
        """Opens sub-menu `item` of the pop-up and clicks its item `index` of `count`."""
        popup = self.menu()
        popup.click(item)
        sub = dt.wait_for(lambda: [w for w in self.basket.windows()
                                   if w not in (self.basket.window, popup.window)], 5)
        self.assertTrue(sub, "the sub-menu did not open")
        time.sleep(0.3)
        menu = dt.Popup(self.desktop, sub[-1])
        self.assertEqual(len(menu.items), count, [row.kind for row in menu.rows])
        menu.click(index)
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5),
                        "the pop-up stayed open")

    def test_the_rate_chosen_in_the_menu_changes_the_speaking_time(self):
        # The same text read at the rate of start-up (正常), then at 慢速 and at 快速: each rate
        # step is a factor of 3^(1/10) in speed, so 慢速 takes about four times as long and 快速
        # about two thirds of the time.
        lengths = {"正常": self.heard_for(self.paste(ENGLISH))}
        for name, index in (("慢速", SLOWEST), ("快速", FASTEST)):
            self.choose_in_submenu(RATE, index, 8)
            read = self.choose(self.menu(), READ)
            first = self.recorder.wait_for_sound(read, 1.5)
            self.assertIsNotNone(first, "nothing was heard after 朗读 at " + name)
            lengths[name] = self.heard_for(first)
        print("\n  heard %.2f s at 正常, %.2f s at 慢速, %.2f s at 快速"
              % (lengths["正常"], lengths["慢速"], lengths["快速"]))
        self.assertGreater(lengths["慢速"], 2.5 * lengths["正常"], "慢速 is not slower")
        self.assertLess(lengths["快速"], 0.85 * lengths["正常"], "快速 is not faster")

    def test_read_again_starts_from_the_beginning(self):
        first = self.paste(STORY)
        length = self.heard_for(first)

        # From idle: the whole text once more, as long as the first time.
        read = self.choose(self.menu(), READ)
        again = self.recorder.wait_for_sound(read, 1.5)
        self.assertIsNotNone(again, "nothing was heard after 朗读")
        self.assertAlmostEqual(self.heard_for(again), length, delta=0.2 * length)

        # Halfway through a reading: it starts over, so it ends a whole reading after the click.
        read = self.choose(self.menu(), READ)
        again = self.recorder.wait_for_sound(read, 1.5)
        self.assertIsNotNone(again, "nothing was heard after 朗读")
        time.sleep(max(0.0, again + length / 2 - time.monotonic()))
        popup = self.menu()
        self.assertEqual(self.reading_items(popup), READING)
        restarted = self.choose(popup, READ)
        left = self.heard_for(restarted)
        self.assertGreater(left, 0.8 * length,
                           "朗读 during a reading went on instead of starting over")
        self.assertLess(left, 1.2 * length,
                        "朗读 during a reading read on to the end before starting over")


if __name__ == "__main__":
    unittest.main()
