"""Writers for the resource formats: uncompressed BMP (24-bit, or 32-bit with
a zero alpha byte) and a 16-colour ICO with 32x32 and 16x16 images."""

import struct

from PIL import Image

FILE_HEADER = 14
INFO_HEADER = 40


def _row_padding(row_bytes):
    return (4 - row_bytes % 4) % 4


def write_bmp(image, path, bits):
    """Writes an RGB image bottom-up as BI_RGB with 24 or 32 bits per pixel.
    32-bit pixels carry alpha 0, which the program ignores."""
    assert bits in (24, 32)
    rgb = image.convert("RGB")
    width, height = rgb.size
    bpp = bits // 8
    pad = _row_padding(width * bpp)
    pixels = rgb.load()
    body = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixels[x, y]
            body += bytes((b, g, r)) if bits == 24 else bytes((b, g, r, 0))
        body += b"\0" * pad
    offset = FILE_HEADER + INFO_HEADER
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", INFO_HEADER, width, height, 1, bits, 0, len(body),
                       2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)


def _ico_image(image, size):
    """One 4-bit DIB entry: 16-colour palette, colour rows, then the AND mask."""
    rgba = image.convert("RGBA").resize((size, size), Image.LANCZOS)
    opaque = rgba.split()[3].point(lambda a: 255 if a >= 128 else 0)
    flat = Image.new("RGB", (size, size), (0, 0, 0))
    flat.paste(rgba.convert("RGB"), mask=opaque)
    quant = flat.quantize(colors=16, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = quant.getpalette()[:48]
    palette += [0] * (48 - len(palette))
    indices = quant.load()
    mask = opaque.load()
    colour_row = size // 2
    colour_pad = _row_padding(colour_row)
    mask_row = (size + 7) // 8
    mask_pad = _row_padding(mask_row)
    body = bytearray()
    for i in range(16):
        r, g, b = palette[3 * i:3 * i + 3]
        body += bytes((b, g, r, 0))
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(0, size, 2):
            row.append((indices[x, y] << 4) | indices[x + 1, y])
        body += row + b"\0" * colour_pad
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(size):
            if mask[x, y] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        body += row + b"\0" * mask_pad
    info = struct.pack("<IiiHHIIiiII", INFO_HEADER, size, size * 2, 1, 4, 0,
                       len(body), 0, 0, 16, 0)
    return info + body


def write_ico(image, path, sizes=(32, 16)):
    entries = [_ico_image(image, s) for s in sizes]
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(header) + 16 * len(entries)
    directory = bytearray()
    for size, data in zip(sizes, entries):
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + directory + b"".join(entries))
