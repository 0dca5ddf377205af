"""Drawing helpers: supersampled shapes for smooth edges, gradients, glows and
text in the Nanum faces."""

import math

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor for shapes

FONT_DIR = "/usr/share/fonts/truetype/nanum/"
FONTS = {
    "gothic": "NanumGothic.ttf",
    "gothic-bold": "NanumGothicBold.ttf",
    "barun": "NanumBarunGothic.ttf",
    "barun-bold": "NanumBarunGothicBold.ttf",
    "square": "NanumSquareR.ttf",
    "square-bold": "NanumSquareB.ttf",
    "round-bold": "NanumSquareRoundB.ttf",
}
_font_cache = {}


def font(name, px):
    key = (name, px)
    if key not in _font_cache:
        _font_cache[key] = ImageFont.truetype(FONT_DIR + FONTS[name], px)
    return _font_cache[key]


class Layer:
    """A transparent drawing layer at SS times the target size, drawn in
    target coordinates (floats allowed) and reduced when composited."""

    def __init__(self, size):
        self.size = size
        self.image = Image.new("RGBA", (size[0] * SS, size[1] * SS), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    @staticmethod
    def _s(v):
        return v * SS

    def box(self, x0, y0, x1, y1):
        return [self._s(x0), self._s(y0), self._s(x1) - 1, self._s(y1) - 1]

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1.0):
        self.draw.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                          width=max(1, round(width * SS)))

    def rounded(self, x0, y0, x1, y1, radius, fill=None, outline=None, width=1.0):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius=radius * SS, fill=fill,
                                    outline=outline, width=max(1, round(width * SS)))

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle(self.box(x0, y0, x1, y1), fill=fill)

    def polygon(self, points, fill=None, outline=None):
        self.draw.polygon([(x * SS, y * SS) for x, y in points], fill=fill, outline=outline)

    def line(self, points, fill, width=1.0):
        self.draw.line([(x * SS, y * SS) for x, y in points], fill=fill,
                       width=max(1, round(width * SS)), joint="curve")

    def arc(self, x0, y0, x1, y1, start, end, fill, width=1.0):
        self.draw.arc(self.box(x0, y0, x1, y1), start, end, fill=fill,
                      width=max(1, round(width * SS)))

    def reduced(self):
        # Area averaging: exact coverage, and no ringing that would tint the
        # plain areas next to a shape.
        return self.image.resize(self.size, Image.BOX)


def over(base, layer, pos=(0, 0)):
    """Composites a Layer (or an RGBA image) onto an RGB base in place."""
    top = layer.reduced() if isinstance(layer, Layer) else layer
    rgba = base.convert("RGBA")
    rgba.alpha_composite(top, dest=pos)
    base.paste(rgba.convert("RGB"))


def vertical_gradient(size, stops):
    """stops: list of (position 0..1, (r, g, b))."""
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for i in range(len(stops) - 1):
            (p0, c0), (p1, c1) = stops[i], stops[i + 1]
            if p0 <= t <= p1:
                k = (t - p0) / max(1e-9, p1 - p0)
                c = tuple(round(a + (b - a) * k) for a, b in zip(c0, c1))
                break
        for x in range(w):
            px[x, y] = c
    return img


def gradient_fill(size, top, bottom):
    return vertical_gradient(size, [(0.0, top), (1.0, bottom)])


def masked(image_rgb, mask_l):
    rgba = image_rgb.convert("RGBA")
    rgba.putalpha(mask_l)
    return rgba


def shape_mask(size, draw_fn):
    """A smooth L mask: draw_fn(layer) draws white shapes on a Layer."""
    layer = Layer(size)
    draw_fn(layer)
    return layer.reduced().split()[3]


def clipped(rgba, mask_l):
    """The RGBA image with its alpha limited to the mask."""
    out = rgba.copy()
    out.putalpha(ImageChops.multiply(rgba.split()[3], mask_l))
    return out


def glow(mask_l, colour, radius, strength=1.0):
    blurred = mask_l.filter(ImageFilter.GaussianBlur(radius))
    if strength != 1.0:
        blurred = blurred.point(lambda a: min(255, int(a * strength)))
    solid = Image.new("RGBA", mask_l.size, colour + (0,))
    solid.putalpha(blurred)
    return solid


def text_size(text, fnt):
    x0, y0, x1, y1 = fnt.getbbox(text)
    return x1 - x0, y1 - y0


def text_layer(size, pos, text, fnt, fill, anchor="la", shadow=None, glow_colour=None,
               glow_radius=2.0):
    """RGBA image of `size` with the text (optionally glowing / shadowed)."""
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    if glow_colour is not None:
        m = Image.new("L", size, 0)
        ImageDraw.Draw(m).text(pos, text, font=fnt, fill=255, anchor=anchor)
        img.alpha_composite(glow(m, glow_colour, glow_radius, 1.6))
    if shadow is not None:
        ImageDraw.Draw(img).text((pos[0] + 1, pos[1] + 1), text, font=fnt, fill=shadow,
                                 anchor=anchor)
    ImageDraw.Draw(img).text(pos, text, font=fnt, fill=fill, anchor=anchor)
    return img


def draw_text(base, pos, text, fnt, fill, anchor="la", shadow=None, glow_colour=None,
              glow_radius=2.0):
    over(base, text_layer(base.size, pos, text, fnt, fill, anchor, shadow, glow_colour,
                          glow_radius))


def text_box(text, fnt, pos, anchor="la"):
    img = Image.new("L", (1, 1))
    return ImageDraw.Draw(img).textbbox(pos, text, font=fnt, anchor=anchor)


def gear_points(cx, cy, outer, inner, teeth, phase=0.0):
    pts = []
    for i in range(teeth * 4):
        a = phase + 2 * math.pi * i / (teeth * 4)
        r = outer if (i % 4) in (1, 2) else inner
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts
