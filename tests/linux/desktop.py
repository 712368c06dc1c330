"""A real desktop for the Linux edition's tests: Xvfb, the openbox window manager, private XDG
folders, and the basket started as a user would start it."""

import glob
import os
import shutil
import subprocess
import tempfile
import time

BUILD_DIR = os.environ.get("TALVORO_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
PROGRAM = os.path.join(BUILD_DIR, "bin", "talvoro")
SYSTEM_ESPEAK_DATA = (glob.glob("/usr/lib/*/espeak-ng-data") + ["/usr/share/espeak-ng-data"])[0]


def wait_for(predicate, timeout=10.0, step=0.05):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class Desktop:
    """One X server with a window manager, torn down by close()."""

    def __init__(self, width=1280, height=800):
        self.home = tempfile.mkdtemp(prefix="talvoro-desktop-")
        self.env = dict(os.environ)
        for var in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"):
            self.env.pop(var, None)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.home, "config")
        self.env["XDG_CACHE_HOME"] = os.path.join(self.home, "cache")
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.home, "runtime")
        os.makedirs(self.env["XDG_CONFIG_HOME"])
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.procs = []
        self.display = self._start_x(width, height)
        self.env["DISPLAY"] = self.display
        wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        self.procs.append(wm)
        # openbox is up once it owns the window manager selection.
        wait_for(lambda: "_NET_SUPPORTING_WM_CHECK" in self.run(["xprop", "-root"], check=False), 10)

    def _start_x(self, width, height):
        # Xvfb picks a free display itself and writes its number to the pipe.
        read_end, write_end = os.pipe()
        x = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                              "%dx%dx24" % (width, height), "-nolisten", "tcp"],
                             pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.procs.append(x)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        return ":" + number

    def run(self, args, check=True, **kw):
        out = subprocess.run(args, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True, **kw)
        if check and out.returncode != 0:
            raise RuntimeError("%s failed: %s" % (args, out.stderr))
        return out.stdout

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args], check=False)

    def screenshot(self, path):
        self.run(["import", "-window", "root", path])
        return path

    # Settings of the basket.
    @property
    def settings_file(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "Talvoro", "Talvoro.conf")

    def store_position(self, top, left):
        os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
        with open(self.settings_file, "w") as f:
            f.write("[site]\ntop=%s\nleft=%s\n" % (top, left))

    def stored_position(self):
        values = {}
        with open(self.settings_file) as f:
            for line in f:
                if "=" in line:
                    k, v = line.strip().split("=", 1)
                    values[k] = v
        return values.get("top"), values.get("left")

    def start_basket(self, extra_env=None, expect_basket=True):
        return Basket(self, extra_env or {}, expect_basket)

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(self.home, ignore_errors=True)


class Basket:
    """The running program and its basket window."""

    def __init__(self, desktop, extra_env, expect_basket=True):
        self.desktop = desktop
        env = dict(desktop.env, **extra_env)
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([PROGRAM], env=env, stdout=self.log, stderr=self.log)
        desktop.procs.append(self.proc)
        self.window = wait_for(self._find_window, 15) if expect_basket else None
        if expect_basket and not self.window:
            raise RuntimeError("the basket did not appear: %s" % self.output())

    def windows(self):
        return self.desktop.xdotool("search", "--onlyvisible", "--pid", self.proc.pid).split()

    def _find_window(self):
        ids = self.windows()
        return ids[0] if ids else None

    def output(self):
        if self.log.closed:
            return ""
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def geometry(self):
        """(x, y, width, height) of the window in pixels."""
        info = self.desktop.run(["xwininfo", "-id", self.window])
        fields = {}
        for line in info.splitlines():
            if ":" in line:
                k, v = line.strip().split(":", 1)
                fields[k.strip()] = v.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def net_wm_state(self):
        return self.desktop.run(["xprop", "-id", self.window, "_NET_WM_STATE"], check=False)

    def center(self):
        x, y, w, h = self.geometry()
        return x + w // 2, y + h // 2

    def right_click(self):
        x, y = self.center()
        self.desktop.xdotool("mousemove", x, y, "click", 3)

    def choose_last_item(self):
        """With the pop-up open, choose its last item ("关闭") from the keyboard."""
        self.desktop.xdotool("key", "Up", "Return")

    def popup_open(self):
        """Whether a pop-up menu window of the program is mapped."""
        out = self.desktop.xdotool("search", "--onlyvisible", "--pid", self.proc.pid)
        return len(out.split()) > 1

    def popup_window(self):
        """The id of the mapped pop-up menu window, if one is open."""
        out = self.desktop.xdotool("search", "--onlyvisible", "--pid", self.proc.pid).split()
        menus = [w for w in out if w != self.window]
        return menus[-1] if menus else None

    def popup_rows(self):
        """The open pop-up's rows from top to bottom, read off its pixels: "sep" for a separator,
        "on" for an item drawn in dark (enabled) text, "off" for one drawn in grey text."""
        window = wait_for(self.popup_window, 5)
        if not window:
            return []
        width, height, pixels = grey_pixels(self.desktop, window)
        background = pixels[(height // 2) * width + width - 3]
        rows = []
        y = 0
        while y < height:
            # A separator is a line across most of the width; text sits in the caption column.
            line = pixels[y * width:(y + 1) * width]
            across = sum(1 for v in line[4:width - 4] if abs(v - background) > 12)
            if across > (width - 8) * 0.8:
                rows.append(("sep", y))
                y += 1
                while y < height and sum(1 for v in pixels[y * width + 4:(y + 1) * width - 4]
                                         if abs(v - background) > 12) > (width - 8) * 0.8:
                    y += 1
                continue
            text = [v for v in line[26:min(width - 24, 120)] if background - v > 30]
            if not text:
                y += 1
                continue
            top = y
            darkest = 255
            while y < height:
                band = [v for v in pixels[y * width + 26:y * width + min(width - 24, 120)]
                        if background - v > 30]
                if not band:
                    break
                darkest = min(darkest, min(band))
                y += 1
            if y - top >= 4:  # glyphs, not a stray pixel
                rows.append(("on" if darkest < 90 else "off", top))
        kinds = [kind for kind, _ in rows]
        # The menu's own frame reads as a line at its top and bottom.
        while kinds and kinds[0] == "sep":
            kinds.pop(0)
        while kinds and kinds[-1] == "sep":
            kinds.pop()
        return kinds

    def stacking(self):
        """Client windows from bottom to top, as the window manager stacks them."""
        out = self.desktop.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"])
        return [int(w, 16) for w in out.split("#", 1)[1].replace(" ", "").split(",")]

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=10):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait()
        self.log.close()


def empty_voice_data():
    """An espeak-ng data folder with the engine's files but no voices at all."""
    root = tempfile.mkdtemp(prefix="talvoro-novoices-")
    data = os.path.join(root, "espeak-ng-data")
    os.makedirs(data)
    for name in os.listdir(SYSTEM_ESPEAK_DATA):
        if name in ("lang", "voices"):
            os.makedirs(os.path.join(data, name))
        else:
            os.symlink(os.path.join(SYSTEM_ESPEAK_DATA, name), os.path.join(data, name))
    return root, data


def grey_pixels(desktop, window):
    """(width, height, bytes) of a window's picture in 8-bit grey."""
    out = subprocess.run(["import", "-window", window, "-colorspace", "Gray", "-depth", "8",
                          "pgm:-"], env=desktop.env, stdout=subprocess.PIPE, check=True).stdout
    # Binary PGM: "P5\n<w> <h>\n<max>\n" then the pixels.
    parts = out.split(b"\n", 3)
    width, height = (int(v) for v in parts[1].split())
    return width, height, parts[3]
