#!/usr/bin/env python3
"""How often code page 932 names pass for UTF-8.

The library reads an archive's unmarked names as UTF-8 when every one of
them that is not ASCII is valid UTF-8. This draws code page 932 names of 1
to 4 characters from hiragana, katakana, half-width katakana and the JIS
level-1 kanji (all of them for one character, a sample for more) and counts
how many a rule takes for UTF-8:
  utf8        valid UTF-8 (the library's rule)
  cp932-able  valid UTF-8 whose characters code page 932 all holds
  japanese    valid UTF-8 of kana, CJK and full-width forms only

    python3 archivelib/bench/name_charset_corpus.py [SAMPLE]
"""
import itertools
import random
import sys
import unicodedata


def alphabet():
    hiragana = [chr(c) for c in range(0x3041, 0x3094)]
    katakana = [chr(c) for c in range(0x30A1, 0x30F7)] + ["ー"]
    half = [chr(c) for c in range(0xFF61, 0xFFA0)]
    kanji = []
    for lead in range(0x88, 0xA0):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            try:
                ch = bytes([lead, trail]).decode("cp932")
            except UnicodeDecodeError:
                continue
            if 0x4E00 <= ord(ch) <= 0x9FFF:
                kanji.append(ch)
    return hiragana + katakana + half + kanji[:2965]  # level 1 ends at 0x9872


def as_utf8(raw):
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return None


def cp932_able(text):
    try:
        unicodedata.normalize("NFC", text).encode("cp932")
        return True
    except UnicodeEncodeError:
        return False


def japanese(text):
    return all(ord(c) < 0x80 or 0x3000 <= ord(c) <= 0x30FF or 0x3400 <= ord(c) <= 0x4DBF or
               0x4E00 <= ord(c) <= 0x9FFF or 0xFF00 <= ord(c) <= 0xFFEF for c in text)


def main():
    sample = int(sys.argv[1]) if len(sys.argv) > 1 else 2000000
    chars = alphabet()
    random.seed(24)
    print("characters: %d" % len(chars))
    for length in (1, 2, 3, 4):
        if len(chars) ** length <= sample:
            names, total, how = (("".join(t) for t in itertools.product(chars, repeat=length)),
                                 len(chars) ** length, "all")
        else:
            names, total, how = (("".join(random.choice(chars) for _ in range(length)) for _ in range(sample)),
                                 sample, "drawn")
        counts = {"utf8": 0, "cp932-able": 0, "japanese": 0}
        for name in names:
            text = as_utf8(name.encode("cp932"))
            if text is None:
                continue
            counts["utf8"] += 1
            counts["cp932-able"] += cp932_able(text)
            counts["japanese"] += japanese(text)
        print("%d characters, %d names (%s): " % (length, total, how) +
              ", ".join("%s %d (%.4f %%)" % (k, v, 100.0 * v / total) for k, v in counts.items()))


if __name__ == "__main__":
    main()
