# DadaVizi tray icon artwork.
#
# This file is the source of the .ico files next to it; scripts/make-icons
# turns it into pixels. Edit shapes or colours here, then run
# scripts/make-icons and commit both this file and the regenerated icons.
#
# Coordinates are in pixels of the target image: (0, 0) is the top-left
# corner of the top-left pixel, (size, size) the bottom-right corner of the
# bottom-right one. Edges on whole numbers come out crisp; make-icons
# anti-aliases everything else. The printer is laid out on a 16-unit grid
# and scaled by a whole factor (1, 2, 3) so that every edge lands on a pixel
# boundary at 16, 32 and 48 pixels; only the outline thickness and a few
# details differ per size, because a tray icon at 16x16 needs 1-pixel dark
# outlines to stay readable on both light and dark taskbars. The sizes in
# between (20, 24 and 40 pixels: the small icon at 125, 150 and 250 %
# scaling) scale the grid by 1.25, 1.5 and 2.5 and round each grid edge to
# the nearest pixel boundary, so they stay crisp too; 20 and 24 follow the
# 16-pixel drawing, 40 the 48-pixel one.
#
# Shapes, painted in order (later ones on top):
#   ("rect",   x0, y0, x1, y1, radius, colour)
#   ("circle", cx, cy, r, colour)
#   ("poly",   [(x, y), ...], colour)
#   ("line",   x0, y0, x1, y1, width, colour)   round-capped stroke
# A colour is (r, g, b, a) with 0..255 components, or None to erase:
# an erasing shape punches a transparent hole (used to cut a gap around
# the overlays so they do not melt into the printer).

SIZES = (16, 20, 24, 32, 40, 48)

# (file name, variant) -- the resource script refers to these file names.
ICONS = (
    ("printer.ico", "ready"),
    ("printer-stroke.ico", "stroke"),
    ("printer-crossed.ico", "crossed"),
    ("printer-offline.ico", "offline"),
    ("printer-attention.ico", "attention"),
)

# Printer palette. Cool light greys with a near-black outline read well on
# the light Windows 10/11 taskbar and on the dark one alike.
OUTLINE = (38, 44, 52, 255)
BODY = (196, 203, 212, 255)
BODY_TOP = (226, 231, 237, 255)
BODY_SHADE = (160, 169, 180, 255)
SLOT = (38, 44, 52, 255)
PAPER = (255, 255, 255, 255)
PAPER_SHADE = (226, 232, 240, 255)
INK = (40, 110, 210, 255)          # the printed lines: the "ready" colour
LED = (60, 190, 90, 255)

# Overlays.
GREEN = (46, 184, 76, 255)
GREEN_EDGE = (16, 84, 34, 255)
RED = (230, 40, 40, 255)
RED_EDGE = (110, 10, 10, 255)
AMBER = (255, 186, 20, 255)
AMBER_EDGE = (120, 70, 0, 255)
AMBER_MARK = (40, 26, 0, 255)


def _outline_width(size):
    return {16: 1, 20: 1, 24: 1, 32: 2, 40: 2, 48: 2}[size]


def _unit(size):
    """Pixels per grid unit: whole at 16, 32 and 48, fractional between."""
    return size // 16 if size % 16 == 0 else size / 16


def _small(size):
    """The sizes drawn like the 16-pixel image, without the details."""
    return size < 32


def printer(size, led=LED):
    """The printer itself, common to every state; only the power light
    (drawn at 32x32 and up) follows the state colour."""
    u = _unit(size)         # grid unit in pixels
    t = _outline_width(size)

    def g(v):
        """A grid position in pixels, on a pixel boundary."""
        return round(v * u)

    def box(x0, y0, x1, y1, r, colour, inset=0):
        return ("rect", g(x0) + inset, g(y0) + inset,
                g(x1) - inset, g(y1) - inset, max(g(r) - inset, 0), colour)

    s = []
    # Paper waiting in the feeder, sticking out of the top of the printer.
    s.append(box(4, 1, 12, 6, 0, OUTLINE))
    s.append(box(4, 1, 12, 6, 0, PAPER, t))
    # Body.
    s.append(box(1, 5, 15, 12, 1, OUTLINE))
    s.append(box(1, 5, 15, 12, 1, BODY, t))
    if not _small(size):
        # A lighter lid and a darker base give the body some volume; at
        # 16x16 there is no room for it and it would only add noise.
        s.append(("rect", g(1) + t, g(5) + t, g(15) - t, g(7),
                  max(g(1) - t, 0), BODY_TOP))
        s.append(("rect", g(1) + t, g(11) - g(1) // 2, g(15) - t, g(12) - t,
                  0, BODY_SHADE))
        # Power light on the lid, right of the paper path; a 1-pixel rim
        # rather than the full outline so the colour still shows at 32x32.
        cx, cy = 12.5 * u, 7.5 * u
        s.append(("circle", cx, cy, u, OUTLINE))
        s.append(("circle", cx, cy, u - 1, led))
    # Output slot, a dark band across the front.
    s.append(("rect", g(3), g(9), g(13), g(9) + t, 0, SLOT))
    # The printed sheet coming out of the slot, hanging below the body.
    s.append(("rect", g(4), g(9), g(12), g(16), 0, OUTLINE))
    s.append(("rect", g(4) + t, g(9) + t, g(12) - t, g(16) - t, 0, PAPER))
    if not _small(size):
        # Shadow of the slot on the sheet.
        s.append(("rect", g(4) + t, g(9) + t, g(12) - t, g(10), 0,
                  PAPER_SHADE))
    # Printed lines.
    if _small(size):
        s.append(("rect", g(6), g(11), g(10), g(12), 0, INK))
        s.append(("rect", g(6), g(13), g(9), g(14), 0, INK))
    else:
        # 32 pixels: three thin lines; 40 and 48: four thicker ones.
        # (left, top, step, height, lengths in grid units)
        x0, y, step, h, lengths = {
            32: (11, 21, 3, 1, (5, 4, 5)),
            40: (14, 26, 3, 2, (5, 4, 5, 3)),
            48: (17, 31, 3, 2, (5, 4, 5, 3)),
        }[size]
        for n in lengths:
            s.append(("rect", x0, y, x0 + g(n), y + h, 0, INK))
            y += step
    return s


def _grey(colour):
    """Washed-out grey of a colour, for the offline printer."""
    if colour is None:
        return None
    r, g, b, a = colour
    lum = 0.299 * r + 0.587 * g + 0.114 * b
    # Pull towards a mid grey so the drawing keeps its shape but loses its
    # contrast, like a disabled control; keep it opaque so it still shows
    # on a dark taskbar.
    v = int(round(lum * 0.55 + 150 * 0.45))
    return (v, v, v, a)


def _greyed(shapes):
    out = []
    for shape in shapes:
        out.append(shape[:-1] + (_grey(shape[-1]),))
    return out


# At 16x16 the overlays run exactly along pixel diagonals (end points on
# whole pixel corners, widths in multiples of the pixel diagonal) so that
# they come out as crisp staircases instead of a blur.
_D = 2 ** 0.5


# The edge around either diagonal overlay, by size above 16 pixels.
_OVERLAY_EDGE = {20: 1.0, 24: 1.2, 32: 1.6, 40: 1.8, 48: 2.0}


def _diagonal(size, at16, widths, ends):
    """Width, edge and end coordinates of a diagonal overlay: `at16` gives
    them for 16 pixels, `widths` the width and `ends` the end points as
    fractions of the size for the others."""
    if size == 16:
        return at16
    return widths[size], _OVERLAY_EDGE[size], size * ends[0], size * ends[1]


def _overlay(lines, w, e, edge, colour, size):
    """Round-capped lines with an edge: first a gap cut around all of them
    (above 16 pixels), then every edge, then every line."""
    s = []
    if size > 16:
        s += [("line",) + line + (w + 2 * e + 2, None) for line in lines]
    s += [("line",) + line + (w + 2 * e, edge) for line in lines]
    s += [("line",) + line + (w, colour) for line in lines]
    return s


def stroke(size):
    """One green diagonal stroke from bottom left to top right."""
    w, e, a, b = _diagonal(size, (2 * _D, 0.75 * _D, 2, 14),
                           {20: 3.0, 24: 3.6, 32: 5.0, 40: 6.0, 48: 7.0}, (0.12, 0.88))
    return _overlay([(a, b, b, a)], w, e, GREEN_EDGE, GREEN, size)


def cross(size):
    """A red X over the whole printer."""
    # Thinner and shorter than the stroke so that enough of the printer
    # shows between the arms to tell what is crossed out.
    w, e, a, b = _diagonal(size, (1.5 * _D, 0.75 * _D, 3, 13),
                           {20: 2.8, 24: 3.4, 32: 4.6, 40: 5.6, 48: 6.6}, (0.17, 0.83))
    return _overlay([(a, a, b, b), (a, b, b, a)], w, e, RED_EDGE, RED, size)


def badge(size):
    """Amber round badge with an exclamation mark, bottom right."""
    if size == 16:
        # Hand-placed: the mark is a 1-pixel column, centred in a 9-pixel
        # disc, with a one-pixel gap between bar and dot.
        return [
            ("circle", 11.5, 11.5, 5.2, None),
            ("circle", 11.5, 11.5, 4.5, AMBER_EDGE),
            ("circle", 11.5, 11.5, 3.6, AMBER),
            ("rect", 11, 8, 12, 12, 0, AMBER_MARK),
            ("rect", 11, 13, 12, 14, 0, AMBER_MARK),
        ]
    u = _unit(size)
    cx = cy = size - 4.5 * u
    r = 4.5 * u
    t = _outline_width(size)
    bar_w = u + (u // 2 if size == 48 else 0)
    x0 = round(cx - bar_w / 2)
    return [
        ("circle", cx, cy, r + t + 1, None),
        ("circle", cx, cy, r, AMBER_EDGE),
        ("circle", cx, cy, r - t, AMBER),
        ("rect", x0, cy - 3 * u, x0 + bar_w, cy + u, bar_w / 3, AMBER_MARK),
        ("circle", x0 + bar_w / 2, cy + 2 * u + u / 4, bar_w * 0.6,
         AMBER_MARK),
    ]


def shapes(size, variant):
    """Everything to paint for one image of one icon."""
    if variant == "ready":
        return printer(size)
    if variant == "stroke":
        return printer(size, GREEN) + stroke(size)
    if variant == "crossed":
        return printer(size, RED) + cross(size)
    if variant == "offline":
        return _greyed(printer(size))
    if variant == "attention":
        return printer(size, AMBER) + badge(size)
    raise ValueError("unknown icon variant: %r" % (variant,))
