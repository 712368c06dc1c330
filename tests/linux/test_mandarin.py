"""Chinese heard as Mandarin from the basket, as a user meets it: text dropped on the basket
under an English and under a Chinese locale, and the voice chosen in 语音. What was said is
checked from the phonemes of that very reading, which the engine writes, clause by clause, to
the file named by TALVORO_PHONEME_TRACE, and it must be heard at the null sink as well."""

import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402
from test_drop import DragSource  # noqa: E402

SAY = os.path.join(dt.BUILD_DIR, "bin", "talvoro-say")
# Items of the pop-up, counted without separators.
PASTE, READ, VOICE = 2, 6, 9

BANK = "这家银行今天不营业。"
BANK_PINYIN = "zhe4 jia1 yin2 hang2 jin1 tian1 bu4 ying2 ye4"


def espeak(text, voice):
    return subprocess.run(["espeak-ng", "-q", "-x", "-v", voice, text], capture_output=True,
                          text=True, check=True).stdout


def bare(phonemes):
    """Phonemes without stress, pause and line marks."""
    return re.sub(r"[ '\n\t,_|:]", "", phonemes)


class MandarinTest(dt.SoundDesktopTest):
    def start(self, lang):
        self.trace = tempfile.NamedTemporaryFile(prefix="talvoro-phonemes-", delete=False).name
        self.addCleanup(os.unlink, self.trace)
        self.lang = lang
        self.desktop.store_position(3000, 4500)
        self.basket = self.desktop.start_basket(
            {"LANG": lang, "LC_ALL": "", "TALVORO_PHONEME_TRACE": self.trace})
        self.addCleanup(self.basket.kill)
        time.sleep(0.5)

    def said(self, act):
        """Does `act` (which returns the time it acted), waits until the reading it starts has
        been heard to its end, and returns the phonemes of that reading."""
        start = os.path.getsize(self.trace)
        at = act()
        first = self.recorder.wait_for_sound(at, 5)
        self.assertIsNotNone(first, "nothing was heard")
        self.recorder.wait_for_silence(first, 1.0, 30)
        with open(self.trace, encoding="utf-8") as f:
            f.seek(start)
            return f.read()

    def drop(self, text):
        source = DragSource(self.desktop, ["--text", text], 40, 60)
        self.addCleanup(source.close)
        x, y, w, h = self.basket.geometry()

        def act():
            action, released = source.drag_to(x + w // 2, y + h // 2)
            self.assertEqual(action, 1, "the basket did not take the drop")
            return released
        return act

    def menu_item(self, item):
        def act():
            self.basket.right_click()
            popup = self.basket.popup()
            self.assertIsNotNone(popup, "no pop-up opened")
            at = time.monotonic()
            popup.click(item)
            self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5))
            return at
        return act

    def choose_voice(self, identifier):
        """Ticks a voice in 语音 from the keyboard; the sub-menu lists the voices in the order
        talvoro-say lists them for the same locale."""
        listed = subprocess.run([SAY, "--voices"], capture_output=True, text=True, check=True,
                                env=dict(os.environ, LANG=self.lang, LC_ALL="")).stdout
        index = [line.split("\t")[0] for line in listed.splitlines()].index(identifier)
        self.basket.right_click()
        popup = self.basket.popup()
        self.assertIsNotNone(popup, "no pop-up opened")
        popup.click(VOICE)
        sub = dt.wait_for(lambda: [w for w in self.basket.windows()
                                   if w not in (self.basket.window, popup.window)], 5)
        self.assertTrue(sub, "语音 did not open")
        time.sleep(0.3)
        # Right enters the sub-menu with no item lit; the first Down lights the first voice.
        self.desktop.xdotool("key", "Right", *(["Down"] * (index + 1)), "Return")
        self.assertTrue(dt.wait_for(lambda: not self.basket.popup_window(), 5))

    def test_chinese_dropped_is_read_in_mandarin_under_either_locale(self):
        want = bare(espeak(BANK_PINYIN, "cmn-latn-pinyin"))
        for lang in ("en_US.UTF-8", "zh_CN.UTF-8"):
            with self.subTest(lang=lang):
                self.start(lang)
                self.assertEqual(bare(self.said(self.drop(BANK))), want)
                self.basket.kill()

    def test_the_voice_chosen_in_the_menu_changes_what_is_said(self):
        # Digits standing alone are read in the language of the voice that is ticked: English
        # at first under an English locale, Mandarin once "Chinese (Mandarin)" is chosen.
        self.start("en_US.UTF-8")
        clipboard = dt.Clipboard(self.desktop)
        self.addCleanup(clipboard.release)
        clipboard.copy("123")
        english = self.said(self.menu_item(PASTE))
        self.assertEqual(bare(english), bare(espeak("123", "en-us")))
        self.choose_voice("sit/cmn")
        mandarin = self.said(self.menu_item(READ))
        self.assertEqual(bare(mandarin), bare(espeak("yi4 bai3 er4 shi2 san1", "cmn-latn-pinyin")))


if __name__ == "__main__":
    unittest.main()
