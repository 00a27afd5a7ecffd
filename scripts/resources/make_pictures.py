#!/usr/bin/python3
"""Writes the pictures of the start-up and shut-down windows: resources/images/loading.png and saving.png.
The window shows the picture alone, so the picture carries its message. Also the plain black picture behind
the karaoke singers list on the video output, resources/images/black160x90.png.

Run it through scripts/make-resources.sh (needs python3-cairo).
"""

import os
import sys

import cairo

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import skin_art as art  # noqa: E402

WIDTH, HEIGHT = 480, 200


def picture(path, title, message, progress):
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, WIDTH, HEIGHT)
    ctx = cairo.Context(surface)
    art.source(ctx, art.BG)
    ctx.paint()
    art.rounded_rect(ctx, 10, 10, WIDTH - 20, HEIGHT - 20, 10)
    art.source(ctx, art.PANEL)
    ctx.fill_preserve()
    ctx.set_line_width(1)
    art.source(ctx, art.PANEL_EDGE)
    ctx.stroke()
    ctx.save()
    ctx.translate(36, 34)
    art.logo(ctx, 200, 40)
    ctx.restore()
    ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_BOLD)
    ctx.set_font_size(20)
    art.source(ctx, art.TEXT)
    ctx.move_to(36, 112)
    ctx.show_text(title)
    ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(13)
    art.source(ctx, art.TEXT_DIM)
    ctx.move_to(36, 136)
    ctx.show_text(message)
    # A bar that suggests work under way.
    art.rounded_rect(ctx, 36, 156, WIDTH - 72, 6, 3)
    art.source(ctx, art.INSET)
    ctx.fill()
    g = cairo.LinearGradient(36, 0, WIDTH - 36, 0)
    g.add_color_stop_rgba(0, *art.rgb(art.BLUE))
    g.add_color_stop_rgba(1, *art.rgb(art.AMBER))
    art.rounded_rect(ctx, 36, 156, (WIDTH - 72) * progress, 6, 3)
    ctx.set_source(g)
    ctx.fill()
    surface.write_to_png(path)


def main():
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    folder = os.path.join(resources, "images")
    os.makedirs(folder, exist_ok=True)
    picture(os.path.join(folder, "loading.png"), "Loading...", "Loading database and settings. Please wait.",
            0.62)
    picture(os.path.join(folder, "saving.png"), "Saving...", "Saving database and settings. Please wait.",
            0.38)
    black = cairo.ImageSurface(cairo.FORMAT_RGB24, 160, 90)
    ctx = cairo.Context(black)
    ctx.set_source_rgb(0, 0, 0)
    ctx.paint()
    black.write_to_png(os.path.join(folder, "black160x90.png"))


if __name__ == "__main__":
    main()
