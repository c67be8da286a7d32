"""A small Standard MIDI File writer (Python standard library only) for the project's demo,
benchmark and test pieces. Channel messages are written with running status, as sequencers do,
so the pieces also exercise that part of a reader."""

import struct

TICKS_PER_QUARTER = 480


def _number(value):
    """Variable-length quantity: 7 bits per byte, most significant first."""
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self):
        self.events = []  # (tick, order, bytes)

    def _add(self, tick, data):
        self.events.append((int(round(tick)), len(self.events), bytes(data)))

    def tempo(self, tick, bpm):
        micros = int(round(60_000_000 / bpm))
        self._add(tick, b"\xff\x51\x03" + micros.to_bytes(3, "big"))

    def time_signature(self, tick, numerator, denominator):
        power = denominator.bit_length() - 1
        self._add(tick, bytes([0xFF, 0x58, 0x04, numerator, power, 24, 8]))

    def name(self, tick, text):
        raw = text.encode("ascii")
        self._add(tick, b"\xff\x03" + _number(len(raw)) + raw)

    def note(self, tick, length, key, velocity, channel=0):
        self._add(tick, [0x90 | channel, key, velocity])
        # Note-on with velocity 0 as the note-off: keeps running status going.
        self._add(tick + length, [0x90 | channel, key, 0])

    def program(self, tick, number, channel=0):
        self._add(tick, [0xC0 | channel, number])

    def controller(self, tick, number, value, channel=0):
        self._add(tick, [0xB0 | channel, number, value])

    def bend(self, tick, value, channel=0):
        """value -8192..8191, 0 = centre."""
        v = max(0, min(16383, value + 8192))
        self._add(tick, [0xE0 | channel, v & 0x7F, v >> 7])

    def sysex(self, tick, payload):
        self._add(tick, b"\xf0" + _number(len(payload) + 1) + bytes(payload) + b"\xf7")

    def encode(self):
        # Note-offs before note-ons at the same tick, so a repeated key is released first.
        def key(e):
            tick, order, data = e
            off = data[0] & 0xF0 == 0x90 and len(data) == 3 and data[2] == 0
            return (tick, 0 if off else 1, order)

        out = bytearray()
        now = 0
        running = None
        for tick, _, data in sorted(self.events, key=key):
            out += _number(tick - now)
            now = tick
            if data[0] < 0xF0:
                if data[0] == running:
                    data = data[1:]
                else:
                    running = data[0]
            else:
                running = None  # meta and sysex events cancel running status
            out += data
        out += b"\x00\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def write(path, tracks, ticks_per_quarter=TICKS_PER_QUARTER):
    fmt = 0 if len(tracks) == 1 else 1
    data = b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), ticks_per_quarter)
    for t in tracks:
        data += t.encode()
    with open(path, "wb") as f:
        f.write(data)
