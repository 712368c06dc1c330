"""The basket as a user meets it: on a real X server with a window manager, driven with real
mouse and keyboard input."""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

ARTIFACTS = dt.ARTIFACTS

# The pop-up's rows with a voice installed, an empty buffer and an empty clipboard.
IDLE_MENU = ["on", "off", "sep", "off", "off", "sep", "on", "on", "sep",
             "on", "off", "off", "sep", "on", "on", "on", "sep", "on", "on", "sep", "on"]
# With no voice: read, stop, pause and the three sub-menus are disabled.
NO_VOICE_MENU = ["on", "off", "sep", "off", "off", "sep", "on", "on", "sep",
                 "off", "off", "off", "sep", "off", "off", "off", "sep", "on", "on", "sep", "on"]


class BasketTest(unittest.TestCase):
    def setUp(self):
        self.desktop = dt.Desktop()
        self.addCleanup(self.desktop.close)
        os.makedirs(ARTIFACTS, exist_ok=True)

    def start(self, **env):
        basket = self.desktop.start_basket(env)
        self.addCleanup(basket.kill)
        return basket

    def close_from_menu(self, basket):
        basket.right_click()
        self.assertTrue(dt.wait_for(basket.popup_window, 5), "no pop-up opened")
        basket.choose_last_item()
        self.assertEqual(basket.wait_exit(10), 0, "the program did not end after 关闭")

    def test_stored_place_topmost_menu_and_close(self):
        self.desktop.store_position(3000, 4500)
        basket = self.start()
        self.assertEqual(basket.geometry(), (300, 200, 40, 40))
        self.assertIn("_NET_WM_STATE_ABOVE", basket.net_wm_state())

        basket.right_click()
        self.assertEqual(basket.popup_rows(), IDLE_MENU)
        self.desktop.screenshot(os.path.join(ARTIFACTS, "basket-popup.png"))
        self.desktop.xdotool("key", "Escape")
        self.assertTrue(dt.wait_for(lambda: not basket.popup_window(), 5))

        os.remove(self.desktop.settings_file)
        self.close_from_menu(basket)
        self.assertEqual(self.desktop.stored_position(), ("3000", "4500"))

    def test_closing_a_message_box_leaves_the_basket_running(self):
        # 朗读 with an empty buffer tells the user what to do in a box; the basket stays.
        basket = self.start()
        basket.right_click()
        popup = basket.popup()
        before = set(basket.windows())
        popup.click(6)  # 朗读
        box = dt.wait_for(lambda: set(basket.windows()) - before - {basket.window}, 5)
        self.assertTrue(box, "no message box")
        box = box.pop()
        self.assertIn("Talvoro", self.desktop.run(["xprop", "-id", box, "_NET_WM_NAME"]))
        # On a busy machine the key can come before the box has taken the focus from the window
        # manager; a user then presses it again.
        for _ in range(3):
            self.desktop.xdotool("windowactivate", "--sync", box, "key", "Return")
            if dt.wait_for(lambda: box not in basket.windows(), 3):
                break
        self.assertNotIn(box, basket.windows(), "the box stayed")
        time.sleep(0.5)
        self.assertTrue(basket.running(), "the program ended with the message box")
        self.assertIn(basket.window, basket.windows())
        self.close_from_menu(basket)

    def test_left_drag_moves_and_next_start_restores(self):
        self.desktop.store_position(3000, 4500)
        basket = self.start()
        x, y = basket.center()
        self.desktop.xdotool("mousemove", x, y, "mousedown", 1)
        for i in range(1, 11):
            self.desktop.xdotool("mousemove", x + 12 * i, y + 7 * i)
            time.sleep(0.03)
        self.desktop.xdotool("mouseup", 1)
        self.assertTrue(dt.wait_for(lambda: basket.geometry()[:2] == (420, 270), 5),
                        basket.geometry())
        self.assertIn("_NET_WM_STATE_ABOVE", basket.net_wm_state())
        self.close_from_menu(basket)
        self.assertEqual(self.desktop.stored_position(), ("4050", "6300"))

        again = self.start()
        self.assertEqual(again.geometry(), (420, 270, 40, 40))

    def drag_by(self, basket, dx, dy):
        """Moves the basket with a real left drag by (dx, dy) pixels, in ten steps."""
        x0, y0, _, _ = basket.geometry()
        x, y = basket.center()
        self.desktop.xdotool("mousemove", x, y, "mousedown", 1)
        for i in range(1, 11):
            self.desktop.xdotool("mousemove", x + dx * i // 10, y + dy * i // 10)
            time.sleep(0.03)
        self.desktop.xdotool("mouseup", 1)
        self.assertTrue(dt.wait_for(lambda: basket.geometry()[:2] == (x0 + dx, y0 + dy), 5),
                        basket.geometry())

    def test_the_end_of_a_session_saves_the_place_as_closing_does(self):
        # SIGTERM is what a logout or shutdown sends, SIGHUP what a closing terminal sends.
        for signal, (dx, dy) in (("TERM", (120, 70)), ("HUP", (-90, 40))):
            self.desktop.store_position(3000, 4500)
            basket = self.start()
            self.drag_by(basket, dx, dy)
            # Even with the pop-up open: its loop ends too.
            basket.right_click()
            self.assertTrue(dt.wait_for(basket.popup_window, 5), "no pop-up opened")
            self.desktop.run(["kill", "-" + signal, str(basket.proc.pid)])
            self.assertEqual(basket.wait_exit(10), 0, "SIG%s did not end the program as 关闭 "
                             "does: %s" % (signal, basket.output()))
            self.assertEqual(self.desktop.stored_position(),
                             (str((200 + dy) * 15), str((300 + dx) * 15)), "SIG" + signal)

    def test_a_basket_parked_over_a_panel_stays_there(self):
        # A panel 40 px high along the bottom of the screen, which keeps its strip from other
        # windows (a strut), as desktop panels and task bars do.
        panel = subprocess.Popen(["xmessage", "-name", "talvoro-panel", "-geometry",
                                  "1280x40+0+760", "panel"], env=self.desktop.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.desktop.procs.append(panel)
        window = dt.wait_for(lambda: self.desktop.xdotool("search", "--classname",
                                                          "talvoro-panel").split(), 10)
        self.assertTrue(window, "the panel did not appear")
        for name, value in (("_NET_WM_STRUT", "0,0,0,40"),
                            ("_NET_WM_STRUT_PARTIAL", "0,0,0,40,0,0,0,0,0,0,0,1279")):
            self.desktop.run(["xprop", "-id", window[0], "-f", name, "32c", "-set", name, value])
        self.assertTrue(dt.wait_for(lambda: "0, 0, 1280, 760" in self.desktop.run(
            ["xprop", "-root", "_NET_WORKAREA"]), 5), "the window manager took no strip")

        # On the panel: the program leaves it there. (openbox itself keeps a tenth of a window
        # that a program places inside the work area, so it may stand 4 px higher; it is still
        # over the panel, where the user put it, and not brought back above it.)
        self.desktop.store_position(770 * 15, 300 * 15)
        basket = self.start()
        x, y, _, _ = basket.geometry()
        self.assertEqual(x, 300)
        self.assertIn(y, (770, 756), "moved off the panel")
        self.close_from_menu(basket)
        self.assertEqual(self.desktop.stored_position(), (str(y * 15), str(300 * 15)))
        # Wholly off the screen: it comes back above the panel, not under it.
        self.desktop.store_position(900 * 15, 300 * 15)
        basket = self.start()
        self.assertEqual(basket.geometry(), (300, 720, 40, 40))

    def test_middle_click_opens_no_menu_but_raises_the_basket(self):
        self.desktop.store_position(3000, 4500)
        first = self.start()
        # A second copy, also topmost, covering most of the first.
        self.desktop.store_position(3150, 4650)
        second = self.start()
        first_id, second_id = int(first.window), int(second.window)
        stack = first.stacking()
        self.assertLess(stack.index(first_id), stack.index(second_id))

        self.desktop.xdotool("mousemove", 304, 204, "click", 2)
        time.sleep(0.5)
        self.assertIsNone(first.popup_window())
        stack = first.stacking()
        self.assertGreater(stack.index(first_id), stack.index(second_id))
        self.assertTrue(first.running() and second.running())

    def test_no_voices_disables_speech_items(self):
        root, data = dt.empty_voice_data()
        self.addCleanup(shutil.rmtree, root, True)
        basket = self.start(ESPEAK_DATA_PATH=data)
        basket.right_click()
        self.assertEqual(basket.popup_rows(), NO_VOICE_MENU)
        self.desktop.screenshot(os.path.join(ARTIFACTS, "basket-popup-no-voices.png"))
        self.desktop.xdotool("key", "Escape")
        time.sleep(0.2)
        self.close_from_menu(basket)

    def test_engine_that_cannot_start_shows_one_error_box(self):
        # A data folder without the engine's files: it cannot start.
        empty = os.path.join(self.desktop.home, "empty-espeak-data")
        os.makedirs(empty)
        basket = self.desktop.start_basket({"ESPEAK_DATA_PATH": empty}, expect_basket=False)
        self.addCleanup(basket.kill)
        # The start-up sequence ends in the error box; the basket shows once it is closed.
        box = dt.wait_for(basket.windows, 15)
        self.assertEqual(len(box), 1)
        title = self.desktop.run(["xprop", "-id", box[0], "_NET_WM_NAME"])
        self.assertIn("错误信息：", title)
        self.desktop.screenshot(os.path.join(ARTIFACTS, "engine-error.png"))
        self.desktop.xdotool("windowactivate", "--sync", box[0])
        self.desktop.xdotool("key", "Return")
        self.assertTrue(dt.wait_for(lambda: basket.windows() and box[0] not in basket.windows(), 5))
        basket.window = basket.windows()[0]
        self.assertEqual(basket.geometry()[2:], (40, 40))
        # The design-time menu: every item enabled, the placeholder voice item in place.
        basket.right_click()
        self.assertEqual(basket.popup_rows()[9:16], ["on", "on", "on", "sep", "on", "on", "on"])
        self.desktop.xdotool("key", "Escape")
        time.sleep(0.2)
        self.close_from_menu(basket)

    def test_unwritable_settings_still_let_the_basket_close(self):
        basket = self.start()
        # A file where the settings folder should be: nothing can be written there.
        folder = os.path.dirname(self.desktop.settings_file)
        os.makedirs(os.path.dirname(folder), exist_ok=True)
        with open(folder, "w") as f:
            f.write("in the way")
        self.close_from_menu(basket)
        self.assertEqual(len(basket.windows()) if basket.running() else 0, 0)
        with open(folder) as f:
            self.assertEqual(f.read(), "in the way")

    def test_chinese_locale_ticks_mandarin_first(self):
        basket = self.start(LANG="zh_CN.UTF-8", LC_ALL="")
        basket.right_click()
        self.assertTrue(dt.wait_for(basket.popup_window, 5))
        # Down walks the enabled items: 打开, 叠加, 自动, 朗读, then 语音.
        self.desktop.xdotool("key", "Down", "Down", "Down", "Down", "Down", "Right")
        self.assertTrue(dt.wait_for(lambda: len(basket.windows()) == 3, 5), basket.windows())
        time.sleep(0.3)
        self.desktop.screenshot(os.path.join(ARTIFACTS, "voices-zh.png"))
        self.desktop.xdotool("key", "Escape", "Escape")

    def test_bad_stored_positions_never_stop_the_basket(self):
        for top, left, want in [("12abc", "abc", (0, 1)), ("", "   ", (0, 0)),
                                ("-150", "1e30", (1240, 0)), ("1,5", "+4.5e3", (300, 0)),
                                ("9" * 400, "-9e99999", (0, 760))]:
            # want is (x, y) in pixels: 12 twips round to 1 px, a far place comes back on screen.
            self.desktop.store_position(top, left)
            basket = self.start()
            x, y, _, _ = basket.geometry()
            self.assertTrue(basket.running())
            self.assertEqual((x, y), want, (top, left))
            basket.kill()


if __name__ == "__main__":
    unittest.main()
