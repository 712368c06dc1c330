"""The About box as a user meets it: opened from the basket's pop-up, its links pressed with the
mouse and read off the screen's pixels, closed with the keyboard, the mouse and the window
manager. The desktop's handler of web and mail addresses is a script of the test that writes
down every address it is handed."""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import desktop as dt  # noqa: E402

ARTIFACTS = dt.ARTIFACTS
TITLE = "关于"
# The box's client area on a 96 dpi screen: 4185, 3180, 4785 x 3075 twips.
CLIENT = (279, 212, 319, 205)
# Places inside the client area, in pixels.
WWW = (83, 119, 184, 13)       # lblWww
SMTP = (83, 152, 109, 13)      # lblSmtp
TITLE_LABEL = (83, 11)         # on the text of lblTitle
PICTURE = (38, 28)             # the middle of imgIcon
SURFACE = (20, 150)            # on no control
WEB_ADDRESS = "http://www.talvoro.example/"
MAIL_ADDRESS = "mailto:me@talvoro.example"


class UrlHandler:
    """Makes a script of the test the desktop's handler of http, https and mailto addresses, the
    way a user's choice of browser and mail program is kept: a desktop entry in the user's data
    folder, named in mimeapps.list. Every address handed to it is one line of its log."""

    def __init__(self, desktop):
        root = os.path.join(desktop.home, "url-handler")
        applications = os.path.join(root, "data", "applications")
        os.makedirs(applications)
        self.log = os.path.join(root, "requests.log")
        script = os.path.join(root, "record-url")
        with open(script, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s\\n' \"$1\" >> '%s'\n" % self.log)
        os.chmod(script, 0o755)
        schemes = ("http", "https", "mailto")
        with open(os.path.join(applications, "talvoro-test-url.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Address recorder\n"
                    "Exec=%s %%u\nNoDisplay=true\nMimeType=%s\n"
                    % (script, "".join("x-scheme-handler/%s;" % s for s in schemes)))
        with open(os.path.join(desktop.env["XDG_CONFIG_HOME"], "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\n")
            for s in schemes:
                f.write("x-scheme-handler/%s=talvoro-test-url.desktop\n" % s)
        desktop.env["XDG_DATA_HOME"] = os.path.join(root, "data")
        # Nothing of the surrounding session may choose another handler: xdg-open then takes
        # the generic way, through mimeapps.list.
        for var in ("BROWSER", "DEFAULT_BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                    "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID",
                    "DBUS_SESSION_BUS_ADDRESS", "SNAP"):
            desktop.env.pop(var, None)

    def requests(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return f.read().splitlines()

    def settled_requests(self, count, quiet=1.5, timeout=10):
        """The requests once there are at least `count` and no more arrived for `quiet`
        seconds."""
        dt.wait_for(lambda: len(self.requests()) >= count, timeout)
        seen = self.requests()
        while True:
            time.sleep(quiet)
            now = self.requests()
            if now == seen:
                return now
            seen = now


def screen_rgb(desktop, x, y, w, h):
    """The screen's pixels in a rectangle as (r, g, b) tuples, row by row."""
    out = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                          "+repage", "-depth", "8", "rgb:-"], env=desktop.env,
                         stdout=subprocess.PIPE, check=True).stdout
    return [tuple(out[i:i + 3]) for i in range(0, len(out) - 2, 3)]


def inks(pixels):
    """(blue, red): how many pixels are pure blue and pure red, give or take a little."""
    blue = sum(1 for r, g, b in pixels if b >= 200 and r <= 60 and g <= 60)
    red = sum(1 for r, g, b in pixels if r >= 200 and g <= 60 and b <= 60)
    return blue, red


class AboutTest(unittest.TestCase):
    def setUp(self):
        if not shutil.which("xdg-open"):
            self.fail("xdg-open is missing (xdg-utils): the desktop has no URL handler")
        self.desktop = dt.Desktop()
        self.addCleanup(self.desktop.close)
        self.urls = UrlHandler(self.desktop)
        os.makedirs(ARTIFACTS, exist_ok=True)
        # The basket stands clear of the box, in the screen's top-left corner.
        self.desktop.store_position(300, 300)
        self.basket = self.desktop.start_basket()
        self.addCleanup(self.basket.kill)

    # The program's windows.
    def about_windows(self):
        ids = self.desktop.xdotool("search", "--onlyvisible", "--pid", self.basket.proc.pid).split()
        return [w for w in ids
                if self.desktop.run(["xdotool", "getwindowname", w], check=False).strip() == TITLE]

    def open_about(self):
        """Chooses "关于" in the basket's pop-up from the keyboard; returns the box's window."""
        self.basket.right_click()
        self.assertTrue(dt.wait_for(self.basket.popup_window, 5), "no pop-up opened")
        # Up from no selection is "关闭"; one more passes the separator to "关于".
        self.desktop.xdotool("key", "Up", "Up", "Return")
        windows = dt.wait_for(self.about_windows, 5)
        self.assertTrue(windows, "the About box did not open")
        self.assertEqual(len(windows), 1, windows)
        window = windows[0]
        # Drawn once its client area stands where it belongs.
        self.assertTrue(dt.wait_for(lambda: self.client(window) == CLIENT, 5),
                        self.client(window))
        time.sleep(0.3)
        return window

    def client(self, window):
        info = self.desktop.run(["xwininfo", "-id", window], check=False)
        try:
            fields = {k.strip(): v.strip() for k, v in
                      (line.split(":", 1) for line in info.splitlines() if ":" in line)}
            return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                    int(fields["Width"]), int(fields["Height"]))
        except (KeyError, ValueError):
            return None

    def focused(self, window):
        # The window manager hands the focus over a moment after the window maps.
        return dt.wait_for(lambda: self.desktop.xdotool("getwindowfocus").strip() == window, 3)

    def closed(self):
        return dt.wait_for(lambda: not self.about_windows(), 5)

    def at(self, x, y):
        """Screen coordinates of a point of the client area."""
        return CLIENT[0] + x, CLIENT[1] + y

    def link_inks(self, rect):
        x, y = self.at(rect[0], rect[1])
        # The desktop's fonts stand a little taller: take the line below the label too.
        return inks(screen_rgb(self.desktop, x, y, rect[2], rect[3] + 5))

    def assert_link_colour(self, rect, colour, what):
        def shows():
            blue, red = self.link_inks(rect)
            if colour == "blue":
                return blue >= 30 and red == 0
            return red >= 30 and blue == 0
        self.assertTrue(dt.wait_for(shows, 3),
                        "%s: the link is not %s (blue, red pixels: %s)"
                        % (what, colour, self.link_inks(rect)))

    def test_opens_from_the_menu_as_designed_and_closes_with_esc_and_enter(self):
        window = self.open_about()
        self.desktop.screenshot(os.path.join(ARTIFACTS, "about-box.png"))
        hints = self.desktop.run(["xprop", "-id", window, "WM_NORMAL_HINTS"])
        self.assertIn("program specified minimum size: 319 by 205", hints)
        self.assertIn("program specified maximum size: 319 by 205", hints)
        self.assertNotIn("WM_TRANSIENT_FOR(WINDOW)",
                         self.desktop.run(["xprop", "-id", window, "WM_TRANSIENT_FOR"]),
                         "the box has an owner window")
        # Both links blue before anything is pressed.
        self.assert_link_colour(WWW, "blue", "lblWww at rest")
        self.assert_link_colour(SMTP, "blue", "lblSmtp at rest")

        # The box has the keyboard when it opens: Esc closes it, and the basket stays.
        self.assertTrue(self.focused(window), "the box does not have the keyboard")
        self.desktop.xdotool("key", "Escape")
        self.assertTrue(self.closed(), "Esc did not close the box")
        self.assertTrue(self.basket.running())

        window = self.open_about()
        self.assertTrue(self.focused(window), "the box does not have the keyboard")
        self.desktop.xdotool("key", "Return")
        self.assertTrue(self.closed(), "Enter did not close the box")

        # The window manager's close (Alt+F4 in openbox) unloads it as well; the next one is
        # a fresh box at the designed place.
        window = self.open_about()
        self.desktop.xdotool("key", "alt+F4")
        self.assertTrue(self.closed(), "Alt+F4 did not close the box")
        self.open_about()
        self.assertTrue(self.basket.running())
        self.assertEqual(self.urls.requests(), [])

    def test_links_turn_red_while_pressed_and_open_once_per_click(self):
        self.open_about()
        links = [("lblWww", WWW, WEB_ADDRESS, 15), ("lblSmtp", SMTP, MAIL_ADDRESS, 10)]
        expected = []
        for name, rect, address, dx in links:
            x, y = self.at(rect[0] + dx, rect[1] + 6)
            self.desktop.xdotool("mousemove", x, y, "mousedown", 1)
            self.assert_link_colour(rect, "red", name + " pressed")
            self.desktop.screenshot(os.path.join(ARTIFACTS, "about-%s-pressed.png" % name))
            self.assertEqual(self.urls.requests(), expected, "opened before the release")
            self.desktop.xdotool("mouseup", 1)
            self.assert_link_colour(rect, "blue", name + " released")
            expected.append(address)
            self.assertEqual(self.urls.settled_requests(len(expected)), expected, name)

            # The right button colours the link the same but opens nothing.
            self.desktop.xdotool("mousedown", 3)
            self.assert_link_colour(rect, "red", name + " pressed with the right button")
            self.desktop.xdotool("mouseup", 3)
            self.assert_link_colour(rect, "blue", name + " released by the right button")

            # A press dragged off the link comes back blue on release and opens nothing.
            self.desktop.xdotool("mousedown", 1)
            self.assert_link_colour(rect, "red", name + " pressed before dragging off")
            self.desktop.xdotool("mousemove", x, self.at(0, 195)[1], "mouseup", 1)
            self.assert_link_colour(rect, "blue", name + " released off the link")

            # A double click is one request, not two.
            self.desktop.xdotool("mousemove", x, y, "click", "--repeat", "2", "--delay", "80", 1)
            expected.append(address)
            self.assertEqual(self.urls.settled_requests(len(expected)), expected,
                             name + " double-clicked")
            self.assert_link_colour(rect, "blue", name + " after a double click")
        self.assertTrue(self.about_windows(), "a link closed the box")

    def test_clicks_on_picture_and_labels_keep_the_box_a_click_on_its_surface_closes_it(self):
        window = self.open_about()
        for what, point in (("lblTitle", TITLE_LABEL), ("imgIcon", PICTURE)):
            self.desktop.xdotool("mousemove", *self.at(*point), "click", 1)
            time.sleep(0.5)
            self.assertEqual(self.about_windows(), [window], "a click on %s closed it" % what)
        self.desktop.xdotool("mousemove", *self.at(*SURFACE), "click", 1)
        self.assertTrue(self.closed(), "a click on the surface did not close the box")
        self.assertEqual(self.urls.requests(), [])

    def test_second_about_brings_the_one_box_forward(self):
        window = self.open_about()
        # Another program's window over the box.
        cover = subprocess.Popen(["xmessage", "-geometry", "420x300+240+180", "cover"],
                                 env=self.desktop.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.desktop.procs.append(cover)
        # xmessage does not name its process on its window; its class tells it.
        covering = dt.wait_for(lambda: self.desktop.xdotool(
            "search", "--onlyvisible", "--class", "Xmessage").split(), 5)
        self.assertTrue(covering, "xmessage did not open")
        cover_id = int(covering[0])

        def above_cover():
            stack = self.basket.stacking()
            return stack.index(int(window)) > stack.index(cover_id)
        self.assertTrue(dt.wait_for(lambda: not above_cover(), 5), "the cover is not on top")

        window_again = self.open_about()
        self.assertEqual(window_again, window, "a second box was made")
        self.assertTrue(dt.wait_for(above_cover, 5), "the box was not brought forward")
        self.desktop.screenshot(os.path.join(ARTIFACTS, "about-forward.png"))

        # Minimized by the window manager, it comes back the same way.
        self.desktop.xdotool("windowminimize", "--sync", window)
        self.assertEqual(self.about_windows(), [])
        self.assertEqual(self.open_about(), window)

    def test_box_keeps_the_program_running_after_the_basket_closed(self):
        window = self.open_about()
        self.basket.right_click()
        self.assertTrue(dt.wait_for(self.basket.popup_window, 5), "no pop-up opened")
        self.basket.choose_last_item()  # "关闭"
        self.assertTrue(dt.wait_for(lambda: self.desktop.stored_position() == ("300", "300"), 5))
        time.sleep(1)
        self.assertTrue(self.basket.running(), "the program ended with the About box open")
        self.assertEqual(self.about_windows(), [window])
        # Its links still work, and closing it ends the program.
        x, y = self.at(SMTP[0] + 10, SMTP[1] + 6)
        self.desktop.xdotool("mousemove", x, y, "click", 1)
        self.assertEqual(self.urls.settled_requests(1), [MAIL_ADDRESS])
        self.desktop.xdotool("windowactivate", "--sync", window, "key", "Escape")
        self.assertEqual(self.basket.wait_exit(10), 0, "the program did not end with its box")


if __name__ == "__main__":
    unittest.main()
