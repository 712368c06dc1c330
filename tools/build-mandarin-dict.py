#!/usr/bin/env python3
"""Builds the Mandarin front end's dictionary file from Debian's Rime and OpenCC data.

usage: build-mandarin-dict.py --output FILE [--terra-table F] [--terra-dict F] [--pinyin-simp F]
                              [--unihan F] [--fixes F] [--opencc CMD]

Sources (all from Debian packages; nothing here is typed in):
- rime-data-terra-pinyin: build/terra_pinyin.table.txt, traditional words with tone-numbered
  readings and frequencies (derived from CC-CEDICT); terra_pinyin.dict.yaml tells the readings
  its maintainers wrote from those Rime made up from the readings of single characters.
- rime-data-pinyin-simp: simplified words with toneless readings and their own frequencies,
  which decide between readings that terra_pinyin weighs equally.
- opencc (t2s.json): the simplified form of every word, so both scripts are found.
- unicode-data: Unihan's kHanyuPinlu (how often each reading of a character occurs in the
  Xiandai Hanyu Pinlu Cidian) and kMandarin (its most customary reading in the mainland), which
  decide between readings of a character that terra_pinyin weighs equally (怎 ze3/zen3), and
  tell the particles (地 de5, 得 de5) that a character standing alone mostly is.
- The project's own fixes (a small TSV beside the front end's sources), each with a test.

The file it writes is read by src/speech/mandarin/Dictionary.cpp; the layout is described there.
"""
import argparse
import bz2
import math
import os
import struct
import subprocess
import sys
import tempfile
import unicodedata
from collections import defaultdict

MAGIC = b"TVMD"
VERSION = 2
COST_SCALE = 1024  # costs are -ln(probability) in 1/1024ths


def is_han(ch):
    c = ord(ch)
    return (0x3400 <= c <= 0x4DBF or 0x4E00 <= c <= 0x9FFF or 0xF900 <= c <= 0xFAFF
            or 0x20000 <= c <= 0x3FFFF or c == 0x3007)


def read_table(path):
    """terra_pinyin.table.txt: word, reading, weight; in the file's order."""
    words = defaultdict(list)
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            parts = line.rstrip("\n").split("\t")
            if len(parts) != 3:
                continue
            word, reading, weight = parts
            syllables = reading.split()
            if len(syllables) != len(word) or not all(is_han(c) for c in word):
                continue  # names with "·", Latin letters: not readable syllable by syllable
            if not all(s[-1] in "12345" and s[:-1].isalpha() for s in syllables):
                continue
            words[word].append((reading, float(weight)))
    return words


def read_rime_dict(path):
    """The table below a Rime dictionary's YAML header: (word, reading, optional weight)."""
    rows = []
    with open(path, encoding="utf-8") as f:
        in_header = True
        for line in f:
            if in_header:
                in_header = not line.startswith("...")
                continue
            if line.startswith("#") or not line.strip():
                continue
            parts = line.rstrip("\n").split("\t")
            if len(parts) >= 2:
                rows.append(parts)
    return rows


def numbered(pinyin):
    """Unihan's pinyin with tone marks ("zhòng", "lǜ") as terra_pinyin writes it ("zhong4", "lv4")."""
    tone, out = 5, ""
    for ch in unicodedata.normalize("NFD", pinyin):
        mark = {"\u0304": 1, "\u0301": 2, "\u030c": 3, "\u0300": 4}.get(ch)
        if mark:
            tone = mark
        elif ch == "\u0308":
            out = out[:-1] + "v"
        else:
            out += ch
    return out + str(tone)


def read_unihan(path):
    """kHanyuPinlu counts and kMandarin readings by character."""
    counts, customary = {}, {}
    opener = bz2.open if path.endswith(".bz2") else open
    with opener(path, "rt", encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            code, key, value = line.rstrip("\n").split("\t", 2)
            ch = chr(int(code[2:], 16))
            if key == "kHanyuPinlu":
                d = {}
                for item in value.split():
                    reading, _, n = item.rstrip(")").partition("(")
                    r = numbered(reading)
                    d[r] = d.get(r, 0) + int(n)
                counts[ch] = d
            elif key == "kMandarin":
                customary[ch] = [numbered(r) for r in value.split()]
    return counts, customary


def to_simplified(words, opencc):
    """The simplified form of each word, one OpenCC run for all of them."""
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.txt"), os.path.join(tmp, "out.txt")
        with open(src, "w", encoding="utf-8") as f:
            f.write("\n".join(words) + "\n")
        subprocess.run([opencc, "-c", "t2s.json", "-i", src, "-o", dst], check=True)
        with open(dst, encoding="utf-8") as f:
            out = f.read().split("\n")
    out = out[:len(words)]
    if len(out) != len(words):
        sys.exit("opencc returned %d lines for %d words" % (len(out), len(words)))
    # A conversion that changes the number of characters would misalign the readings.
    return {w: (s if len(s) == len(w) else w) for w, s in zip(words, out)}


def toneless(reading):
    return " ".join(s[:-1] for s in reading.split())


# Characters after which 一 is a numeral, not the article; and after which it stays yi1 when it
# ends the word (统一, 唯一, 第一) is handled by the composition itself.
NUMERALS = set("〇零一二三四五六七八九十两兩")
ORDINAL_BEFORE = set("第初")
DATE_AFTER = set("月号號")


# Characters whose reading the front end decides from their neighbours when they stand alone.
CONTEXT_READ = set("地得为爲為还還")


def tone_of(syllable):
    return syllable[-1]


def standalone_sandhi(char, prev_char, next_char, next_syllable):
    """The reading of 一 or 不 standing as a word of its own before another syllable.
    The front end applies the same rule at run time (src/speech/mandarin/ToneRules.cpp)."""
    if char == "一":
        if prev_char in ORDINAL_BEFORE or next_char in NUMERALS or next_char in DATE_AFTER:
            return "yi1"
        if next_syllable is None:
            return "yi1"
        return "yi2" if tone_of(next_syllable) == "4" else "yi4"
    if char == "不":
        if next_syllable is None:
            return "bu4"
        return "bu2" if tone_of(next_syllable) == "4" else "bu4"
    return None


class Builder:
    def __init__(self, table, explicit, simp_weights, simplified, unihan):
        self.table = table
        self.explicit = explicit
        self.simp_weights = simp_weights
        self.simplified = simplified
        self.pinlu, self.customary = unihan
        self.total = sum(self.seg_weight(w) for w in table)
        self.resolved = {}

    def seg_weight(self, word):
        weights = sorted((x for _, x in self.table[word]), reverse=True)
        # Readings that Rime made up from single characters repeat the word's weight.
        return weights[0] + sum(x for x in weights[1:] if x != weights[0])

    def cost(self, word):
        return -math.log((self.seg_weight(word) + 1.0) / self.total)

    def compose(self, word, vocabulary=None):
        """The reading of a word put together from the best split into shorter words of the
        vocabulary (all words by default)."""
        vocabulary = self.table if vocabulary is None else vocabulary
        n = len(word)
        best = [(0.0, None)] + [(math.inf, None)] * n
        for i in range(n):
            if best[i][0] == math.inf:
                continue
            for j in range(i + 1, min(n, i + 8) + 1):
                part = word[i:j]
                if j - i == n or part not in vocabulary:
                    continue
                c = best[i][0] + self.cost(part)
                if c < best[j][0]:
                    best[j] = (c, i)
        if best[n][0] == math.inf:
            return None
        parts, j = [], n
        while j > 0:
            i = best[j][1]
            parts.append(word[i:j])
            j = i
        parts.reverse()
        self.last_parts = parts
        syllables, chars = [], []
        for part in parts:
            syllables += self.resolve(part).split()
            chars.append(part)
        # Standalone 一 and 不 change their tone before the next syllable.
        pos = 0
        for k, part in enumerate(parts):
            if len(part) == 1 and part in "一不":
                prev_char = word[pos - 1] if pos > 0 else None
                next_char = word[pos + 1] if pos + 1 < n else None
                next_syl = syllables[pos + 1] if pos + 1 < n else None
                syllables[pos] = standalone_sandhi(part, prev_char, next_char, next_syl)
            pos += len(part)
        return syllables

    def resolve(self, word):
        if word in self.resolved:
            return self.resolved[word]
        readings = self.table[word]
        top = max(x for _, x in readings)
        cands = [r for r, x in readings if x == top]
        if len(cands) > 1:
            # pinyin_simp weighs the simplified word's readings without tones.
            sw = self.simp_weights.get(self.simplified.get(word, word), {})
            scored = [(sw.get(toneless(r), -1.0), r) for r in cands]
            high = max(s for s, _ in scored)
            if high >= 0:
                narrowed = [r for s, r in scored if s == high]
                if len(narrowed) < len(cands):
                    cands = narrowed
        if len(word) == 1:
            return self.resolve_char(word, cands)
        composed = None
        if len(word) > 1 and (len(cands) > 1 or (word, cands[0]) not in self.explicit):
            composed = self.compose(word)
        if (len(cands) > 1 and len({toneless(r) for r in cands}) == 1
                and all((word, r) in self.explicit for r in cands)
                and not any(ch in "一不" for ch in word)):
            # The maintainers wrote the word both with and without its neutral tone (朋友
            # peng2 you3 and peng2 you5). The mainland says it neutral where the Pinlu counts
            # hear that character neutral at least a quarter as often as in its full tone
            # (友, 道, 西), else in full (学习, 看见); where they do not know, neutral.
            simple = self.simplified.get(word, word)
            if len(word) == 2 and word[0] == word[1]:
                # A doubled verb (看看 kan4 kan5, not kan1 kan1) starts as the verb alone does.
                alone = self.resolve(word[0])
                starting = [r for r in cands if r.split()[0] == alone]
                cands = starting or cands

            def neutral_wanted(i):
                counts = self.char_counts(word[i]) or self.char_counts(simple[i])
                base = cands[0].split()[i][:-1]
                neutral = counts.get(base + "5", 0)
                full = sum(n for r, n in counts.items() if r[:-1] == base and r[-1] != "5")
                return neutral * 4 >= full

            wanted = {}
            for i in range(len(word)):
                if len({r.split()[i] for r in cands}) > 1:
                    wanted[i] = neutral_wanted(i)

            def agreement(r):
                syl = r.split()
                return sum((syl[i][-1] == "5") == w for i, w in wanted.items())

            best = max(agreement(r) for r in cands)
            cands = [r for r in cands if agreement(r) == best]
            most = max(r.count("5") for r in cands)
            cands = [r for r in cands if r.count("5") == most]
        if len(cands) > 1 and word[-1] in "为爲為" and all((word, r) not in self.explicit for r in cands):
            # A word Rime made up of a verb and 为 (选为, 改为) takes it as "as, to be": wei2.
            ending = [r for r in cands if r.endswith("wei2")]
            cands = ending or cands
        if len(cands) > 1 and composed:
            def distance(r):
                d = 0
                for a, b in zip(r.split(), composed):
                    if a != b:
                        d += 1 if a[:-1] == b[:-1] else 4
                return d
            low = min(distance(r) for r in cands)
            cands = [r for r in cands if distance(r) == low]
        if len(cands) > 1:
            # The readings heard most often in the mainland, by the Pinlu counts.
            def frequency(r):
                return sum(math.log(1 + self.char_counts(ch).get(s, 0))
                           for ch, s in zip(word, r.split()))
            high = max(frequency(r) for r in cands)
            cands = [r for r in cands if frequency(r) == high]
        reading = cands[0].split()
        if composed and (word, cands[0]) not in self.explicit:
            # Rime made this word up from the readings of its characters, so it lacks the
            # neutral tones and tone changes of the words it is made of (谢谢你: xie4 xie5 ni3,
            # 应用程序: ying4): those come from the words of the composition wherever they have
            # the same syllable, and 一 and 不 take theirs from the composition too.
            covered, at = set(), 0
            for part in self.last_parts:
                if len(part) > 1:
                    covered.update(range(at, at + len(part)))
                at += len(part)
            for i, ch in enumerate(word):
                if ch in "一不" or (i in covered and reading[i][:-1] == composed[i][:-1]):
                    reading[i] = composed[i]
        sw = self.simp_weights.get(self.simplified.get(word, word), {})
        if sw and len(word) > 1:
            # pinyin_simp hears this word mostly with other syllables: 中的 is "zhong de"
            # (in it, of) far more often than zhong4 di4 (hitting the target), 穿着 "chuan
            # zhe" more than chuan1 zhuo2 (dress). Then its parts read it.
            top = max(sw, key=sw.get)
            here = toneless(" ".join(reading))
            if top != here and sw.get(here, 0) * 4 <= sw[top]:
                parts = self.compose(word)
                if parts and toneless(" ".join(parts)) == top:
                    reading = parts
        self.mainland_tones(word, reading)
        result = " ".join(reading)
        self.resolved[word] = result
        return result

    def mainland_tones(self, word, reading):
        """Puts the mainland tone where terra_pinyin has another for the same syllable (期 qi2,
        企 qi4, 危 wei2): a tone that the Pinlu counts never give this character's syllable."""
        simple = self.simplified.get(word, word)
        for i, ch in enumerate(word):
            s = reading[i]
            if ch in "一不" or s.endswith("5"):
                continue
            counts = dict(self.pinlu.get(ch, {}))
            for r, n in self.pinlu.get(simple[i], {}).items():
                counts[r] = counts.get(r, 0) + n
            tones = {r for r in counts if r[:-1] == s[:-1] and not r.endswith("5")}
            if s not in tones and len(tones) == 1:
                reading[i] = tones.pop()


    def char_counts(self, ch):
        return self.pinlu.get(ch) or self.pinlu.get(self.simplified.get(ch, ch)) or {}

    def resolve_char(self, ch, cands):
        counts = self.char_counts(ch)
        if len(cands) > 1 and any(counts.get(r, 0) for r in cands):
            cands = [max(cands, key=lambda r: counts.get(r, 0))]
        if len(cands) > 1:
            customary = self.customary.get(ch) or self.customary.get(self.simplified.get(ch, ch), [])
            for r in customary:
                if r in cands:
                    cands = [r]
                    break
        reading = cands[0]
        fixed = [reading]
        self.mainland_tones(ch, fixed)
        reading = fixed[0]
        # A particle (地 de5, 得 de5, 吧 ba5) is what the character mostly is when it stands
        # alone: its other readings live in words of their own (土地, 得到).
        if counts:
            top = max(counts, key=counts.get)
            if (top.endswith("5") and top != reading and counts[top] * 2 > sum(counts.values())
                    and top in (r for r, _ in self.table[ch])):
                reading = top
        self.resolved[ch] = reading
        return reading


def build_entries(args):
    table = read_table(args.terra_table)
    explicit = set()
    for row in read_rime_dict(args.terra_dict):
        explicit.add((row[0], row[1]))
    simp_weights = defaultdict(dict)
    for row in read_rime_dict(args.pinyin_simp):
        weight = float(row[2]) if len(row) > 2 else 0.0
        simp_weights[row[0]][row[1]] = max(weight, simp_weights[row[0]].get(row[1], 0.0))
    simplified = to_simplified(sorted(table), args.opencc)
    builder = Builder(table, explicit, simp_weights, simplified, read_unihan(args.unihan))
    fixes = read_fixes(args.fixes) if args.fixes else {}
    # The project's fixes go first, so that longer words made of them read them too.
    for word in table:
        fixed = fixes.get(word) or fixes.get(simplified[word])
        if fixed and len(fixed.split()) == len(word):
            builder.resolved[word] = fixed
    # Shorter words first, so a composition finds its parts resolved.
    for word in sorted(table, key=len):
        builder.resolve(word)
    # A rare phrase that Rime made up (not written in terra_pinyin.dict.yaml) and that reads
    # just as its parts do adds nothing the front end would not find itself; frequent ones stay,
    # as they keep the text around them split right. Phrases of a character whose reading its
    # neighbours decide (还得, 我得) go whatever their frequency, so that the front end's rules
    # see that character on its own.
    kept = set()
    for word in sorted(table, key=len):
        if len(word) > 1 and not any((word, r) in explicit for r, _ in table[word]):
            composed = builder.compose(word, kept)
            if composed and " ".join(composed) == builder.resolved[word]:
                ruled = any(p in CONTEXT_READ for p in builder.last_parts)
                if ruled or builder.seg_weight(word) < args.rare:
                    continue
        kept.add(word)
    table = {w: table[w] for w in kept}

    # Both scripts: a simplified key takes the reading of its most frequent traditional word.
    entries = {}  # key -> (reading, weight, weight of the word that gave the reading)
    for word in table:
        reading, weight = builder.resolved[word], builder.seg_weight(word)
        for key in {word, simplified[word]}:
            old = entries.get(key)
            if old is None:
                entries[key] = (reading, weight, weight)
            else:
                best = (reading, weight) if weight > old[2] else (old[0], old[2])
                entries[key] = (best[0], old[1] + weight, best[1])
    total = sum(w for _, w, _ in entries.values())
    result = {k: (r, -math.log((w + 1.0) / total)) for k, (r, w, _) in entries.items()}

    for word, reading in fixes.items():
        cost = result[word][1] if word in result else -math.log(100.0 / total)
        result[word] = (reading, cost)
    unknown = -math.log(0.5 / total)
    return result, unknown


def read_fixes(path):
    fixes = {}
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split("\t")
            if len(parts) != 2 or len(parts[1].split()) != len(parts[0]):
                sys.exit("%s:%d: want word<TAB>reading, one syllable a character" % (path, n))
            fixes[parts[0]] = parts[1]
    return fixes


def utf16_units(s):
    data = s.encode("utf-16-le")
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def fnv1a(units):
    h = 0x811C9DC5
    for u in units:
        h ^= u & 0xFF
        h = (h * 0x01000193) & 0xFFFFFFFF
        h ^= u >> 8
        h = (h * 0x01000193) & 0xFFFFFFFF
    return h


def write_file(path, entries, unknown):
    syllables = sorted({s for r, _ in entries.values() for s in r.split()})
    syl_id = {s: i for i, s in enumerate(syllables)}
    if len(syllables) >= 0xFFFF or any(len(s) > 7 for s in syllables):
        sys.exit("syllable table out of range")

    # Every proper prefix of a word is a key too, so the segmenter can stop as soon as the text
    # in front of it begins no word.
    keys = {}
    for word in entries:
        keys[word] = True
    for word in entries:
        for i in range(1, len(word)):
            keys.setdefault(word[:i], False)
    longer = set()
    for word in keys:
        for i in range(1, len(word)):
            longer.add(word[:i])

    records = bytearray(b"\0\0")  # offset 0 stays unused: a slot of 0 is empty
    offsets = {}
    for key in sorted(keys):
        units = utf16_units(key)
        if len(units) > 0xFF:
            continue
        is_word = keys[key]
        head = len(units) | (0x100 if is_word else 0) | (0x200 if key in longer else 0)
        rec = [head] + units
        if is_word:
            reading, cost = entries[key]
            rec.append(min(0xFFFF, max(0, round(cost * COST_SCALE))))
            rec += [syl_id[s] for s in reading.split()]
        offsets[key] = len(records) // 2
        records += struct.pack("<%dH" % len(rec), *rec)

    offset_bits = max(1, (len(records) // 2 + 1).bit_length())
    fp_bits = 32 - offset_bits
    if fp_bits < 4:
        sys.exit("dictionary too large for its slot format")
    slot_count = len(offsets) * 5 // 4 + 1  # four fifths full: about two probes a miss
    slots = [0] * slot_count
    for key, off in offsets.items():
        h = fnv1a(utf16_units(key))
        fp = h >> offset_bits if fp_bits else 0
        i = h % slot_count
        while slots[i]:
            i = (i + 1) % slot_count
        slots[i] = (fp << offset_bits) | off

    header_size = 64
    syl_off = header_size
    syl_bytes = b"".join(s.encode("ascii").ljust(8, b"\0") for s in syllables)
    slot_off = syl_off + len(syl_bytes)
    slot_bytes = struct.pack("<%dI" % slot_count, *slots)
    rec_off = slot_off + len(slot_bytes)
    size = rec_off + len(records)
    word_count = sum(1 for v in keys.values() if v)
    header = struct.pack("<4sIIIIIIIIIII", MAGIC, VERSION, size, len(syllables), syl_off,
                         slot_count, slot_off, offset_bits, len(records), rec_off, word_count,
                         min(0xFFFF, round(unknown * COST_SCALE)))
    header = header.ljust(header_size, b"\0")
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(header + syl_bytes + slot_bytes + records)
    os.replace(tmp, path)
    return size, word_count, len(keys)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--output", required=True)
    p.add_argument("--terra-table", default="/usr/share/rime-data/build/terra_pinyin.table.txt")
    p.add_argument("--terra-dict", default="/usr/share/rime-data/terra_pinyin.dict.yaml")
    p.add_argument("--pinyin-simp", default="/usr/share/rime-data/pinyin_simp.dict.yaml")
    p.add_argument("--unihan", default="/usr/share/unicode/Unihan_Readings.txt.bz2")
    p.add_argument("--fixes")
    p.add_argument("--rare", type=float, default=300.0,
                   help="made-up phrases read as their parts are left out below this weight")
    p.add_argument("--opencc", default="opencc")
    args = p.parse_args()
    entries, unknown = build_entries(args)
    size, words, keys = write_file(args.output, entries, unknown)
    print("mandarin dictionary: %d words, %d keys, %.1f MB" % (words, keys, size / 1e6))


if __name__ == "__main__":
    main()
