"""talvoro-say as scripts use it: each error with its exit code and message, the WAV file it
writes, the phonemes it prints, and speech heard at a private sound server's null sink."""

import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import wave

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "linux"))
import desktop as dt  # noqa: E402

SAY = os.path.join(dt.BUILD_DIR, "bin", "talvoro-say")
# Ten syllables, about two seconds at the normal rate.
COUNT = "一二三四五六七八九十"


def phonemes_of(text, voice):
    """What espeak-ng itself prints for `text` in `voice`."""
    return subprocess.run(["espeak-ng", "-q", "-x", "-v", voice, text], capture_output=True,
                          text=True, check=True).stdout


def bare(phonemes):
    """Phonemes without stress, pause and line marks, as the corpus scorer compares them."""
    return re.sub(r"[ '\n\t,_|:]", "", phonemes)


class SayTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="talvoro-say-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        # No sound server unless a test starts one, and ALSA without a device.
        self.env = dict(os.environ, LANG="en_US.UTF-8", LC_ALL="",
                        PULSE_SERVER="unix:" + os.path.join(self.folder, "no-server"),
                        ALSA_CONFIG_PATH="/dev/null")

    def say(self, *args, stdin=b"", env=None):
        return subprocess.run([SAY] + list(args), input=stdin, capture_output=True,
                              env=dict(self.env, **(env or {})), timeout=60)

    def path(self, name):
        return os.path.join(self.folder, name)

    def wav(self, *args, text=COUNT):
        """Writes `text` to a WAV file; returns (frames, channels, width, rate, samples)."""
        out = self.say("--wav", self.path("out.wav"), *args, text)
        self.assertEqual(out.returncode, 0, out.stderr)
        with wave.open(self.path("out.wav")) as w:
            data = w.readframes(w.getnframes())
            return w.getnframes(), w.getnchannels(), w.getsampwidth(), w.getframerate(), data

    def test_each_error_has_its_exit_code_and_says_what_is_wrong(self):
        with open(self.path("gb.txt"), "wb") as f:
            f.write("你好".encode("gb18030"))
        cases = [
            (["--rate", "11", "x"], 2, "--rate"),
            (["--rate", "fast", "x"], 2, "--rate"),
            (["--volume=-1", "x"], 2, "--volume"),
            (["--volume"], 2, "needs a value"),
            (["--phonemes=yes", "x"], 2, "takes no value"),
            (["--phonemes", "--wav", "-", "x"], 2, "both write to standard output"),
            (["--wav", "--phonemes", "x"], 2, "needs a file name, not the option --phonemes"),
            (["--loud", "x"], 2, "unknown option --loud"),
            (["-f", self.path("gb.txt"), "x"], 2, "not both"),
            (["--voice", "klingon-x", "x"], 2, "no voice 'klingon-x'"),
            (["-f", self.path("missing.txt")], 3, "missing.txt: No such file"),
            (["-f", self.folder], 3, "Is a directory"),
            (["--phonemes", "-f", self.path("gb.txt")], 4, "not valid UTF-8 (byte 0xC4 at offset 0)"),
            (["hello"], 5, "no sound server"),
            (["--wav", self.path("no/such/folder.wav"), "x"], 6, "folder.wav"),
        ]
        for args, code, message in cases:
            out = self.say(*args)
            self.assertEqual(out.returncode, code, args)
            self.assertIn(message, out.stderr.decode(), args)
            self.assertEqual(out.stdout, b"", args)
        # An engine without its data.
        out = self.say("--phonemes", "x", env={"ESPEAK_DATA_PATH": self.folder})
        self.assertEqual(out.returncode, 1)
        self.assertIn("espeak-ng", out.stderr.decode())
        # Text that is not UTF-8 is refused before any sound is made or file written.
        out = self.say("--wav", self.path("gb.wav"), stdin="你好".encode("gb18030"))
        self.assertEqual(out.returncode, 4)
        self.assertFalse(os.path.exists(self.path("gb.wav")))
        help = self.say("--help")
        self.assertEqual(help.returncode, 0)
        for option in ("--voice", "--rate", "--volume", "--wav", "--phonemes", "-f", "Exit status"):
            self.assertIn(option, help.stdout.decode())

    def test_the_wav_file_is_valid_and_as_long_as_the_text(self):
        frames, channels, width, rate, data = self.wav()
        self.assertEqual((channels, width, rate), (1, 2, 22050))
        self.assertEqual(len(data), 2 * frames)
        seconds = frames / rate
        self.assertGreater(seconds, 1.2, "ten syllables")
        self.assertLess(seconds, 4.0, "ten syllables")
        # The header's sizes are the file's.
        size = os.path.getsize(self.path("out.wav"))
        self.assertEqual(size, 44 + 2 * frames)
        twice = self.wav(text=COUNT + "，" + COUNT)[0]
        self.assertGreater(twice, 1.8 * frames)
        self.assertLess(twice, 2.6 * frames)

    def test_the_wav_file_is_replaced_only_once_the_whole_sound_is_there(self):
        old = self.path("old.wav")
        with open(old, "wb") as f:
            f.write(b"an older recording")
        os.symlink(old, self.path("link.wav"))
        out = self.say("--wav", self.path("link.wav"), COUNT, env={"ESPEAK_DATA_PATH": self.folder})
        self.assertEqual(out.returncode, 1)
        with open(old, "rb") as f:
            self.assertEqual(f.read(), b"an older recording", "a failed run spoilt the old file")
        self.assertEqual(sorted(os.listdir(self.folder)), ["link.wav", "old.wav"])
        # Interrupted while it writes a long text: nothing is left but the old file.
        run = subprocess.Popen([SAY, "--wav", self.path("link.wav"), COUNT * 2000],
                               env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(dt.wait_for(lambda: len(os.listdir(self.folder)) == 3, 10),
                        "no new file was started beside the old one")
        run.send_signal(signal.SIGINT)
        self.assertEqual(run.wait(10), -signal.SIGINT)
        self.assertEqual(sorted(os.listdir(self.folder)), ["link.wav", "old.wav"])
        # Through the link, the file it leads to is replaced and the link kept.
        self.assertEqual(self.say("--wav", self.path("link.wav"), COUNT).returncode, 0)
        self.assertTrue(os.path.islink(self.path("link.wav")))
        with open(old, "rb") as f:
            written = f.read()
        # Streamed to a pipe: the same sound, its header leaving the length open.
        piped = self.say("--wav", "-", COUNT)
        self.assertEqual(piped.returncode, 0, piped.stderr)
        self.assertEqual(piped.stdout[:4] + piped.stdout[8:40], written[:4] + written[8:40])
        self.assertEqual(piped.stdout[44:], written[44:])
        self.assertEqual(int.from_bytes(piped.stdout[40:44], "little"), 0xFFFFFFFF - 44)

    def test_the_wav_file_is_written_only_where_the_shells_redirection_would(self):
        # As an ordinary user: root may write anywhere.
        user = []
        if os.geteuid() == 0:
            user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
            os.chown(self.folder, 65534, 65534)
            if subprocess.run(user + ["test", "-x", SAY]).returncode != 0:
                self.skipTest("the build cannot be run by an ordinary user here")

        def say(*args):
            return subprocess.run(user + [SAY] + list(args), capture_output=True, env=self.env,
                                  timeout=60)

        def made(name, data):
            with open(self.path(name), "wb") as f:
                f.write(data)
            if user:
                os.chown(self.path(name), 65534, 65534)
            return self.path(name)

        read_only = made("ro.wav", b"keep")
        os.chmod(read_only, 0o444)
        out = say("--wav", read_only, COUNT)
        self.assertEqual(out.returncode, 6)
        self.assertIn("ro.wav: Permission denied", out.stderr.decode())
        with open(read_only, "rb") as f:
            self.assertEqual(f.read(), b"keep")
        # A file with another hard link stays one file, which holds the sound.
        one = made("one.wav", b"old")
        os.link(one, self.path("two.wav"))
        self.assertEqual(say("--wav", self.path("two.wav"), COUNT).returncode, 0)
        self.assertEqual(os.stat(one).st_ino, os.stat(self.path("two.wav")).st_ino)
        with wave.open(one) as w:
            self.assertGreater(w.getnframes(), w.getframerate())
        # The longest name the folder takes can be written.
        longest = self.path("a" * 251 + ".wav")
        out = say("--wav", longest, COUNT)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertEqual(sorted(os.listdir(self.folder)),
                         sorted(["ro.wav", "one.wav", "two.wav", os.path.basename(longest)]))

    def test_every_way_out_removes_the_unfinished_file_and_says_why(self):
        old = self.path("b.wav")
        with open(old, "wb") as f:
            f.write(b"an older recording")
        text = self.path("long.txt")
        with open(text, "w") as f:
            f.write((COUNT + "。\n") * 3000)

        def ended(args, expected_code, message, limit=None, stdout=subprocess.DEVNULL):
            def limited():
                if limit:
                    resource.setrlimit(*limit)
            with subprocess.Popen([SAY] + args, stdout=stdout, stderr=subprocess.PIPE,
                                  env=self.env, preexec_fn=limited) as run:
                if stdout == subprocess.PIPE:
                    run.stdout.read(10)  # the reader goes away, as "| head -c 10" does
                    run.stdout.close()
                err = run.stderr.read().decode()
                self.assertEqual(run.wait(60), expected_code, (args, err))
            self.assertTrue(any(m in err for m in message.split("|")), (args, err))
            self.assertEqual(sorted(os.listdir(self.folder)), ["b.wav", "long.txt"], args)

        wav = ["--phonemes", "--wav", old, "-f", text]
        ended(wav, 6, "Broken pipe", stdout=subprocess.PIPE)
        ended(wav, 6, "File too large", limit=(resource.RLIMIT_FSIZE, (51200, 51200)))
        # Standard output that takes nothing, in every mode that writes to it.
        with open("/dev/full", "wb") as full:
            for args in (["--voices"], ["--help"], ["--phonemes", "-f", text], wav):
                ended(args, 6, "No space left on device", stdout=full)
        # Out of memory: a text larger than the memory left, and no room for a thread.
        big = self.path("big.txt")
        with open(big, "wb") as f:
            f.truncate(100 << 20)  # NUL bytes: valid UTF-8 until they are read
        self.addCleanup(lambda: os.path.exists(big) and os.unlink(big))
        out = subprocess.run([SAY, "--wav", old, "-f", big], capture_output=True, env=self.env,
                             preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS,
                                                                   (150 << 20, 150 << 20)))
        self.assertEqual(out.returncode, 7, out.stderr)
        self.assertIn("out of memory", out.stderr.decode())
        os.unlink(big)
        # Where the memory runs out first depends on the build: a thread, or the engine's data.
        ended(["--wav", old, COUNT], 7, "the system refused|out of memory",
              limit=(resource.RLIMIT_AS, (60000 << 10, 60000 << 10)))
        with open(old, "rb") as f:
            self.assertEqual(f.read(), b"an older recording")

    def test_rate_and_volume_change_the_sound(self):
        frames, *_, data = self.wav()
        fast = self.wav("--rate", "10")[0]
        slow = self.wav("--rate=-10")[0]
        # Each step of rate is 3^(1/10) in speed: +10 is three times as fast, -10 a third.
        self.assertAlmostEqual(fast / frames, 1 / 3, delta=0.1)
        self.assertAlmostEqual(slow / frames, 3, delta=0.6)
        quiet = self.wav("--volume", "25")[4]

        def peak(samples):
            return max(abs(v) for v in memoryview(samples).cast("h"))
        self.assertAlmostEqual(peak(quiet) / peak(data), 0.25, delta=0.03)

    def test_phonemes_are_those_of_the_sound_written(self):
        text = ("<voice required=\"Language=409\">Good morning.</voice>银行今天不营业。"
                "<pron sym=\"chong 2 qing 4\">重庆</pron><spell>AB</spell>")
        alone = self.say("--phonemes", text)
        self.assertEqual(alone.returncode, 0, alone.stderr)
        both = self.say("--phonemes", "--wav", self.path("both.wav"), text)
        self.assertEqual(both.stdout, alone.stdout)
        self.assertEqual(self.say("--wav", self.path("only.wav"), text).returncode, 0)
        with open(self.path("both.wav"), "rb") as a, open(self.path("only.wav"), "rb") as b:
            self.assertEqual(a.read(), b.read(), "printing the phonemes changed the sound")
        # Each part read by the voice the markup and the front end chose, a line per clause.
        got = alone.stdout.decode()
        want = (phonemes_of("Good morning.", "en-us")
                + phonemes_of("yin2 hang2 jin1 tian1 bu4 ying2 ye4", "cmn-latn-pinyin")
                + phonemes_of("chong2 qing4", "cmn-latn-pinyin"))
        self.assertTrue(bare(got).startswith(bare(want)), got)
        self.assertGreaterEqual(len(got.splitlines()), 4, got)

    def test_the_voice_decides_digits_and_latin_words_but_han_is_always_mandarin(self):
        mandarin_123 = bare(phonemes_of("yi4 bai3 er4 shi2 san1", "cmn-latn-pinyin"))
        cases = [
            ("en", "123", bare(phonemes_of("123", "en"))),
            ("zh", "123", mandarin_123),
            ("sit/cmn", "123", mandarin_123),
            ("en-US", "你好", bare(phonemes_of("ni3 hao3", "cmn-latn-pinyin"))),
            ("ru", "你好", bare(phonemes_of("ni3 hao3", "cmn-latn-pinyin"))),
            ("yue", "你好", bare(phonemes_of("你好", "yue"))),  # Cantonese reads Han itself
            # Markup that names a language chooses the voice for what it covers in the same way.
            ("en", "<lang langid=\"c04\">你好</lang>", bare(phonemes_of("你好", "yue"))),
            ("en", "<speak><voice xml:lang=\"ru\">你好 Linux</voice></speak>",
             bare(phonemes_of("ni3 hao3", "cmn-latn-pinyin") + phonemes_of("Linux", "en"))),
        ]
        for voice, text, want in cases:
            out = self.say("--phonemes", "--voice", voice, text)
            self.assertEqual(out.returncode, 0, out.stderr)
            self.assertEqual(bare(out.stdout.decode()), want, (voice, text))

    def test_text_comes_from_arguments_a_file_or_standard_input(self):
        with open(self.path("t.txt"), "wb") as f:
            f.write(b"\xef\xbb\xbf" + "你好".encode())
        want = self.say("--phonemes", "你好").stdout
        self.assertTrue(want)
        self.assertEqual(self.say("--phonemes", "-f", self.path("t.txt")).stdout, want)
        self.assertEqual(self.say("--phonemes", stdin="你好".encode()).stdout, want)
        self.assertEqual(self.say("--phonemes", "-f", "-", stdin="你好".encode()).stdout, want)
        self.assertEqual(self.say("--phonemes", "--", "-5").returncode, 0)

    def test_without_the_dictionary_chinese_is_still_read_and_a_warning_says_why(self):
        out = self.say("--phonemes", "银行", env={"TALVORO_MANDARIN_DICT": self.path("none.dict")})
        self.assertEqual(out.returncode, 0)
        self.assertIn("without the Mandarin dictionary", out.stderr.decode())
        self.assertTrue(out.stdout.strip())


class SayAloudTest(unittest.TestCase):
    """Speech played to a sound server, as a script at a desktop hears it."""

    def setUp(self):
        self.desktop = Host()
        self.addCleanup(self.desktop.close)
        self.recorder = dt.SoundServer(self.desktop).record()

    def test_the_text_is_heard_and_the_program_ends_when_it_has_been(self):
        started = time.monotonic()
        out = subprocess.run([SAY, COUNT], capture_output=True, env=self.desktop.env, timeout=60)
        ended = time.monotonic()
        self.assertEqual(out.returncode, 0, out.stderr)
        sounds = self.recorder.sound_times(started, ended + 0.5)
        self.assertTrue(sounds, "nothing was heard")
        self.assertGreater(sounds[-1] - sounds[0], 1.0, "ten syllables cut short")
        self.assertGreater(ended, sounds[-1] - 0.3, "the program ended before the speech")


class StalledServerTest(unittest.TestCase):
    """A sound server that accepts connections and never answers (stopped before the program
    starts): what needs no sound ends as it would without a server, and speech fails as with a
    dead one, instead of waiting for ever."""

    def test_every_mode_ends_with_its_own_result(self):
        desktop = Host()
        self.addCleanup(desktop.close)
        server = dt.SoundServer(desktop)
        server.proc.send_signal(signal.SIGSTOP)
        self.addCleanup(server.proc.send_signal, signal.SIGCONT)
        folder = desktop.home
        env = dict(desktop.env, ALSA_CONFIG_PATH="/dev/null")
        wav = os.path.join(folder, "out.wav")
        cases = [
            (["--wav", wav, COUNT], 0),
            (["--phonemes", COUNT], 0),
            (["--voices"], 0),
            ([COUNT], 5),  # no sound server to play on
        ]
        for args, code in cases:
            try:
                out = subprocess.run([SAY] + args, capture_output=True, env=env, timeout=30)
            except subprocess.TimeoutExpired:
                self.fail("%s still waits for the server after 30 s" % args)
            self.assertEqual(out.returncode, code, (args, out.stderr))
        with wave.open(wav) as w:
            self.assertGreater(w.getnframes(), w.getframerate())  # ten syllables, over a second


class Host:
    """A desktop without a display: private folders and the processes to end, for a sound
    server."""

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="talvoro-say-host-")
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime, LANG="en_US.UTF-8", LC_ALL="")
        self.procs = []

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(self.home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
