"""A real desktop for the Linux edition's tests: Xvfb, the openbox window manager, private XDG
folders, and the basket started as a user would start it."""

import array
import glob
import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

BUILD_DIR = os.environ.get("TALVORO_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
PROGRAM = os.path.join(BUILD_DIR, "bin", "talvoro")
# Screenshots for a person to look at.
ARTIFACTS = os.environ.get("TALVORO_ARTIFACTS", os.path.join(BUILD_DIR, "test-artifacts"))
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
        # openbox announces itself before it manages new windows; one mapped then is lost.
        time.sleep(0.5)

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

    def start_basket(self, extra_env=None, expect_basket=True, prefix=()):
        """The program started with extra_env added, behind `prefix` (a command that execs it,
        as setpriv does to run it as another user)."""
        return Basket(self, extra_env or {}, expect_basket, prefix)

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(self.home, ignore_errors=True)


class SoundServer:
    """A private PulseAudio server whose only sink is a null sink, serving every program started
    on the desktop from then on. What is played there can be recorded from the sink's monitor."""

    SINK = "talvoro_test"

    def __init__(self, desktop):
        self.desktop = desktop
        env = desktop.env
        env["PULSE_SERVER"] = "unix:%s/pulse/native" % env["XDG_RUNTIME_DIR"]
        env.pop("PULSE_SINK", None)
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
             "--realtime=no", "--high-priority=no", "--log-target=stderr",
             "--load=module-null-sink sink_name=%s" % self.SINK,
             "--load=module-native-protocol-unix", "--load=module-always-sink"],
            env=env, stdout=self.log, stderr=self.log)
        desktop.procs.append(self.proc)
        if not wait_for(lambda: self._pactl("info"), 10):
            self.log.seek(0)
            raise RuntimeError("pulseaudio did not start: %s"
                               % self.log.read().decode(errors="replace"))
        self._pactl("set-default-sink", self.SINK)

    def _pactl(self, *args):
        return subprocess.run(["pactl"] + list(args), env=self.desktop.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

    def record(self):
        return Recorder(self)


class Recorder:
    """Records the null sink's monitor with parec, in blocks of about 10 ms, each kept as its
    place in the recording and its peak level.

    A block's time is read off the recording, not off the clock when this process got to read
    it: the monitor delivers the sink's sound without a break, so sample n was played n / RATE
    seconds after the first. The recording's start is taken from the block that arrived soonest
    after it was played. A busy machine that lets the reader fall behind then moves no time."""

    RATE = 22050
    BLOCK = 220  # samples
    AUDIBLE = 300  # peak level of a block that holds sound; the engine's speech peaks far higher

    def __init__(self, server):
        self.desktop = server.desktop
        self.levels = []  # (samples recorded up to the end of the block, peak)
        self.origin = float("inf")  # the time of the recording's first sample
        self._lock = threading.Lock()
        self.proc = subprocess.Popen(
            ["parec", "--raw", "--format=s16le", "--rate=%d" % self.RATE, "--channels=1",
             "--latency-msec=10", "-d", server.SINK + ".monitor"],
            env=self.desktop.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.desktop.procs.append(self.proc)
        self._thread = threading.Thread(target=self._read, daemon=True)
        self._thread.start()
        self._warm_up()

    def _read(self):
        recorded = 0
        while True:
            data = self.proc.stdout.read(self.BLOCK * 2)
            if len(data) < 2:
                return
            arrived = time.monotonic()
            samples = array.array("h", data[:len(data) // 2 * 2])
            peak = max(abs(v) for v in samples)
            recorded += len(samples)
            with self._lock:
                self.origin = min(self.origin, arrived - recorded / self.RATE)
                self.levels.append((recorded, peak))

    def _warm_up(self):
        # A fresh null sink's monitor delivers nothing until something has played there, and
        # then starts late: play silence until blocks arrive, so that no first word is missed.
        player = subprocess.Popen(["pacat", "--raw", "--format=s16le", "--rate=%d" % self.RATE,
                                   "--channels=1", "--latency-msec=20"], env=self.desktop.env,
                                  stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end = time.monotonic() + 10
        try:
            while len(self.blocks()) < 10 and time.monotonic() < end:
                player.stdin.write(bytes(self.RATE // 25))  # 20 ms
                player.stdin.flush()
                time.sleep(0.01)
        finally:
            player.kill()
            player.wait(5)
        if not self.blocks():
            raise RuntimeError("the sink's monitor delivers nothing")

    def blocks(self, start=0.0, end=float("inf")):
        """(time, peak) of the blocks that ended between start and end."""
        with self._lock:
            timed = ((self.origin + n / self.RATE, peak) for n, peak in self.levels)
            return [(t, peak) for t, peak in timed if start <= t <= end]

    def latest(self):
        """The time the recording has been read up to."""
        with self._lock:
            return self.origin + self.levels[-1][0] / self.RATE if self.levels else 0.0

    def sound_times(self, start=0.0, end=float("inf")):
        """Arrival times of the blocks with sound between start and end."""
        return [t for t, peak in self.blocks(start, end) if peak > self.AUDIBLE]

    def silent(self, start, end):
        """Whether blocks arrived for the whole span and none held sound."""
        if not wait_for(lambda: self.blocks(end), 10):
            return False  # the recording stalled
        blocks = self.blocks(start, end)
        return bool(blocks) and not any(peak > self.AUDIBLE for t, peak in blocks)

    def wait_for_sound(self, after, timeout=5.0):
        """The time of the first sound heard after `after`, or None."""
        times = wait_for(lambda: self.sound_times(after), timeout)
        return times[0] if times else None

    def wait_for_silence(self, after, quiet=1.0, timeout=30.0):
        """Waits until nothing has been heard for `quiet` seconds; returns the time of the last
        sound after `after` (None with none), or raises when the sound goes on past `timeout`."""
        def quiet_now():
            # Quiet in the recording as far as it has been read, not merely in the time that
            # passed while the reader fell behind.
            latest = self.latest()
            return latest - after >= quiet and not self.sound_times(latest - quiet)
        if not wait_for(quiet_now, timeout):
            raise AssertionError("still sounding after %.0f s" % timeout)
        times = self.sound_times(after)
        return times[-1] if times else None


class Clipboard:
    """The clipboard held by another program (xclip), as when a user copies text elsewhere."""

    def __init__(self, desktop):
        self.desktop = desktop
        self.owner = None

    def copy(self, text):
        self.release()
        # -quiet keeps xclip in the foreground, serving the selection until it is replaced.
        self.owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard"],
                                      env=self.desktop.env, stdin=subprocess.PIPE,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.desktop.procs.append(self.owner)
        self.owner.stdin.write(text.encode("utf-8"))
        self.owner.stdin.close()
        # Copied once the selection reads back.
        if not wait_for(lambda: self.paste() == text.encode("utf-8"), 5):
            raise RuntimeError("the clipboard does not hold the text")

    def paste(self):
        return subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.desktop.env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout

    def release(self):
        if self.owner and self.owner.poll() is None:
            self.owner.terminate()
            self.owner.wait(5)
        self.owner = None


class Basket:
    """The running program and its basket window."""

    def __init__(self, desktop, extra_env, expect_basket=True, prefix=()):
        self.desktop = desktop
        env = dict(desktop.env, **extra_env)
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(list(prefix) + [PROGRAM], env=env, stdout=self.log,
                                     stderr=self.log)
        desktop.procs.append(self.proc)
        self.window = wait_for(self._find_window, 15) if expect_basket else None
        if expect_basket and not self.window:
            raise RuntimeError("the basket did not appear: %s" % self.output())
        if self.window:
            # A user meets the basket once the window manager has taken it in (WM_STATE set);
            # clicks before that can go to a window that is still being framed.
            wait_for(lambda: "Normal" in desktop.run(["xprop", "-id", self.window, "WM_STATE"],
                                                     check=False), 5)
            time.sleep(0.2)

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

    def popup_window(self, besides=()):
        """The id of the mapped pop-up menu window, if one is open; windows in `besides` (a
        viewer, a dialog) are not taken for one."""
        out = self.desktop.xdotool("search", "--onlyvisible", "--pid", self.proc.pid).split()
        menus = [w for w in out if w != self.window and w not in besides]
        return menus[-1] if menus else None

    def popup(self, least=1, timeout=15, besides=()):
        """The open pop-up as drawn on screen, once it shows at least `least` items, or None when
        no pop-up opens within `timeout` seconds."""
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            window = wait_for(lambda: self.popup_window(besides), until - time.monotonic())
            if not window:
                return None
            try:
                # A menu may still be drawing when it maps, or not have drawn at all on a busy
                # machine: read it until it shows items and two pictures agree.
                last = Popup(self.desktop, window)
                while True:
                    time.sleep(0.03)
                    now = Popup(self.desktop, window)
                    drawn = now.pixels == last.pixels and len(now.items) >= least
                    if drawn or time.monotonic() > until:
                        return now
                    last = now
            except (RuntimeError, subprocess.CalledProcessError):
                # That window went as it was read: one closing (a dialog, the last pop-up)
                # while the new pop-up maps. Look again.
                time.sleep(0.1)
        return None

    def popup_rows(self):
        """The open pop-up's rows from top to bottom, read off its pixels: "sep" for a separator,
        "on" for an item drawn in dark (enabled) text, "off" for one drawn in grey text."""
        menu = self.popup()
        return [row.kind for row in menu.rows] if menu else []

    def stacking(self):
        """Client windows from bottom to top, as the window manager stacks them."""
        def listed():
            out = self.desktop.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"])
            return "#" in out and out
        # The window manager may be between two updates of the list.
        out = wait_for(listed, 5)
        if not out:
            raise AssertionError("the window manager lists no client windows")
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


class PopupRow:
    """One row of a drawn pop-up menu."""

    def __init__(self, kind, top, bottom):
        self.kind = kind  # "sep", "on" or "off"
        self.top, self.bottom = top, bottom
        self.checked = False  # a tick drawn left of the caption
        self.caption = b""  # the caption's pixels, to tell two captions apart


class Popup:
    """A pop-up menu read off its pixels."""

    # Columns of the tick and of the caption, in pixels from the menu's left edge.
    TICK = (4, 26)
    CAPTION_LEFT = 26

    def __init__(self, desktop, window):
        self.desktop = desktop
        self.window = window
        info = desktop.run(["xwininfo", "-id", window])
        self.x = int(info.split("Absolute upper-left X:")[1].split()[0])
        self.y = int(info.split("Absolute upper-left Y:")[1].split()[0])
        self.width, self.height, self.pixels = grey_pixels(desktop, window)
        self.rows = self._read_rows()

    def _dark(self, y, left, right, contrast):
        line = self.pixels[y * self.width + left:y * self.width + right]
        return [v for v in line if self.background - v > contrast]

    def _read_rows(self):
        width, height = self.width, self.height
        self.background = self.pixels[(height // 2) * width + width - 3]
        right = min(width - 24, 120)

        def across(y):
            # A separator is a line across most of the width.
            line = self.pixels[y * width + 4:(y + 1) * width - 4]
            return sum(1 for v in line if abs(v - self.background) > 12) > (width - 8) * 0.8

        rows = []
        y = 0
        while y < height:
            if across(y):
                rows.append(PopupRow("sep", y, y + 1))
                y += 1
                while y < height and across(y):
                    y += 1
                continue
            # Text sits in the caption column.
            if not self._dark(y, self.CAPTION_LEFT, right, 30):
                y += 1
                continue
            top = y
            darkest = 255
            while y < height:
                band = self._dark(y, self.CAPTION_LEFT, right, 30)
                if not band:
                    break
                darkest = min(darkest, min(band))
                y += 1
            if y - top >= 4:  # glyphs, not a stray pixel
                row = PopupRow("on" if darkest < 90 else "off", top, y)
                row.caption = b"".join(self.pixels[r * width + self.CAPTION_LEFT:r * width + right]
                                       for r in range(top, y))
                row.checked = any(self._dark(r, self.TICK[0], self.TICK[1], 120)
                                  for r in range(top, y))
                rows.append(row)
        # The menu's own frame reads as a line at its top and bottom.
        while rows and rows[0].kind == "sep":
            rows.pop(0)
        while rows and rows[-1].kind == "sep":
            rows.pop()
        return rows

    @property
    def items(self):
        """The rows that are items, separators left out."""
        return [row for row in self.rows if row.kind != "sep"]

    def click(self, index):
        """Clicks item `index` (counted without separators) with the left button."""
        row = self.items[index]
        self.desktop.xdotool("mousemove", self.x + self.CAPTION_LEFT + 20,
                             self.y + (row.top + row.bottom) // 2, "click", 1)


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


class SoundDesktopTest(unittest.TestCase):
    """Cases that share one desktop and one sound server: the sink's monitor takes a while to
    start delivering, so it is started once for the class."""

    @classmethod
    def setUpClass(cls):
        os.makedirs(ARTIFACTS, exist_ok=True)
        cls.desktop = Desktop()
        try:
            cls.sound = SoundServer(cls.desktop)
            cls.recorder = cls.sound.record()
        except Exception:
            cls.desktop.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()
