"""Writes the editor background (back.svg) from the control table in editor_layout.py.

Every label is placed from the rectangle of the control it names, so the picture follows the
layout. Run through `artwork.py background resources/img/back.svg`; the result is committed.
"""

import math

import editor_layout as L

# Palette (see docs/artwork.md).
PANEL_TOP, PANEL_BOTTOM = "#1b1e23", "#131519"
SECTION_FILL, SECTION_EDGE = "#1f2228", "#2b3038"
TITLE = "#7fb2e5"
LABEL = "#c6cbd3"
DIM = "#858c97"
POSITION = "#9ea5b0"
GROOVE, GROOVE_EDGE = "#0c0e11", "#2e333c"
LCD_DARK, LCD_LIGHT = "#0b0c0f", "#cdd5de"

FONT = "Liberation Sans, DejaVu Sans, sans-serif"

out = []


def emit(text):
    out.append(text)


def esc(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def n(v):
    text = "%.2f" % v
    return text.rstrip("0").rstrip(".")


def text(x, baseline, words, cls="l", anchor="middle", extra=""):
    emit('<text class="%s" x="%s" y="%s" text-anchor="%s"%s>%s</text>' %
         (cls, n(x), n(baseline), anchor, extra, esc(words)))


def section(left, top, right, bottom, title=None, title_x=None, title_y=None):
    emit('<rect x="%s" y="%s" width="%s" height="%s" rx="5" fill="%s" stroke="%s"/>' %
         (n(left + 0.5), n(top + 0.5), n(right - left - 1), n(bottom - top - 1), SECTION_FILL,
          SECTION_EDGE))
    if title:
        text(title_x if title_x is not None else left + 7,
             title_y if title_y is not None else top + 11, title, "t", "start")


def rect_of(param):
    return L.control_rect(L.by_param(param))


def centre_x(r):
    return (r[0] + r[2]) / 2.0


def label_below(param, words):
    r = rect_of(param)
    text(centre_x(r), r[3] + 11, words)


def label_above(param, words, baseline=None):
    r = rect_of(param)
    text(centre_x(r), baseline if baseline is not None else r[1] - 4, words)


def switch_positions(param, top_word, bottom_word):
    """Position names in the switch picture's transparent top and bottom margins."""
    r = rect_of(param)
    text(centre_x(r), r[1] + 9, top_word, "p")
    text(centre_x(r), r[3] - 3, bottom_word, "p")


def rotary_positions(param, words, sweep, radius):
    """Each position's name on the line along which the rotary switch points in that frame."""
    left, top, _, _ = rect_of(param)
    cx, cy = left + L.ROTARY_CENTRE[0], top + L.ROTARY_CENTRE[1]
    count = len(words)
    for i, word in enumerate(words):
        rad = math.radians(sweep[0] + (sweep[1] - sweep[0]) * i / (count - 1))
        text(cx + radius * math.sin(rad), cy - radius * math.cos(rad) + 3, word, "p")


def fader_h(param, words):
    r = rect_of(param)
    handle_w = L.frame_size("handleh")[0]
    y = r[1] + 10
    x0, x1 = r[0] + handle_w / 2.0, r[2] - handle_w / 2.0
    emit('<rect x="%s" y="%s" width="%s" height="4" rx="2" fill="%s" stroke="%s"/>' %
         (n(x0 - 4), n(y - 2), n(x1 - x0 + 8), GROOVE, GROOVE_EDGE))
    for t in (x0, (x0 + x1) / 2.0, x1):
        emit('<rect x="%s" y="%s" width="1" height="3" fill="%s"/>' % (n(t - 0.5), n(y + 5), DIM))
    text((x0 + x1) / 2.0, r[1] - 3, words)


def fader_v(param, words):
    r = rect_of(param)
    handle_h = L.frame_size("handlev")[1]
    x = (r[0] + r[2]) / 2.0
    y0, y1 = r[1] + handle_h / 2.0, r[3] - handle_h / 2.0
    for i in range(7):  # every 5 dB from +15 to -15
        ty = y0 + (y1 - y0) * i / 6.0
        w = 7 if i in (0, 3, 6) else 4
        emit('<rect x="%s" y="%s" width="%s" height="1" fill="%s"/>' %
             (n(x - 6 - w), n(ty - 0.5), w, DIM))
        emit('<rect x="%s" y="%s" width="%s" height="1" fill="%s"/>' % (n(x + 6), n(ty - 0.5), w,
                                                                          DIM))
    emit('<rect x="%s" y="%s" width="4" height="%s" rx="2" fill="%s" stroke="%s"/>' %
         (n(x - 2), n(y0 - 4), n(y1 - y0 + 8), GROOVE, GROOVE_EDGE))
    text(x, r[3] + 13, words)


def button(rect, inner):
    left, top, right, bottom = rect
    emit('<rect x="%s" y="%s" width="%s" height="%s" rx="3" fill="#000" fill-opacity="0.45"/>' %
         (left, top + 1, right - left, bottom - top))
    emit('<rect x="%s" y="%s" width="%s" height="%s" rx="3" fill="url(#button)" stroke="#14161a"/>'
         % (n(left + 0.5), n(top + 0.5), right - left - 1, bottom - top - 2))
    emit(inner)


def gear(cx, cy):
    """Settings icon: a ring with eight teeth."""
    parts = ['<circle cx="%s" cy="%s" r="3.3" fill="none" stroke="%s" stroke-width="1.7"/>' %
             (n(cx), n(cy), LABEL)]
    for i in range(8):
        a = math.pi * i / 4
        parts.append('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="%s" stroke-width="1.9"/>' %
                     (n(cx + 4.1 * math.cos(a)), n(cy + 4.1 * math.sin(a)),
                      n(cx + 5.9 * math.cos(a)), n(cy + 5.9 * math.sin(a)), LABEL))
    return "".join(parts)


def build():
    out.clear()
    emit('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' %
         (L.EDITOR_W, L.EDITOR_H, L.EDITOR_W, L.EDITOR_H))
    emit("<!-- Generated by artwork.py background from editor_layout.py; do not edit. -->")
    emit("<defs>")
    emit('<linearGradient id="panel" x1="0" y1="0" x2="0" y2="1"><stop offset="0" '
         'stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>' %
         (PANEL_TOP, PANEL_BOTTOM))
    emit('<linearGradient id="button" x1="0" y1="0" x2="0" y2="1"><stop offset="0" '
         'stop-color="#3d434c"/><stop offset="1" stop-color="#262a30"/></linearGradient>')
    emit('<linearGradient id="logo" x1="0" y1="0" x2="0" y2="1"><stop offset="0" '
         'stop-color="#e9edf2"/><stop offset="1" stop-color="#9aa3ae"/></linearGradient>')
    emit("<style>"
         "text{font-family:%s}"
         ".t{font-size:10px;font-weight:bold;letter-spacing:1.2px;fill:%s}"
         ".l{font-size:8.5px;font-weight:bold;letter-spacing:0.4px;fill:%s}"
         ".p{font-size:8px;fill:%s}"
         ".d{font-size:9px;letter-spacing:0.6px;fill:%s}"
         "</style>" % (FONT, TITLE, LABEL, POSITION, DIM))
    emit("</defs>")
    emit('<rect width="%d" height="%d" fill="url(#panel)"/>' % (L.EDITOR_W, L.EDITOR_H))

    # --- Global knobs, polyphony display and settings button -----------------------------
    section(4, 4, 211, 101, "GLOBAL", 10, 17)
    vr = L.CONTROLS[6][3]
    emit('<rect x="100.5" y="7.5" width="%s" height="18" rx="2" fill="%s" stroke="%s"/>' %
         (vr[2] + 4 - 100, LCD_DARK, SECTION_EDGE))
    text(centre_x(rect_of(4)), 27, "VOLUME")
    text(centre_x(rect_of(5)), 27, "M. TUNE")
    text(centre_x(rect_of(75)), 98, "STEREO")
    text(centre_x(rect_of(7)), 98, "I. TUNE")
    gate, detune = rect_of(36), rect_of(6)
    text(gate[2] + 4, 57, "GATE LEN", anchor="start")
    text(detune[2] + 4, 77, "DETUNE", anchor="start")
    settings = L.CONTROLS[7][3]
    button(settings, gear(centre_x(settings), (settings[1] + settings[3]) / 2.0 - 0.5))
    text(settings[2] + 4, 39, "SETUP", anchor="start")

    # --- Name, version, program selector -------------------------------------------------
    emit('<text x="226" y="46" font-size="30" font-weight="bold" letter-spacing="5" '
         'fill="url(#logo)">VORLUNDA 2</text>')
    text(228, 64, "64-VOICE SUBTRACTIVE SYNTHESIZER", "d", "start")
    version = L.CONTROLS[5][3]
    text(version[2] - 36, 23, "VERSION", "d", "end")

    section(758, 4, 1077, 78, "PROGRAM", 766, 17)
    prev_rect, next_rect = L.CONTROLS[2][3], L.CONTROLS[3][3]
    for r, up in ((prev_rect, True), (next_rect, False)):
        cx, cy = centre_x(r), (r[1] + r[3]) / 2.0 - 0.5
        d = (-1 if up else 1) * 3
        button(r, '<path d="M %s %s L %s %s L %s %s Z" fill="%s"/>' %
               (n(cx - 5), n(cy - d), n(cx + 5), n(cy - d), n(cx), n(cy + d), LABEL))
    number, name = L.CONTROLS[1][3], L.CONTROLS[1][4]
    emit('<rect x="%s" y="39.5" width="%s" height="26" rx="3" fill="%s" stroke="#0b0c0f"/>' %
         (n(number[0] - 6.5), n(name[2] + 6 - number[0] + 6), LCD_LIGHT))
    emit('<rect x="%s" y="42" width="1" height="21" fill="#9aa6b4"/>' %
         n((number[2] + name[0]) / 2.0 - 0.5))
    menu = L.CONTROLS[4][3]
    button(menu, "")
    text(centre_x(menu), 49.5, "MENU")

    # --- Row 1 ---------------------------------------------------------------------------
    section(4, 104, 125, 208, "GLIDE", 10, 117)
    label_below(1, "TIME")
    label_below(2, "LEGATO")
    switch_positions(2, "ON", "OFF")

    section(128, 104, 211, 208, "NOISE", 134, 117)
    label_below(25, "LEVEL")

    section(214, 80, 362, 208, "OSC MOD", 220, 92)
    label_above(71, "LFO WAVE")
    label_above(64, "OSC SYNC")
    label_below(8, "FM LFO")
    label_below(65, "FM ENV")

    section(365, 80, 444, 208, "LFO", 371, 92)
    fader_h(34, "DELAY")
    label_below(33, "RATE")

    section(447, 80, 752, 208, "FILTER ENVELOPE", 453, 92)
    fader_h(70, "VEL > ATTACK")
    fader_h(69, "VEL > AMOUNT")
    for p, w in ((39, "ATTACK"), (40, "DECAY"), (41, "SUSTAIN"), (42, "RELEASE")):
        label_below(p, w)
    label_below(38, "MODE")
    switch_positions(38, "AD", "ADSR")

    section(755, 80, 1077, 208, "AMP ENVELOPE", 761, 92)
    fader_h(68, "VEL > ATTACK")
    fader_h(67, "VEL > LEVEL")
    for p, w in ((44, "ATTACK"), (45, "DECAY"), (46, "SUSTAIN"), (47, "RELEASE")):
        label_below(p, w)
    label_below(43, "MODE")
    switch_positions(43, "AD", "ADSR")

    # --- Row 2 ---------------------------------------------------------------------------
    section(4, 211, 125, 327, "TRIGGER", 10, 223)
    rotary_positions(35, ("Normal", "Repeat", "Host"), L.SWITCH3_SWEEP, 37)
    label_below(35, "REPEAT")
    r = rect_of(37)
    text(centre_x(r) - 1, r[3] + 11, "ENV RTRG", extra=' letter-spacing="0"')
    switch_positions(37, "ON", "OFF")

    section(128, 211, 601, 327, "FILTER", 134, 223)
    rotary_positions(27, ("6", "12", "18", "24"), L.SWITCH4_SWEEP, 28)
    label_below(27, "SLOPE dB/OCT")
    label_below(26, "MODE")
    switch_positions(26, "LP", "HP")
    fader_h(66, "VELOCITY")
    label_above(72, "LFO WAVE")
    for p, w in ((28, "CUTOFF"), (29, "RESONANCE"), (32, "KEY TRACK"), (31, "LFO AMOUNT"),
                 (30, "ENV AMOUNT")):
        label_below(p, w)

    section(604, 211, 752, 327, "EFFECTS", 610, 223)
    label_below(48, "DRIVE")
    label_above(74, "CHORUS")
    label_below(73, "CHORUS MIX")

    section(755, 211, 1077, 393, "EQUALIZER", 761, 223)
    for i, band in enumerate(("100", "200", "400", "1K", "2.5K", "5K", "12K")):
        fader_v(49 + i, band)
    last = rect_of(55)
    hv = L.frame_size("handlev")[1]
    y0, y1 = last[1] + hv / 2.0, last[3] - hv / 2.0
    for value, y in (("+15", y0), ("0", (y0 + y1) / 2.0), ("-15", y1)):
        text(last[2] + 4, y + 3, value, "p", "start")
    text(last[2] + 4, last[3] + 13, "Hz", "p", "start")
    text(last[2] + 4, y0 - 10, "dB", "p", "start")

    # --- Oscillator footages -------------------------------------------------------------
    section(4, 330, 752, 393)
    groups = (("SAW OSC", 60), ("SQUARE OSC", 9), ("PULSE OSC", 13), ("INTERVAL OSC", 17),
              ("MULTI OSC", 21))
    for title, first_param in groups:
        a, b = rect_of(first_param), rect_of(first_param + 3)
        cx = (a[0] + b[2]) / 2.0
        text(cx, 345, title, "t")
        half = 3.9 * len(title) + 6
        for x0, x1 in ((a[0] + 2, cx - half), (cx + half, b[2] - 2)):
            emit('<rect x="%s" y="340.5" width="%s" height="1" fill="%s"/>' %
                 (n(x0), n(x1 - x0), SECTION_EDGE))
        for i, foot in enumerate(("16'", "8'", "4'", "2'")):
            r = rect_of(first_param + i)
            text(centre_x(r), r[3] + 12, foot)
    emit("</svg>")
    return "\n".join(out) + "\n"


def write(path):
    with open(path, "w", encoding="utf-8", newline="\n") as handle:
        handle.write(build())
