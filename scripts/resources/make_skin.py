#!/usr/bin/python3
"""Writes the default skin "Orvel": resources/skins/orvel.xml and its images in resources/skins/orvel/.

The skin is laid out by constraints: every panel is a stack of rows, so it follows the window's size. The
design size is 1280 x 720 skin points; the catalogue offers image sets for 16:9, 16:10 and 4:3 windows at
0.7, 1 and 1.5 times that size (the loader scales every coordinate of the skin by the chosen set's width
over 1280, so each set is the same sheet drawn at that scale).

How the layout is built (see the stack and priority helpers below):
- A stack's children keep their own size across the stack (alignment Center) unless they are meant to
  stretch; along the stack exactly one child of each row is flexible (a spacer, a text or a display), so
  every row takes the width it is given without stretching a picture.
- Priorities: pictures and fixed containers hug and resist at 750 (far above the window's own pull of
  10000 = 100 x 100, so they keep their size); flexible parts at 1. Texts measure themselves when drawn,
  so they are weak along their row and keep their natural height.
- A panel is a group without a stack holding a solid background and the content stack, tied to the
  panel's edges by constraints (a background cannot be a container).

Run it through scripts/make-resources.sh.
"""

import math
import os
import sys
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import skin_art as art  # noqa: E402
from skin_sheet import Coord, Sheet  # noqa: E402

DESIGN_W, DESIGN_H = 1280, 720
SHEET_WIDTH = 560

# Image sets: (aspect ratio name, ratio, [(width, height)]); each width selects the sheet of its scale.
SCALES = {0.7: "orvel-896.png", 1.0: "orvel-1280.png", 1.5: "orvel-1920.png"}
ASPECT_RATIOS = [
    ("16:9", 1.778, [(896, 504), (1280, 720), (1920, 1080)]),
    ("16:10", 1.6, [(896, 560), (1280, 800), (1920, 1200)]),
    ("4:3", 1.333, [(896, 672), (1280, 960), (1920, 1440)]),
]

FIXED = (750, 750)  # content hugging, compression resistance
FLEX = (1, 1)
FONT = "Arial"

sheet = Sheet(SHEET_WIDTH)
constraints = []


# ---- elements ---------------------------------------------------------------------------------------------


class El:
    def __init__(self, tag, action, deck=None, children=None, **attrs):
        self.tag = tag
        self.attrs = {"action": action}
        if deck is not None:
            self.attrs["deck"] = deck
        for k, v in attrs.items():
            if v is not None:
                self.attrs[k] = v
        self.children = children or []

    @property
    def action(self):
        return self.attrs["action"]

    def write(self, out, depth):
        pad = "  " * depth
        attrs = " ".join("%s=%s" % (k, quoteattr(fmt(v))) for k, v in self.attrs.items())
        if self.children:
            out.append("%s<%s %s>" % (pad, self.tag, attrs))
            for c in self.children:
                c.write(out, depth + 1)
            out.append("%s</%s>" % (pad, self.tag))
        else:
            out.append("%s<%s %s/>" % (pad, self.tag, attrs))


def fmt(v):
    if isinstance(v, Coord):
        v = v.value()
    if isinstance(v, bool):
        return "yes" if v else "no"
    if isinstance(v, float):
        return ("%.2f" % v).rstrip("0").rstrip(".")
    return str(v)


def priorities(h, v):
    return {"pCHh": h[0], "pCRh": h[1], "pCHv": v[0], "pCRv": v[1]}


def ref(node):
    """(action, deck) of an element for a constraint: skin-script names take deck -2."""
    if node.action.startswith("_"):
        return node.action, -2
    return node.action, node.attrs.get("deck", -1)


def constrain(a, attr_a, b, attr_b, constant=0, relation="eq", multiplier=1):
    a_action, a_deck = ref(a)
    c = {"action1": a_action, "deck1": a_deck, "attr1": attr_a, "relation": relation}
    if b is not None:
        b_action, b_deck = ref(b)
        c.update({"action2": b_action, "deck2": b_deck, "attr2": attr_b, "multiplier": multiplier})
    c["constant"] = constant
    constraints.append(c)


def stack(name, axis, children, spacing=4, align="Center", dist="Fill", h=FLEX, v=FIXED):
    return El("group", "_" + name, children=children, stack_axis=axis, stack_distribution=dist,
              stack_alignment=align, stack_spacing=spacing, **priorities(h, v))


def hstack(name, children, spacing=4, align="Center", h=FLEX, v=FIXED):
    return stack(name, "Horizontal", children, spacing, align, h=h, v=v)


def vstack(name, children, spacing=4, align="Fill", h=FLEX, v=FIXED):
    return stack(name, "Vertical", children, spacing, align, h=h, v=v)


def spacer(name, w=2, h=2, hp=FLEX, vp=FLEX):
    return El("group", "_" + name, width=w, height=h, **priorities(hp, vp))


def strut(name, h, w=2):
    """A fixed sliver that gives a row of texts its height."""
    return spacer(name, w, h, FIXED, FIXED)


def panel(name, content, colour, pad=6, radius=6, bleed=0):
    """A background of one colour behind a content stack, the content inset by pad on every side.

    A solid background's outermost pixels are only half covered; bleed widens it by that many pixels on
    every side, so that a background filling the window has no see-through edge."""
    bg = El("backsolid", "_%s_bg" % name, width=2 * pad, height=2 * pad, color=colour,
            roundrectradius=radius, **priorities(FLEX, FLEX))
    wrapper = El("group", "_" + name, children=[bg, content], **priorities(FLEX, FLEX))
    for attr, constant in (("Leading", -bleed), ("Top", -bleed), ("Width", 2 * bleed), ("Height", 2 * bleed)):
        constrain(bg, attr, wrapper, attr, constant)
    constrain(content, "Leading", wrapper, "Leading", pad)
    constrain(content, "Top", wrapper, "Top", pad)
    constrain(content, "Trailing", wrapper, "Trailing", -pad)
    constrain(content, "Bottom", wrapper, "Bottom", -pad)
    return wrapper


def text(action, deck, w, size, colour, align="left", bold=False, flex=True, h=None, **extra):
    """A text label: flexible along its row (or at its natural width), at its natural height."""
    if h is None:
        h = math.ceil(size * 1.12)  # the height the label measures for itself once drawn
    return El("textarea", action, deck, width=w, height=h, transparent=True, fontcolor=colour,
              fontname=FONT, fontsize=size, fontalign=align, fontstyle="bold" if bold else None,
              **extra, **priorities(FLEX if flex else FIXED, FIXED))


# ---- controls with pictures -------------------------------------------------------------------------------

STATE_ATTRS = {"up": ("upx", "upy"), "over": ("overx", "overy"), "down": ("downx", "downy"),
               "sel": ("selx", "sely"), "oversel": ("overselx", "oversely"),
               "downsel": ("downselx", "downsely")}


def button(action, deck, w, h, lit=art.BLUE, switch=False, size=11, lamp=None, caption_colour=None,
           round_=False):
    attrs = {}
    key = "button:%s:%s:%s:%d:%d" % ("round" if round_ else "plate", lit, lamp, w, h)
    for state in art.STATES:
        if round_:
            draw = (lambda st: lambda ctx, ww, hh: art.round_button(ctx, ww, hh, st, lit))(state)
        else:
            draw = (lambda st: lambda ctx, ww, hh: art.plate(ctx, ww, hh, st, lit, lamp=lamp))(state)
        x, y = sheet.add(key + ":" + state, w, h, draw)
        ax, ay = STATE_ATTRS[state]
        attrs[ax], attrs[ay] = x, y
    colour = caption_colour or art.TEXT
    return El("button", action, deck, width=w, height=h, isswitch=True if switch else None, showlabel=True,
              transparent=True, fontcolor=colour, fontcolorpressed="#ffffff", fontcolorswitched="#ffffff",
              fontname=FONT, fontsize=size, fontstyle="bold", fontalign="center", **attrs,
              **priorities(FIXED, FIXED))


def fader(action, deck, w, h, cursor, lit, centre=False, ticks=10, fill=True):
    """A slider with a track, a lit slot for the filled part (unless fill is off) and a cap. cursor is the
    cap's length along the track."""
    vertical = h > w
    key = "fader:%d:%d:%s:%s" % (w, h, lit, centre)
    up = sheet.add(key + ":up", w, h,
                   lambda ctx, ww, hh: art.fader_track(ctx, ww, hh, vertical, None, centre, ticks))
    if fill:
        sel = sheet.add(key + ":sel", w, h, lambda ctx, ww, hh: art.fader_track(ctx, ww, hh, vertical, lit))
    else:
        sel = up  # a filled part pictured by the track itself is not drawn
    cw, ch = (w, cursor) if vertical else (cursor, h)
    cap_up = sheet.add("cap:%d:%d:up" % (cw, ch), cw, ch,
                       lambda ctx, ww, hh: art.fader_cap(ctx, ww, hh, vertical, False))
    cap_over = sheet.add("cap:%d:%d:over" % (cw, ch), cw, ch,
                         lambda ctx, ww, hh: art.fader_cap(ctx, ww, hh, vertical, True))
    return El("slider", action, deck, width=w, height=h, upx=up[0], upy=up[1], selx=sel[0], sely=sel[1],
              cursorwidth=cw, cursorheight=ch, cursorupx=cap_up[0], cursorupy=cap_up[1],
              cursoroverx=cap_over[0], cursorovery=cap_over[1], **priorities(FIXED, FIXED))


def knob(action, deck, size, lit=art.BLUE):
    key = "knob:%d:%s" % (size, lit)
    up = sheet.add(key + ":up", size, size, lambda ctx, w, h: art.knob(ctx, w, h, "up"))
    over = sheet.add(key + ":over", size, size, lambda ctx, w, h: art.knob(ctx, w, h, "over"))
    sel = sheet.add(key + ":sel", size, size, lambda ctx, w, h: art.knob(ctx, w, h, "sel", lit))
    ring, ring_w, cap, pointer, length = art.knob_geometry(size)
    return El("slider", action, deck, width=size, height=size, isknob=True, upx=up[0], upy=up[1],
              overx=over[0], overy=over[1], selx=sel[0], sely=sel[1], radius=round(pointer, 1),
              cursorsize=max(2, round(length)), useline=True, linewidth=2, cursorcolor=art.TEXT,
              focusedcursorcolor="#ffffff", innerradius=round(ring - ring_w - 0.5, 1),
              **priorities(FIXED, FIXED))


def meter(action, deck, w, h, step=4):
    pos = sheet.add("meter:%d:%d" % (w, h), w, h, lambda ctx, ww, hh: art.meter(ctx, ww, hh, step))
    return El("vumeter", action, deck, width=w, height=h, upx=pos[0], upy=pos[1], granularity=step,
              **priorities(FIXED, FIXED))


def picture(name, w, h, draw):
    pos = sheet.add("picture:" + name, w, h, draw)
    return El("image", "_" + name, width=w, height=h, upx=pos[0], upy=pos[1], **priorities(FIXED, FIXED))


# ---- the panels -------------------------------------------------------------------------------------------


def top_bar():
    return hstack("topbar", [
        picture("logo", 112, 24, art.logo),
        spacer("top_space"),
        El("textarea", "background_tasks_remaining", width=120, height=14, transparent=True,
           fontcolor=art.TEXT_DIM, fontname=FONT, fontsize=11, fontalign="right",
           **priorities(FIXED, FIXED)),
        meter("vm_cpu", None, 48, 8, step=2),
        text("time", None, 64, 12, art.TEXT_DIM, "center", flex=False),
        text("record_time", None, 44, 12, art.RED, "center", bold=True, flex=False),
        button("recording_audio", None, 48, 24, lit=art.RED, switch=True),
        button("learn", None, 56, 24, switch=True),
        button("cfg", None, 72, 24),
        spacer("top_gap", 8, 2, FIXED, FLEX),
        button("minimize", None, 24, 24),
        button("maximize", None, 24, 24),
        button("close", None, 24, 24, lit=art.RED),
        strut("top_strut", 30),
    ], spacing=6)


def waveforms():
    rows = []
    for deck, colour in enumerate(art.DECK_COLOURS):
        display = El("sounddisplay", "sd_deck", deck, width=600, height=52, datacolor=colour,
                     dataflashcolor=art.RED, cuecolor=art.AMBER if deck == 0 else art.BLUE,
                     loopcolor=art.GREEN, cursorcolor="#ffffff", pCHh=1, pCRh=1, pCHv=750, pCRv=2)
        rows.append(panel("wave%d" % deck, display, art.INSET, pad=2, radius=4))
        constraints.append({"action1": "sd_deck", "deck1": deck, "attr1": "Height", "relation": "ge",
                            "constant": 24})
    # The waveforms give up height first when the window is too short for everything.
    return vstack("waves", rows, spacing=2, v=(750, 1))


def deck_panel(deck):
    d = "AB"[deck]
    accent = art.DECK_COLOURS[deck]
    title_row = hstack("info1_" + d, [
        text("label_deck", deck, 60, 12, accent, bold=True, flex=False),
        text("deck_titlename", deck, 200, 15, art.TEXT, bold=True),
        text("deck_pitch_key_label", deck, 72, 12, art.TEXT_DIM, "right", flex=False),
        text("deck_bpm", deck, 72, 18, art.TEXT, "right", bold=True, flex=False),
        strut("info1s_" + d, 26),
    ], spacing=8)
    artist_row = hstack("info2_" + d, [
        text("deck_artistname", deck, 200, 12, art.TEXT_DIM),
        text("deck_elapsed", deck, 64, 12, art.TEXT, "right", flex=False),
        text("deck_remained", deck, 64, 12, accent, "right", flex=False),
        strut("info2s_" + d, 16),
    ], spacing=8)
    cursor = sheet.add("poscursor", 4, 32, art.position_cursor)
    position = El("slider", "deck_pos", deck, width=400, height=32, datacolor=accent, cursorwidth=4,
                  cursorheight=32, cursorupx=cursor[0], cursorupy=cursor[1], **priorities(FLEX, FIXED))
    overview = panel("overview" + d, position, art.INSET, pad=2, radius=4)
    pitch = vstack("pitchcol" + d, [
        fader("deck_pitch", deck, 32, 100, 14, accent, centre=True, ticks=8),
        text("deck_pitch_tempo", deck, 44, 11, art.TEXT, "center", flex=False),
    ], spacing=4, align="Center", h=FIXED)
    wheel_pos = sheet.add("platter:%d" % deck, 124, 124, lambda ctx, w, h: art.platter(ctx, w, h, accent))
    centre_pos = sheet.add("platter-centre:%d" % deck, 124, 124,
                           lambda ctx, w, h: art.platter_centre(ctx, w, h, accent))
    wheel = El("wheel", "deck_wheel", deck, width=124, height=124, transparentwheelx=wheel_pos[0],
               transparentwheely=wheel_pos[1], defimgx=centre_pos[0], defimgy=centre_pos[1],
               showartwork=True, clipartwork=True, **priorities(FIXED, FIXED))
    play_up = sheet.add("playlive:up", 64, 64, lambda ctx, w, h: art.playlive_face(ctx, w, h, "up"))
    play_down = sheet.add("playlive:down", 64, 64, lambda ctx, w, h: art.playlive_face(ctx, w, h, "down"))
    play = El("playlive", "deck_playlive", deck, width=64, height=64, upx=play_up[0], upy=play_up[1],
              downx=play_down[0], downy=play_down[1], radius=30, cursorsize=4, cursorcolor="#2b3a31",
              trailcursorcolor=art.GREEN, **priorities(FIXED, FIXED))
    transport = vstack("transport" + d, [
        hstack("tr1" + d, [
            button("deck_load", deck, 52, 24, lit=accent),
            button("deck_sync", deck, 52, 24, lit=accent),
            button("deck_key_lock", deck, 52, 24, lit=accent, switch=True),
            button("deck_bend_down", deck, 24, 24, lit=accent, size=13),
            button("deck_bend_up", deck, 24, 24, lit=accent, size=13),
        ], h=FIXED),
        hstack("tr2" + d, [
            button("deck_reverse", deck, 52, 24, lit=accent, switch=True),
            button("deck_brake", deck, 52, 24, lit=accent, switch=True),
            button("deck_reset_pitch", deck, 52, 24, lit=accent),
            button("deck_sd_zoom_less", deck, 24, 24, lit=accent, size=13),
            button("deck_sd_zoom_more", deck, 24, 24, lit=accent, size=13),
        ], h=FIXED),
        hstack("tr3" + d, [
            button("deck_cue", deck, 64, 64, lit=art.AMBER, size=13, caption_colour=art.AMBER, round_=True),
            play,
        ], spacing=16, h=FIXED),
    ], spacing=6, align="Center", h=FIXED)
    gap = spacer("ctlspace" + d)
    parts = [pitch, wheel, gap, transport] if deck == 0 else [transport, gap, wheel, pitch]
    controls = hstack("controls" + d, parts, spacing=8)
    hot_cues = hstack("hotcues" + d, [
        button("deck_cuepos_%d" % (i + 1), deck, 46, 24, lit=art.CUE_COLOURS[i], lamp=art.CUE_COLOURS[i])
        for i in range(8)
    ] + [spacer("hotspace" + d)])
    loops = hstack("loops" + d, [
        text("label_loop", deck, 36, 11, art.TEXT_DIM, bold=True, flex=False),
        button("deck_loop_in_end", deck, 40, 24, lit=accent),
        button("deck_loop_out", deck, 40, 24, lit=accent),
        button("deck_loop_reloop", deck, 56, 24, lit=accent),
    ] + [button(a, deck, 30, 24, lit=accent, switch=True)
         for a in ("deck_loop_half", "deck_loop_1", "deck_loop_2", "deck_loop_4", "deck_loop_8", "deck_loop_16")]
        + [spacer("loopspace" + d)])
    fx = []
    for unit in (1, 2):
        fx += [
            El("dropdownlist", "deck_fx%d_choose_fx" % unit, deck, width=76, height=22, backcolor="#262b33",
               fontcolor=art.TEXT, fontcolorinactive=art.TEXT_DIM, showdownarrow=True, fontname=FONT,
               fontsize=11, fontalign="left", fontoffsetx=6, **priorities(FIXED, FIXED)),
            button("deck_fx%d_toggle" % unit, deck, 30, 22, lit=accent, switch=True, size=10),
            knob("deck_fx%d_drywet" % unit, deck, 26, accent),
            knob("deck_fx%d_param1" % unit, deck, 26, accent),
            knob("deck_fx%d_param2" % unit, deck, 26, accent),
        ]
        if unit == 1:
            fx.append(spacer("fxspace" + d))
    effects = hstack("fx" + d, fx)
    content = vstack("deck" + d + "_in", [title_row, artist_row, overview, controls, hot_cues, loops, effects,
                                         spacer("deckend" + d)], spacing=4, v=FLEX)
    return panel("deck" + d, content, art.PANEL)


def channel_strip(deck):
    d = "AB"[deck]
    accent = art.DECK_COLOURS[deck]
    blocks = []
    for label, action, kill in (("label_gain", "deck_gain", None), ("label_eqhigh", "deck_eq_high", "deck_kill_high"),
                                ("label_eqmid", "deck_eq_mid", "deck_kill_mid"),
                                ("label_eqlow", "deck_eq_low", "deck_kill_low"),
                                ("label_filter", "deck_cutoff_filter", None)):
        side = (button(kill, deck, 30, 18, lit=art.RED, switch=True, size=9) if kill
                else spacer("%s_%s_free" % (action, d), 30, 18, FIXED, FIXED))
        blocks.append(vstack("%s_%s" % (action, d), [
            text(label, deck, 40, 10, art.TEXT_DIM, "center", bold=True, flex=False),
            hstack("%s_%s_row" % (action, d), [knob(action, deck, 36, accent), side], spacing=2, h=FIXED),
        ], spacing=1, align="Center", h=FIXED))
    knobs = vstack("knobs" + d, blocks, spacing=4, align="Center", h=FIXED)
    level = hstack("level" + d, [
        meter("vm_deck", deck, 6, 200),
        fader("deck_volume", deck, 28, 200, 16, accent),
    ], spacing=3, h=FIXED)
    faders = vstack("fadercol" + d, [
        button("deck_monitor", deck, 40, 22, lit=art.AMBER, switch=True, size=10),
        level,
    ], spacing=6, align="Center", h=FIXED)
    return hstack("strip" + d, [knobs, faders], spacing=4, align="Top", h=FIXED)


def mixer_panel():
    centre = vstack("mixcentre", [
        text("label_gain_master", None, 60, 10, art.TEXT_DIM, "center", bold=True, flex=False),
        knob("master_volume", None, 44, art.GREEN),
        text("label_gain_monitor", None, 60, 10, art.TEXT_DIM, "center", bold=True, flex=False),
        knob("monitor_volume", None, 38, art.AMBER),
        text("label_pfl_mix", None, 60, 10, art.TEXT_DIM, "center", bold=True, flex=False),
        knob("cue_pgm_mix", None, 34, art.AMBER),
        hstack("mastermeters", [meter("vm_masterl", None, 6, 76), meter("vm_masterr", None, 6, 76)],
               spacing=3, h=FIXED),
    ], spacing=4, align="Center", h=FIXED)
    strips = hstack("strips", [channel_strip(0), centre, channel_strip(1)], spacing=8, align="Top", h=FIXED)
    crossfader = vstack("xfader", [fader("crossfader", None, 180, 26, 16, art.TEXT_DIM, centre=True, fill=False)],
                        align="Center")
    content = vstack("mixer_in", [strips, crossfader, spacer("mixend")], spacing=6, h=FIXED, v=FLEX)
    return panel("mixer", content, art.PANEL)


def browser_panel():
    icons = sheet.add("icons", 240, 20, lambda ctx, w, h: art.icon_strip(ctx, w, h, 20, 11))
    search = El("editarea", "et_search", width=212, height=24, backcolor="#0b0d10", fontcolor=art.TEXT,
                fontname=FONT, fontsize=12, fontalign="left", **priorities(FLEX, FIXED))
    tree = El("browser", "browser", width=212, height=120, fontcolor=art.TEXT, cursorcolor="#4a5261",
              cursorcoloractive=art.BLUE, linecolor1=art.PANEL, linecolor2="#1a1e24", fontname=FONT,
              fontsize=12, linesize=24, iconx=icons[0], icony=icons[1], iconsize=20, iconspace=0,
              **priorities(FLEX, FLEX))
    constraints.append({"action1": "browser", "deck1": -1, "attr1": "Height", "relation": "ge",
                        "constant": 40})
    content = vstack("browser_in", [search, tree], spacing=4, h=FIXED, v=FLEX)
    return panel("browserpanel", content, art.PANEL, pad=4)


def sampler_panel():
    rows = [hstack("samplerhead", [
        text("label_sampler", None, 80, 11, art.TEXT_DIM, bold=True),
        fader("sampler_master_volume", None, 80, 18, 8, art.GREEN, ticks=4),
        strut("samplerheads", 20),
    ], h=FIXED)]
    for i in range(1, 9):
        rows.append(hstack("sampler%d" % i, [
            button("sampler%d_play" % i, None, 26, 22, lit=art.GREEN, size=11),
            text("sampler%d_name" % i, None, 92, 11, art.TEXT),
            button("sampler%d_loop" % i, None, 40, 22, lit=art.BLUE, switch=True, size=9),
            fader("sampler%d_vol" % i, None, 56, 22, 8, art.GREEN, ticks=4),
        ], h=FIXED))
    content = vstack("sampler_in", rows + [spacer("samplerend")], spacing=2, h=FIXED, v=FLEX)
    return panel("samplerpanel", content, art.PANEL, pad=4)


def library_row():
    table = El("list", "playlist", width=500, height=120, fontcolor=art.TEXT, fontcolorsort=art.BLUE,
               fontcolorloaded="#6b7380", cursorcolor="#4a5261", cursorcoloractive=art.BLUE,
               linecolor1="#121519", linecolor2="#171b20", fontname=FONT, fontsize=12, linesize=36,
               **priorities(FLEX, FLEX))
    constraints.append({"action1": "playlist", "deck1": -1, "attr1": "Height", "relation": "ge",
                        "constant": 40})
    return hstack("library", [browser_panel(), table, sampler_panel()], spacing=4, align="Fill", v=FLEX)


def skin():
    deck_a, deck_b = deck_panel(0), deck_panel(1)
    constrain(deck_a, "Width", deck_b, "Width")
    decks = hstack("decks", [deck_a, mixer_panel(), deck_b], spacing=4, align="Fill")
    main = vstack("main", [top_bar(), waveforms(), decks, library_row()], spacing=4, v=FLEX)
    app = panel("app", main, art.BG, pad=4, radius=0, bleed=1)
    return app


# ---- output -----------------------------------------------------------------------------------------------


def write_xml(path, root_group):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           "<!-- Written by scripts/resources/make_skin.py: change that script and run",
           "     scripts/make-resources.sh rather than editing this file. -->",
           '<skin skinname="Orvel" targetversion="3" screenwidth="%d" screenheight="%d" useconstraints="yes"'
           ' hintfontsize="11">' % (DESIGN_W, DESIGN_H),
           "  <aspectratios_supported>"]
    for name, ratio, sizes in ASPECT_RATIOS:
        out.append('    <aspectratio_supported name="%s" aspectratio="%.3f">' % (name, ratio))
        for w, h in sizes:
            image = SCALES[round(w / DESIGN_W, 3)]
            out.append('      <image name="orvel/%s" resolutionx="%d" resolutiony="%d" images="1"/>'
                       % (image, w, h))
        out.append("    </aspectratio_supported>")
    out.append("  </aspectratios_supported>")
    out.append('  <window action="main" stack_axis="Vertical" stack_distribution="Fill" stack_alignment="Fill"'
               ' stack_spacing="0" pCHh="1" pCRh="1" pCHv="1" pCRv="1">')
    root_group.write(out, 2)
    for c in constraints:
        attrs = " ".join("%s=%s" % (k, quoteattr(fmt(v))) for k, v in c.items())
        out.append("    <constraint %s/>" % attrs)
    out.append("  </window>")
    out.append("</skin>")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def main():
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    skins = os.path.join(resources, "skins")
    images = os.path.join(skins, "orvel")
    os.makedirs(images, exist_ok=True)
    root = skin()
    sheet.pack()
    write_xml(os.path.join(skins, "orvel.xml"), root)
    for factor, name in sorted(SCALES.items()):
        w, h = sheet.render(factor, os.path.join(images, name))
        print("skins/orvel/%s: %d x %d" % (name, w, h))


if __name__ == "__main__":
    main()
