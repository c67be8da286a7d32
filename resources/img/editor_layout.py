"""The editor's images and control positions, as the layout routine places them.

Shared by artwork.py (background labels, mock composite, size check). Coordinates are editor
pixels (1080 x 396), rectangles are (left, top, right, bottom) with right/bottom exclusive.
"""

EDITOR_W, EDITOR_H = 1080, 396

# Id order = resource id order (1..19): (name, width, height, frames, one-frame source or None).
IMAGES = [
    ("back", 1080, 396, 1, None),
    ("handlev", 27, 23, 1, "handlev"),
    ("handleh", 20, 20, 1, "handleh"),
    ("knobbig", 64, 4096, 64, "knobbig"),
    ("knobsmall", 30, 1920, 64, "knobsmall"),
    ("switch1", 30, 128, 2, "switch1"),
    ("switch2", 30, 128, 2, "switch2"),
    ("switch3", 64, 192, 3, "switch3"),
    ("switch4", 64, 256, 4, "switch4"),
    ("buttonblue", 32, 40, 2, "buttonblue"),
    ("buttongreen", 32, 40, 2, "buttongreen"),
    ("buttonpink", 32, 40, 2, "buttonpink"),
    ("buttonyellow", 32, 40, 2, "buttonyellow"),
    ("buttonwhite", 32, 40, 2, "buttonwhite"),
    ("buttonsync", 40, 180, 9, "buttonsync"),
    ("buttonlfo", 40, 120, 6, "buttonlfo"),
    ("button12", 40, 40, 2, "button12"),
    ("learn", 31, 28, 2, "learn"),
    ("unlearn", 31, 28, 2, "unlearn"),
]


def image(name):
    for entry in IMAGES:
        if entry[0] == name:
            return entry
    raise KeyError(name)


def frame_size(name):
    _, w, h, n, _ = image(name)
    return w, h // n


# Pointer sweep of the rotary images, in degrees clockwise from 12 o'clock. The background
# writes each position's name where the pointer of that frame points.
KNOB_SWEEP = (-135.0, 135.0)
SWITCH3_SWEEP = (-40.0, 40.0)
SWITCH4_SWEEP = (-60.0, 60.0)
# Centre of the rotary switch body inside its 64 x 64 frame (it sits low so that the position
# names fit above it).
ROTARY_CENTRE = (32.0, 42.0)

# Kinds: knob (image), switch (image), selector (multi-frame button opened as a menu),
# faderh / faderv (handle image), text / hidden (no image).
# (kind, parameter, image, x, y) for image controls; rectangles for the others.
CONTROLS = [
    ("background", -1, "back", 0, 0),
    ("presetmenu", -1, None, (822, 44, 840, 62), (848, 44, 1004, 62)),
    ("kick", -82, None, (767, 37, 803, 55)),
    ("kick", -83, None, (767, 57, 803, 75)),
    ("optionmenu", -85, None, (1026, 37, 1062, 55)),
    ("text", -1, None, (654, 12, 750, 26)),
    ("voices", 0, None, (92, 10, 169, 20)),
    ("settings", -81, None, (145, 28, 171, 44)),
    ("switch", -86, "learn", 1028, 59),
    ("knob", 4, "knobsmall", 10, 29),
    ("knob", 75, "knobsmall", 10, 59),
    ("knob", 5, "knobsmall", 60, 29),
    ("knob", 7, "knobsmall", 60, 59),
    ("knob", 36, "knobsmall", 110, 29),
    ("knob", 6, "knobsmall", 110, 59),
    ("knob", 1, "knobbig", 17, 127),
    ("switch", 2, "switch1", 87, 127),
    ("knob", 35, "switch3", 17, 247),
    ("switch", 37, "switch1", 87, 247),
    ("knob", 25, "knobbig", 135, 127),
    ("knob", 8, "knobbig", 224, 127),
    ("selector", 71, "buttonlfo", 237, 107),
    ("knob", 65, "knobbig", 294, 127),
    ("selector", 64, "buttonsync", 307, 107),
    ("knob", 33, "knobbig", 373, 127),
    ("faderh", 34, "handleh", 373, 107),
    ("faderh", 70, "handleh", 450, 107),
    ("knob", 39, "knobbig", 447, 127),
    ("knob", 40, "knobbig", 516, 127),
    ("faderh", 69, "handleh", 550, 107),
    ("knob", 41, "knobbig", 585, 127),
    ("knob", 42, "knobbig", 654, 127),
    ("switch", 38, "switch2", 721, 127),
    ("faderh", 68, "handleh", 762, 107),
    ("knob", 44, "knobbig", 762, 127),
    ("knob", 45, "knobbig", 831, 127),
    ("faderh", 67, "handleh", 862, 107),
    ("knob", 46, "knobbig", 900, 127),
    ("knob", 47, "knobbig", 969, 127),
    ("switch", 43, "switch2", 1036, 127),
    ("knob", 27, "switch4", 136, 247),
    ("switch", 26, "switch2", 215, 247),
    ("faderh", 66, "handleh", 250, 227),
    ("knob", 28, "knobbig", 250, 247),
    ("knob", 29, "knobbig", 320, 247),
    ("knob", 32, "knobbig", 390, 247),
    ("knob", 31, "knobbig", 460, 247),
    ("selector", 72, "buttonlfo", 472, 227),
    ("knob", 30, "knobbig", 530, 247),
    ("knob", 48, "knobbig", 608, 247),
    ("knob", 73, "knobbig", 678, 247),
    ("switch", 74, "button12", 690, 227),
]
CONTROLS += [("faderv", 49 + i, "handlev", x, 0) for i, x in
             enumerate((767, 810, 853, 896, 939, 982, 1025))]
for first, colour, x0 in ((60, "buttonwhite", 13), (9, "buttonblue", 163),
                          (13, "buttongreen", 313), (17, "buttonpink", 463),
                          (21, "buttonyellow", 613)):
    CONTROLS += [("switch", first + i, colour, x0 + 35 * i, 353) for i in range(4)]

assert len(CONTROLS) == 79

# Faders (geometry of the two fader classes): travel length and the handle's extent.
FADER_H_LENGTH = 80
FADER_V_LENGTH = 135
FADER_V_TOP, FADER_V_BOTTOM = 238, 373


def control_rect(entry):
    """The control's rectangle as the layout and the fader classes compute it."""
    kind = entry[0]
    if kind in ("background", "knob", "switch", "selector"):
        w, h = frame_size(entry[2])
        return (entry[3], entry[4], entry[3] + w, entry[4] + h)
    if kind == "faderh":
        w, h = frame_size(entry[2])
        x, y = entry[3], entry[4]
        return (x - 8, y - 1, x + 72, y - 1 + h)
    if kind == "faderv":
        w, h = frame_size(entry[2])
        x = entry[3]
        return (x + 3, FADER_V_TOP, x + 3 + w, FADER_V_BOTTOM)
    if kind == "presetmenu":
        a, b = entry[3], entry[4]
        return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))
    return entry[3]


def fader_handle_pos(entry, value):
    """Top-left corner of a fader's handle for a normalised value."""
    left, top, _, _ = control_rect(entry)
    w, h = frame_size(entry[2])
    if entry[0] == "faderh":
        return left + int((FADER_H_LENGTH - w) * value), top
    return left, top + int((FADER_V_LENGTH - h) * (1.0 - value))


def by_param(param):
    for entry in CONTROLS:
        if entry[1] == param:
            return entry
    raise KeyError(param)
