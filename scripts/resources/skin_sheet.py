"""The skin image of a generated skin: sprites packed onto one sheet and drawn with Cairo at any scale.

A sprite is a rectangle of skin points with a drawing function. The sheet places the sprites (tallest first,
on shelves of a fixed width) and renders the whole image at a scale: a sprite at (x, y) of
size (w, h) lands on the pixels (r(x*s), r(y*s)) of size (r(w*s), r(h*s)), where r rounds the way the skin
loader rounds a scaled coordinate (two decimals, then to the nearest integer, halves to even). So a node
whose coordinates the loader scales by s finds its picture exactly where the scaled sheet drew it.
"""

import cairo

GUTTER = 4  # skin points left empty around every sprite, so scaled pictures never touch


def scaled(value, factor):
    """A coordinate as the skin loader scales it: written with two decimals, read back to the nearest
    integer (halves to even, as C's nearbyint and Python's round do)."""
    return int(round(float("%.2f" % (value * factor))))


class Coord:
    """A sprite's x or y, known once the sheet is packed."""

    def __init__(self, sprite, axis):
        self.sprite, self.axis = sprite, axis

    def value(self):
        v = getattr(self.sprite, self.axis)
        if v is None:
            raise ValueError("sheet not packed yet")
        return v


class Sprite:
    def __init__(self, key, w, h, draw):
        self.key, self.w, self.h, self.draw = key, w, h, draw
        self.x = self.y = None


class Sheet:
    def __init__(self, width):
        self.width = width
        self.sprites = []
        self.by_key = {}
        self._height = None

    def add(self, key, w, h, draw):
        """Adds a sprite (once per key) and returns its corner (x, y) as Coords, resolved by pack()."""
        if key in self.by_key:
            s = self.by_key[key]
            if (s.w, s.h) != (w, h):
                raise ValueError("sprite %s asked for with two sizes" % key)
        else:
            if w + 2 * GUTTER > self.width:
                raise ValueError("sprite %s is wider than the sheet" % key)
            s = Sprite(key, w, h, draw)
            self.sprites.append(s)
            self.by_key[key] = s
        return Coord(s, "x"), Coord(s, "y")

    def pack(self):
        """Places the sprites on shelves, tallest first (ties in the order they were added)."""
        order = sorted(range(len(self.sprites)), key=lambda i: (-self.sprites[i].h, i))
        x, y, shelf = GUTTER, GUTTER, 0
        for i in order:
            s = self.sprites[i]
            if x + s.w + GUTTER > self.width:
                y += shelf + GUTTER
                x, shelf = GUTTER, 0
            s.x, s.y = x, y
            x += s.w + GUTTER
            shelf = max(shelf, s.h)
        self._height = y + shelf + GUTTER

    def height(self):
        return self._height

    def render(self, factor, path):
        width = scaled(self.width, factor)
        height = scaled(self.height(), factor)
        surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
        for s in self.sprites:
            px, py = scaled(s.x, factor), scaled(s.y, factor)
            pw, ph = scaled(s.w, factor), scaled(s.h, factor)
            ctx = cairo.Context(surface)
            ctx.rectangle(px, py, pw, ph)
            ctx.clip()
            ctx.translate(px, py)
            # Drawing functions work in skin points; the sprite's pixel box may be a pixel off the exact
            # product, so each axis is stretched to fill it.
            ctx.scale(pw / s.w, ph / s.h)
            s.draw(ctx, s.w, s.h)
        surface.flush()
        surface.write_to_png(path)
        return width, height
