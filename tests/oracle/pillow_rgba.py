#!/usr/bin/python3
# Writes what Pillow decodes from IN (its first frame) to OUT as a line
# "WIDTH HEIGHT\n" followed by the RGBA bytes, row by row. 16-bit greys are
# given by their high byte, as Pillow gives 16-bit colour samples.
import sys

from PIL import Image


def rgba(path):
    im = Image.open(path)
    im.seek(0)
    if im.mode in ("I", "I;16", "I;16B", "I;16L"):
        level = bytes(min(v, 65535) >> 8 for v in im.getdata())
        alpha = im.info.get("transparency")
        data = bytearray()
        for v, raw in zip(level, im.getdata()):
            data += bytes((v, v, v, 0 if alpha is not None and raw == alpha else 255))
        return im.size, bytes(data)
    return im.size, im.convert("RGBA").tobytes()


def main():
    (w, h), data = rgba(sys.argv[1])
    with open(sys.argv[2], "wb") as out:
        out.write(b"%d %d\n" % (w, h))
        out.write(data)


main()
