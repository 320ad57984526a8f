#!/usr/bin/env python3
"""Builds the About window's tune (a Standard MIDI File) from its note list.

    make_tune.py SCORE OUTPUT.mid --size N

The score is a readable text file (see resources/tune/ for its syntax). The
output is format 1 with one track chunk per `track` of the score, the first
being the conductor track. It is padded to exactly N bytes with text meta
events at the end of the conductor track, which no player sounds. The tool
checks what it wrote and fails loudly when the music does not fit.
"""

import argparse
import re
import struct
import sys

DURATIONS = {"w": 4.0, "h": 2.0, "q": 1.0, "e": 0.5, "s": 0.25}
STEPS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
NOTE_RE = re.compile(r"^([A-G])([#b]?)(-?\d)$")
COMMENT_RE = re.compile(r"(^|\s)#.*$")  # "#" after a blank; F#4 is a note
PAD_TEXT = "qinghe "


class ScoreError(Exception):
    pass


def vlq(value):
    """Variable-length quantity: 7 bits a byte, most significant first."""
    if value < 0 or value > 0x0FFFFFFF:
        raise ScoreError(f"value {value} does not fit a variable-length quantity")
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def meta(kind, payload):
    return bytes([0xFF, kind]) + vlq(len(payload)) + payload


def note_number(name):
    m = NOTE_RE.match(name)
    if not m:
        raise ScoreError(f"bad note name '{name}'")
    step, accidental, octave = m.groups()
    number = (int(octave) + 1) * 12 + STEPS[step] + {"#": 1, "b": -1, "": 0}[accidental]
    if not 0 <= number <= 127:
        raise ScoreError(f"note '{name}' is out of range")
    return number


def duration_ticks(text, division):
    if text.isdigit():
        return int(text)
    dots = len(text) - len(text.rstrip("."))
    base = text.rstrip(".")
    if base not in DURATIONS:
        raise ScoreError(f"bad duration '{text}'")
    beats = DURATIONS[base] * (2 - 0.5 ** dots)
    ticks = beats * division
    if ticks != int(ticks):
        raise ScoreError(f"duration '{text}' is not a whole number of ticks")
    return int(ticks)


class Track:
    def __init__(self, name, settings):
        self.name = name
        self.channel = int(settings.get("ch", "1")) - 1
        self.program = settings.get("prog")
        self.volume = settings.get("vol")
        self.pan = settings.get("pan")
        self.gate = float(settings.get("gate", "0.9"))
        self.velocity = int(settings.get("vel", "90"))
        self.tokens = []
        self.texts = []
        if not 0 <= self.channel <= 15:
            raise ScoreError(f"track '{name}': channel must be 1-16")


class Score:
    def __init__(self):
        self.division = 120
        self.beats_per_bar = 4
        self.phrases = {}
        self.tracks = []


def parse_settings(words):
    settings = {}
    for word in words:
        if "=" not in word:
            raise ScoreError(f"expected key=value, got '{word}'")
        key, value = word.split("=", 1)
        settings[key] = value
    return settings


def parse_score(text):
    score = Score()
    for number, raw in enumerate(text.splitlines(), 1):
        line = COMMENT_RE.sub("", raw).strip()
        if not line:
            continue
        try:
            parse_line(score, line)
        except ScoreError as error:
            raise ScoreError(f"line {number}: {error}") from None
    if len(score.tracks) < 2:
        raise ScoreError("a score needs a conductor track and at least one more")
    return score


def parse_line(score, line):
    head, _, rest = line.partition(" ")
    rest = rest.strip()
    if head == "division":
        score.division = int(rest)
    elif head == "meter":
        score.beats_per_bar = int(rest)
    elif head == "phrase":
        name, _, body = rest.partition(" ")
        score.phrases[name] = body.split()
    elif head == "track":
        m = re.match(r'^"([^"]*)"\s*(.*)$', rest)
        if not m:
            raise ScoreError('a track needs a quoted name')
        score.tracks.append(Track(m.group(1), parse_settings(m.group(2).split())))
    elif head == "text":
        current_track(score).texts.append(rest)
    else:
        current_track(score).tokens.extend(line.split())


def current_track(score):
    if not score.tracks:
        raise ScoreError("notes before the first track")
    return score.tracks[-1]


def expand(tokens, phrases, depth=0):
    if depth > 8:
        raise ScoreError("phrases nest too deeply")
    for token in tokens:
        if token.startswith("@"):
            if token[1:] not in phrases:
                raise ScoreError(f"unknown phrase '{token}'")
            yield from expand(phrases[token[1:]], phrases, depth + 1)
        else:
            yield token


def timed_events(track, score, is_conductor):
    """(tick, order, bytes) for every event of a track; note-offs sort first."""
    events = []
    tick = 0
    bar = score.beats_per_bar * score.division
    velocity = track.velocity
    transpose = 0
    channel = track.channel
    for token in expand(track.tokens, score.phrases):
        if token == "|":
            if tick % bar:
                raise ScoreError(f"track '{track.name}': bar line at tick {tick} is mid-bar")
            continue
        key, sep, value = token.partition(":")
        if sep and key in ("v", "x", "t", "prog"):
            number = int(value)
            if key == "v":
                if not 1 <= number <= 127:
                    raise ScoreError(f"velocity {number} is not 1-127")
                velocity = number
            elif key == "x":
                transpose = number
            elif key == "t":
                if not is_conductor:
                    raise ScoreError("tempo changes belong in the conductor track")
                events.append((tick, 1, meta(0x51, number.to_bytes(3, "big"))))
            else:
                events.append((tick, 1, bytes([0xC0 | channel, number])))
            continue
        pitches, slash, length = token.partition("/")
        if not slash:
            raise ScoreError(f"track '{track.name}': bad token '{token}'")
        ticks = duration_ticks(length, score.division)
        if pitches != "r":
            if is_conductor:
                raise ScoreError("the conductor track holds no notes")
            sounding = max(1, round(ticks * track.gate))
            for pitch in pitches.split("+"):
                n = note_number(pitch) + transpose
                if not 0 <= n <= 127:
                    raise ScoreError(f"'{pitch}' transposed by {transpose} is out of range")
                events.append((tick, 2, bytes([0x90 | channel, n, velocity])))
                events.append((tick + sounding, 0, bytes([0x90 | channel, n, 0])))
        tick += ticks
    return events, tick


def setup_events(track, score, is_conductor):
    out = [meta(0x03, track.name.encode("ascii"))]
    for text in track.texts:
        out.append(meta(0x01, text.encode("ascii")))
    if is_conductor:
        out.append(meta(0x58, bytes([score.beats_per_bar, 2, 24, 8])))
        return out
    ch = track.channel
    if track.program is not None:
        out.append(bytes([0xC0 | ch, int(track.program)]))
    if track.volume is not None:
        out.append(bytes([0xB0 | ch, 7, int(track.volume)]))
    if track.pan is not None:
        out.append(bytes([0xB0 | ch, 10, int(track.pan)]))
    return out


def encode_track(track, score, is_conductor, padding=b""):
    events, _ = timed_events(track, score, is_conductor)
    events.sort(key=lambda e: (e[0], e[1]))
    body = bytearray()
    for event in setup_events(track, score, is_conductor):
        body += vlq(0) + event
    last = 0
    running = None
    for tick, _, data in events:
        body += vlq(tick - last)
        last = tick
        if data[0] < 0xF0 and data[0] == running:
            body += data[1:]
        else:
            body += data
            running = data[0] if data[0] < 0xF0 else None
    body += padding
    body += vlq(0) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + body


def text_event(length):
    """A delta-0 text meta event whose payload is `length` bytes."""
    payload = (PAD_TEXT * (length // len(PAD_TEXT) + 1))[:length].encode("ascii")
    return vlq(0) + meta(0x01, payload)


def padding_events(needed):
    """Text events adding exactly `needed` bytes (0 or at least 4)."""
    if needed in (1, 2, 3):
        raise ScoreError("cannot pad by fewer than 4 bytes")
    out = b""
    while needed:
        size = min(needed, 131)  # payloads up to 127 bytes: 4 bytes of overhead
        if needed - size in (1, 2, 3):
            size = needed - 4
        out += text_event(size - 4)
        needed -= size
    return out


def build(score, size):
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(score.tracks), score.division)
    chunks = [encode_track(t, score, i == 0) for i, t in enumerate(score.tracks)]
    used = len(header) + sum(len(c) for c in chunks)
    if used > size:
        raise ScoreError(f"the music takes {used} bytes, more than the {size} allowed")
    chunks[0] = encode_track(score.tracks[0], score, True, padding_events(size - used))
    return header + b"".join(chunks)


def check(data, size, tracks, division):
    if len(data) != size:
        raise ScoreError(f"wrote {len(data)} bytes instead of {size}")
    if data[:4] != b"MThd" or struct.unpack(">IHHH", data[4:14]) != (6, 1, tracks, division):
        raise ScoreError("the header chunk is not what the score says")
    pos, count = 14, 0
    while pos < len(data):
        if data[pos:pos + 4] != b"MTrk":
            raise ScoreError(f"no track chunk at byte {pos}")
        pos += 8 + struct.unpack(">I", data[pos + 4:pos + 8])[0]
        count += 1
    if pos != len(data) or count != tracks:
        raise ScoreError("the track chunks do not fill the file")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("score")
    parser.add_argument("output")
    parser.add_argument("--size", type=int, required=True)
    parser.add_argument("--report", action="store_true", help="print the bytes the music uses")
    args = parser.parse_args()
    try:
        with open(args.score, encoding="utf-8") as f:
            score = parse_score(f.read())
        data = build(score, args.size)
        check(data, args.size, len(score.tracks), score.division)
    except (ScoreError, ValueError, OSError) as error:
        print(f"make_tune: {args.score}: {error}", file=sys.stderr)
        return 1
    if args.report:
        for i, track in enumerate(score.tracks):
            chunk = encode_track(track, score, i == 0)
            _, end = timed_events(track, score, i == 0)
            print(f"{track.name:12} {len(chunk):5} bytes, {end / score.division:6.1f} beats")
    with open(args.output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
