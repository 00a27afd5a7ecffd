"""The drawings of the default skin's parts: button plates in every state, slider tracks and caps, knobs,
meters, the jog wheel, the round play and cue buttons, the browser icons and the logo. Every function
draws into a Cairo context in skin points, at the origin, within (w, h)."""

import math

import cairo

# The palette: dark greys for the body, one blue for deck A, one amber for deck B and the cue, green for
# play and levels.
BG = "#0d0f12"
PANEL = "#161a20"
PANEL_EDGE = "#232931"
INSET = "#090b0d"
TEXT = "#e6e9ee"
TEXT_DIM = "#8b94a3"
TEXT_FAINT = "#5d6572"
BLUE = "#35a7ff"
AMBER = "#ff9f2e"
GREEN = "#35d07f"
RED = "#ff4d4d"
YELLOW = "#f5d547"
VIOLET = "#a27bff"

DECK_COLOURS = (BLUE, AMBER)
# Hot cue lamps, one colour per pad.
CUE_COLOURS = ("#ff4d4d", "#ff9f2e", "#f5d547", "#35d07f", "#2fd3e0", "#35a7ff", "#a27bff", "#ff5fb8")


def rgb(colour, alpha=1.0):
    c = colour.lstrip("#")
    return (int(c[0:2], 16) / 255.0, int(c[2:4], 16) / 255.0, int(c[4:6], 16) / 255.0, alpha)


def mix(a, b, t):
    """Colour a moved by t (0..1) towards colour b, as "#rrggbb"."""
    ca, cb = rgb(a), rgb(b)
    return "#" + "".join("%02x" % round(255 * (ca[i] + (cb[i] - ca[i]) * t)) for i in range(3))


def source(ctx, colour, alpha=1.0):
    ctx.set_source_rgba(*rgb(colour, alpha))


def rounded_rect(ctx, x, y, w, h, r):
    r = min(r, w / 2, h / 2)
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def vertical_gradient(top, bottom, h, alpha=1.0):
    g = cairo.LinearGradient(0, 0, 0, h)
    g.add_color_stop_rgba(0, *rgb(top, alpha))
    g.add_color_stop_rgba(1, *rgb(bottom, alpha))
    return g


# ---- button plates ----------------------------------------------------------------------------------------

STATES = ("up", "over", "down", "sel", "oversel", "downsel")


def plate(ctx, w, h, state, lit, radius=4, lamp=None):
    """A rectangular button plate. lit is the colour of the switched-on look; lamp, when given, is the
    colour of a small lamp bar along the bottom edge (hot cues), dim when off and bright when marked."""
    on = state.endswith("sel")
    hover = state.startswith("over")
    pressed = state.startswith("down")
    inset = 1
    if on:
        top, bottom = mix(lit, "#000000", 0.18), mix(lit, "#000000", 0.42)
        edge = mix(lit, "#ffffff", 0.25)
        if hover:
            top, bottom = mix(top, "#ffffff", 0.12), mix(bottom, "#ffffff", 0.1)
        if pressed:
            top, bottom = mix(top, "#000000", 0.25), mix(bottom, "#000000", 0.2)
    else:
        top, bottom, edge = "#2b3039", "#21252c", "#363c47"
        if hover:
            top, bottom, edge = "#353b46", "#2a2f37", mix("#4a5261", lit, 0.35)
        if pressed:
            top, bottom, edge = "#1a1d22", "#20242a", "#2c313a"
    # Shadow under the plate.
    rounded_rect(ctx, inset, inset + 1, w - 2 * inset, h - 2 * inset, radius)
    source(ctx, "#000000", 0.45)
    ctx.fill()
    rounded_rect(ctx, inset, inset, w - 2 * inset, h - 2 * inset - (0 if pressed else 1), radius)
    ctx.set_source(vertical_gradient(top, bottom, h))
    ctx.fill_preserve()
    ctx.set_line_width(1)
    source(ctx, edge)
    ctx.stroke()
    if not pressed:
        # A thin highlight along the top edge.
        ctx.move_to(inset + radius, inset + 1.5)
        ctx.line_to(w - inset - radius, inset + 1.5)
        source(ctx, "#ffffff", 0.18 if on else 0.07)
        ctx.stroke()
    if lamp is not None:
        bright = on or hover
        rounded_rect(ctx, 5, h - 6, w - 10, 3, 1.5)
        source(ctx, lamp, 1.0 if bright else 0.35)
        ctx.fill()
    if on and not pressed:
        # The glow of a lit button spills a little over its edge.
        rounded_rect(ctx, inset + 0.5, inset + 0.5, w - 2 * inset - 1, h - 2 * inset - 2, radius)
        source(ctx, lit, 0.35)
        ctx.set_line_width(2)
        ctx.stroke()


def round_face(ctx, cx, cy, r, colour, on, hover, glyph):
    """A round button body of radius r with a coloured ring, lit when on; glyph draws the symbol (or
    None when the control draws a caption)."""
    source(ctx, "#000000", 0.5)
    ctx.arc(cx, cy + 1.5, r + 1, 0, 2 * math.pi)
    ctx.fill()
    g = cairo.RadialGradient(cx, cy - r * 0.4, r * 0.1, cx, cy, r)
    top = mix(colour, "#000000", 0.35) if on else ("#3a404b" if hover else "#2f343d")
    g.add_color_stop_rgba(0, *rgb(top))
    g.add_color_stop_rgba(1, *rgb(mix(top, "#000000", 0.45)))
    ctx.arc(cx, cy, r, 0, 2 * math.pi)
    ctx.set_source(g)
    ctx.fill()
    ctx.set_line_width(2.5 if on else 1.5)
    ctx.arc(cx, cy, r - 1, 0, 2 * math.pi)
    source(ctx, colour, 1.0 if (on or hover) else 0.72)
    ctx.stroke()
    if on:
        ctx.set_line_width(4.5)
        ctx.arc(cx, cy, r + 1.8, 0, 2 * math.pi)
        source(ctx, colour, 0.4)
        ctx.stroke()
    if glyph is not None:
        glyph(ctx, cx, cy, r, "#ffffff" if on else colour)


def round_button(ctx, w, h, state, colour):
    """A round push or switch button (the cue button): lit while pressed or switched on."""
    on = state.endswith("sel") or state.startswith("down")
    round_face(ctx, w / 2, h / 2, min(w, h) / 2 - 6, colour, on, state.startswith("over"), None)


def play_pause_glyph(ctx, cx, cy, r, colour):
    s = r * 0.42
    source(ctx, colour)
    # The play triangle and, beside it, the two pause bars.
    ctx.move_to(cx - s * 1.05, cy - s * 0.8)
    ctx.line_to(cx - s * 1.05, cy + s * 0.8)
    ctx.line_to(cx + s * 0.15, cy)
    ctx.close_path()
    ctx.fill()
    bar = s * 0.26
    ctx.rectangle(cx + s * 0.42, cy - s * 0.8, bar, s * 1.6)
    ctx.rectangle(cx + s * 0.42 + bar * 1.7, cy - s * 0.8, bar, s * 1.6)
    ctx.fill()


def playlive_face(ctx, w, h, state):
    """The round play button: its body leaves the outer ring free for the ticks the control draws."""
    cx, cy = w / 2, h / 2
    round_face(ctx, cx, cy, min(w, h) / 2 - 9, GREEN, state == "down", False, play_pause_glyph)
    # The faint track of the ticks.
    ctx.set_line_width(1)
    ctx.arc(cx, cy, min(w, h) / 2 - 2.5, 0, 2 * math.pi)
    source(ctx, "#ffffff", 0.06)
    ctx.stroke()


# ---- sliders ----------------------------------------------------------------------------------------------


def fader_track(ctx, w, h, vertical, lit=None, centre_mark=False, ticks=10):
    """A fader's slot with scale ticks. With lit, only the lit slot is drawn (the filled part of the
    slider, laid over the track)."""
    if not vertical:
        # A horizontal track is the vertical one with x and y exchanged.
        ctx.transform(cairo.Matrix(0, 1, 1, 0, 0, 0))
        w, h = h, w
    slot_w = 4
    sx = (w - slot_w) / 2
    if lit is not None:
        rounded_rect(ctx, sx + 0.5, 3.5, slot_w - 1, h - 7, 1.5)
        source(ctx, lit)
        ctx.fill()
        return
    for i in range(ticks + 1):
        y = 6 + (h - 12) * i / ticks
        long_tick = i in (0, ticks) or (centre_mark and i == ticks // 2)
        ctx.move_to(2 if long_tick else 5, y)
        ctx.line_to(sx - 3, y)
        ctx.move_to(sx + slot_w + 3, y)
        ctx.line_to(w - (2 if long_tick else 5), y)
    ctx.set_line_width(1)
    source(ctx, TEXT_FAINT, 0.8)
    ctx.stroke()
    rounded_rect(ctx, sx, 3, slot_w, h - 6, 2)
    source(ctx, INSET)
    ctx.fill_preserve()
    source(ctx, "#2a2f37")
    ctx.stroke()


def fader_cap(ctx, w, h, vertical, hover, line_colour=TEXT):
    rounded_rect(ctx, 1, 1, w - 2, h - 2, 3)
    ctx.set_source(vertical_gradient("#4a515d" if hover else "#3d434d", "#23272e", h))
    ctx.fill_preserve()
    ctx.set_line_width(1)
    source(ctx, "#59616e" if hover else "#4a515d")
    ctx.stroke()
    # The grip line across the cap.
    if vertical:
        ctx.move_to(3, h / 2)
        ctx.line_to(w - 3, h / 2)
    else:
        ctx.move_to(w / 2, 3)
        ctx.line_to(w / 2, h - 3)
    ctx.set_line_width(2)
    source(ctx, line_colour)
    ctx.stroke()


def position_cursor(ctx, w, h):
    """The play-position line of the overview, with small arrowheads at both ends."""
    source(ctx, "#000000", 0.5)
    ctx.rectangle(w / 2 - 1.5, 0, 3, h)
    ctx.fill()
    source(ctx, "#ffffff")
    ctx.rectangle(w / 2 - 0.5, 0, 1, h)
    ctx.fill()
    ctx.move_to(0, 0)
    ctx.line_to(w, 0)
    ctx.line_to(w / 2, 3)
    ctx.close_path()
    ctx.move_to(0, h)
    ctx.line_to(w, h)
    ctx.line_to(w / 2, h - 3)
    ctx.close_path()
    ctx.fill()


# ---- knobs ------------------------------------------------------------------------------------------------

KNOB_START = 135.0  # degrees, clockwise from three o'clock: the sweep of 270 degrees ends at 45


def knob_geometry(size):
    """Ring radius, ring width, cap radius, pointer radius and pointer length of a knob of a size."""
    ring = size / 2 - 2.5
    ring_w = 3.0 if size >= 30 else 2.5
    cap = ring - ring_w - 2.5
    return ring, ring_w, cap, cap - 1.5, cap * 0.55


def knob(ctx, w, h, part, lit=BLUE):
    """part "up" and "over": the knob with its unlit ring; "sel": the lit ring alone (drawn through the
    control's progress mask)."""
    cx, cy = w / 2, h / 2
    ring, ring_w, cap, _, _ = knob_geometry(min(w, h))
    a0, a1 = math.radians(KNOB_START), math.radians(KNOB_START + 270)
    ctx.set_line_width(ring_w)
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)
    if part == "sel":
        ctx.arc(cx, cy, ring - ring_w / 2, a0, a1)
        source(ctx, lit)
        ctx.stroke()
        return
    ctx.arc(cx, cy, ring - ring_w / 2, a0, a1)
    source(ctx, "#2a2f37")
    ctx.stroke()
    # The cap, with a soft shadow and a light from above.
    source(ctx, "#000000", 0.55)
    ctx.arc(cx, cy + 1.2, cap + 0.8, 0, 2 * math.pi)
    ctx.fill()
    g = cairo.RadialGradient(cx, cy - cap * 0.6, cap * 0.15, cx, cy, cap)
    top = "#4a515d" if part == "over" else "#3e444e"
    g.add_color_stop_rgba(0, *rgb(top))
    g.add_color_stop_rgba(1, *rgb("#1f2329"))
    ctx.arc(cx, cy, cap, 0, 2 * math.pi)
    ctx.set_source(g)
    ctx.fill_preserve()
    ctx.set_line_width(1)
    source(ctx, "#5a626f" if part == "over" else "#474e59")
    ctx.stroke()


# ---- meters -----------------------------------------------------------------------------------------------


def meter(ctx, w, h, step=4):
    """The lit picture of a level meter: segments from green through yellow to red, along the longer
    side (growing upwards for a vertical meter, rightwards for a horizontal one)."""
    vertical = h >= w
    length = h if vertical else w
    n = int(length // step)
    for i in range(n):
        t = (i + 0.5) / n
        colour = GREEN if t < 0.7 else (YELLOW if t < 0.88 else RED)
        source(ctx, colour)
        if vertical:
            ctx.rectangle(0, h - (i + 1) * step + 1, w, step - 1)
        else:
            ctx.rectangle(i * step, 0, step - 1, h)
        ctx.fill()


def plain_meter(ctx, w, h, colour):
    """A continuous bar for the load meter."""
    rounded_rect(ctx, 0, 0, w, h, min(w, h) / 2)
    source(ctx, colour)
    ctx.fill()


# ---- jog wheel --------------------------------------------------------------------------------------------


def platter(ctx, w, h, accent):
    """The turning ring of the jog wheel: ridged, with a marker at twelve o'clock, open in the middle
    where the cover (or the centre picture) shows."""
    cx, cy = w / 2, h / 2
    outer = min(w, h) / 2 - 1
    inner = outer * 0.64
    source(ctx, "#000000", 0.55)
    ctx.arc(cx, cy + 1.5, outer, 0, 2 * math.pi)
    ctx.arc_negative(cx, cy + 1.5, inner, 2 * math.pi, 0)
    ctx.fill()
    g = cairo.RadialGradient(cx, cy, inner, cx, cy, outer)
    g.add_color_stop_rgba(0, *rgb("#1b1f25"))
    g.add_color_stop_rgba(0.55, *rgb("#2c313a"))
    g.add_color_stop_rgba(1, *rgb("#1a1d22"))
    ctx.arc(cx, cy, outer, 0, 2 * math.pi)
    ctx.arc_negative(cx, cy, inner, 2 * math.pi, 0)
    ctx.set_source(g)
    ctx.fill()
    # Ridges around the rim.
    ctx.set_line_width(1)
    for i in range(72):
        a = 2 * math.pi * i / 72
        ctx.move_to(cx + math.cos(a) * (outer - 6), cy + math.sin(a) * (outer - 6))
        ctx.line_to(cx + math.cos(a) * (outer - 1.5), cy + math.sin(a) * (outer - 1.5))
    source(ctx, "#ffffff", 0.07)
    ctx.stroke()
    ctx.arc(cx, cy, outer - 0.5, 0, 2 * math.pi)
    source(ctx, "#3a404a")
    ctx.stroke()
    ctx.arc(cx, cy, inner + 0.5, 0, 2 * math.pi)
    source(ctx, "#000000", 0.6)
    ctx.stroke()
    # The position marker.
    ctx.set_line_width(4)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.move_to(cx, cy - outer + 5)
    ctx.line_to(cx, cy - inner - 4)
    source(ctx, accent)
    ctx.stroke()


def platter_centre(ctx, w, h, accent):
    """The picture in the middle of the jog wheel while the track has no cover."""
    cx, cy = w / 2, h / 2
    r = min(w, h) / 2 * 0.64 + 1
    g = cairo.RadialGradient(cx, cy - r * 0.3, r * 0.1, cx, cy, r)
    g.add_color_stop_rgba(0, *rgb("#1c2027"))
    g.add_color_stop_rgba(1, *rgb("#0c0e11"))
    ctx.arc(cx, cy, r, 0, 2 * math.pi)
    ctx.set_source(g)
    ctx.fill()
    # Grooves like a record.
    ctx.set_line_width(0.6)
    for i in range(5):
        ctx.arc(cx, cy, r * (0.45 + 0.1 * i), 0, 2 * math.pi)
        source(ctx, "#ffffff", 0.05)
        ctx.stroke()
    ctx.arc(cx, cy, r * 0.3, 0, 2 * math.pi)
    source(ctx, accent, 0.9)
    ctx.fill()
    ctx.arc(cx, cy, r * 0.05, 0, 2 * math.pi)
    source(ctx, BG)
    ctx.fill()


# ---- browser icons and the logo ---------------------------------------------------------------------------


def _folder(ctx, x, y, s, colour, open_=False):
    source(ctx, colour)
    ctx.move_to(x + 0.1 * s, y + 0.25 * s)
    ctx.line_to(x + 0.4 * s, y + 0.25 * s)
    ctx.line_to(x + 0.5 * s, y + 0.35 * s)
    ctx.line_to(x + 0.9 * s, y + 0.35 * s)
    ctx.line_to(x + 0.9 * s, y + 0.8 * s)
    ctx.line_to(x + 0.1 * s, y + 0.8 * s)
    ctx.close_path()
    if open_:
        ctx.fill()
        source(ctx, mix(colour, "#ffffff", 0.35))
        ctx.move_to(x + 0.22 * s, y + 0.45 * s)
        ctx.line_to(x + 0.98 * s, y + 0.45 * s)
        ctx.line_to(x + 0.86 * s, y + 0.8 * s)
        ctx.line_to(x + 0.1 * s, y + 0.8 * s)
        ctx.close_path()
        ctx.fill()
    else:
        ctx.fill()


def _star(ctx, cx, cy, r, colour):
    source(ctx, colour)
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        rr = r if i % 2 == 0 else r * 0.45
        (ctx.move_to if i == 0 else ctx.line_to)(cx + rr * math.cos(a), cy + rr * math.sin(a))
    ctx.close_path()
    ctx.fill()


def _lines(ctx, x, y, s, colour, bullets=True):
    source(ctx, colour)
    for i in range(3):
        yy = y + (0.28 + 0.22 * i) * s
        if bullets:
            ctx.rectangle(x + 0.12 * s, yy - 0.05 * s, 0.1 * s, 0.1 * s)
        ctx.rectangle(x + 0.3 * s, yy - 0.04 * s, 0.58 * s, 0.08 * s)
    ctx.fill()


def icon(ctx, index, s):
    """Browser icon number index (1..11), in a square of s points."""
    ink = "#aeb6c2"
    ctx.set_line_width(max(1.0, s / 12))
    if index == 1:  # the collection: a record
        ctx.arc(s / 2, s / 2, s * 0.4, 0, 2 * math.pi)
        source(ctx, ink)
        ctx.fill()
        ctx.arc(s / 2, s / 2, s * 0.14, 0, 2 * math.pi)
        source(ctx, BLUE)
        ctx.fill()
        ctx.arc(s / 2, s / 2, s * 0.04, 0, 2 * math.pi)
        source(ctx, BG)
        ctx.fill()
    elif index == 2:  # special lists: a list with a star
        _lines(ctx, 0, 0, s, ink, bullets=False)
        _star(ctx, s * 0.16, s * 0.28, s * 0.14, AMBER)
    elif index == 3:  # a service: a cloud
        source(ctx, ink)
        ctx.arc(s * 0.35, s * 0.55, s * 0.18, 0, 2 * math.pi)
        ctx.arc(s * 0.55, s * 0.45, s * 0.22, 0, 2 * math.pi)
        ctx.arc(s * 0.72, s * 0.6, s * 0.15, 0, 2 * math.pi)
        ctx.fill()
        ctx.rectangle(s * 0.35, s * 0.55, s * 0.37, s * 0.2)
        ctx.fill()
    elif index == 4:  # history: a clock
        ctx.arc(s / 2, s / 2, s * 0.38, 0, 2 * math.pi)
        source(ctx, ink)
        ctx.stroke()
        ctx.move_to(s / 2, s * 0.26)
        ctx.line_to(s / 2, s / 2)
        ctx.line_to(s * 0.68, s * 0.6)
        ctx.stroke()
    elif index == 5:  # search results: a magnifier
        ctx.arc(s * 0.42, s * 0.42, s * 0.24, 0, 2 * math.pi)
        source(ctx, ink)
        ctx.stroke()
        ctx.set_line_width(max(1.5, s / 8))
        ctx.move_to(s * 0.6, s * 0.6)
        ctx.line_to(s * 0.85, s * 0.85)
        ctx.stroke()
    elif index == 6:  # a user list
        _lines(ctx, 0, 0, s, ink)
    elif index == 7:  # a note
        source(ctx, ink)
        ctx.arc(s * 0.36, s * 0.72, s * 0.14, 0, 2 * math.pi)
        ctx.fill()
        ctx.rectangle(s * 0.46, s * 0.18, s * 0.08, s * 0.55)
        ctx.fill()
        ctx.move_to(s * 0.5, s * 0.18)
        ctx.line_to(s * 0.8, s * 0.3)
        ctx.line_to(s * 0.8, s * 0.4)
        ctx.line_to(s * 0.5, s * 0.3)
        ctx.close_path()
        ctx.fill()
    elif index == 8:  # favourites
        _star(ctx, s / 2, s * 0.53, s * 0.4, AMBER)
    elif index == 9:  # a folder
        _folder(ctx, 0, 0, s, "#8fa3bf")
    elif index == 10:  # an open folder
        _folder(ctx, 0, 0, s, "#8fa3bf", open_=True)
    elif index == 11:  # a folder with folders inside (and volumes)
        _folder(ctx, s * 0.06, -s * 0.08, s * 0.9, "#5f7089")
        _folder(ctx, -s * 0.02, s * 0.08, s * 0.9, "#8fa3bf")


def icon_strip(ctx, w, h, size, count):
    for i in range(1, count + 1):
        ctx.save()
        ctx.translate(i * size, 0)
        icon(ctx, i, size)
        ctx.restore()


def logo(ctx, w, h):
    """The wordmark: two overlapping platters and the name."""
    r = h * 0.36
    cy = h / 2
    ctx.arc(r + 1, cy, r, 0, 2 * math.pi)
    source(ctx, BLUE, 0.95)
    ctx.fill()
    ctx.arc(r * 2.3 + 1, cy, r, 0, 2 * math.pi)
    source(ctx, AMBER, 0.9)
    ctx.fill()
    ctx.arc(r + 1, cy, r * 0.28, 0, 2 * math.pi)
    ctx.arc(r * 2.3 + 1, cy, r * 0.28, 0, 2 * math.pi)
    source(ctx, BG)
    ctx.fill()
    ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_BOLD)
    ctx.set_font_size(h * 0.62)
    x = r * 3.3 + 8
    extents = ctx.text_extents("ORVEL")
    ctx.move_to(x, cy - extents.y_bearing - extents.height / 2)
    source(ctx, TEXT)
    ctx.show_text("ORVEL")
