#!/usr/bin/env python3
"""Draws the toolbar strip (resources/toolbar.bmp: twelve 16 x 16 images,
the size of the standard images beside them, so the toolbar takes the strip
as it is instead of enlarging a copy; 4 bits per pixel, standard VGA palette) and the program icon
(resources/fardelix.ico: 32 x 32 and 16 x 16, 4 bits per pixel).
Run it again after changing a picture; the outputs are committed."""
import os, struct

PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
# Colour 7 (light grey, 192,192,192) is the background: the toolbar maps it
# to the button face colour.
BG, BLK, RED, GRN, YEL, BLU, GRY, DGY, WHT = 7, 0, 9, 2, 11, 12, 7, 8, 15

# Each picture: 15 rows of 16 characters. '.' background, letters colours.
KEY = {'.': BG, 'k': BLK, 'r': RED, 'g': GRN, 'y': YEL, 'b': BLU, 'l': GRY, 'd': DGY, 'w': WHT, 'o': 3}
PICTURES = [
 # 0 new archive: a box with a green plus
 ["................","..........gg....","..........gg....","........gggggg..","........gggggg..","..........gg....",
  "..oooooo..gg....",".oyyyyyyo.......","oooooooooo......","oyyyykyyyo......","oyyyykyyyo......","oyyyyyyyyo......",
  "oyyyyyyyyo......","oooooooooo......","................"],
 # 1 open archive: box with arrow up
 ["................","......bb........",".....bbbb.......","....bbbbbb......","......bb........","......bb........",
  "..oooooooooo....",".oyyyyyyyyyyo...","oooooooooooooo..","oyyyyykkyyyyyo..","oyyyyyyyyyyyyo..","oyyyyyyyyyyyyo..",
  "oyyyyyyyyyyyyo..","oooooooooooooo..","................"],
 # 2 edit: page and pencil
 ["................",".kkkkkkkk.......",".kwwwwwwk.......",".kwkkkkwk....rr.",".kwwwwwwk...rry.",".kwkkkkwk..rry..",
  ".kwwwwwwk.rry...",".kwkkkkwkrry....",".kwwwwwwrry.....",".kwkkkkwyy......",".kwwwwwwk.......",".kwkkkkwk.......",
  ".kwwwwwwk.......",".kkkkkkkk.......","................"],
 # 3 delete: red cross
 ["................",".rr.........rr..",".rrr.......rrr..","..rrr.....rrr...","...rrr...rrr....","....rrr.rrr.....",
  ".....rrrrr......","......rrr.......",".....rrrrr......","....rrr.rrr.....","...rrr...rrr....","..rrr.....rrr...",
  ".rrr.......rrr..",".rr.........rr..","................"],
 # 4 delete done: check with cross
 ["................","............gg..","...........gg...","..........gg....",".gg......gg.....","..gg....gg......",
  "...gg..gg.......","....gggg........",".....gg.........","..........r...r.","...........r.r..","............r...",
  "...........r.r..","..........r...r.","................"],
 # 5 up: blue arrow
 ["................",".......bb.......","......bbbb......",".....bbbbbb.....","....bbbbbbbb....","...bbbbbbbbbb...",
  "..bbbbbbbbbbbb..",".......bb.......",".......bb.......",".......bb.......",".......bb.......",".......bb.......",
  ".......bb.......",".......bb.......","................"],
 # 6 down: blue arrow
 ["................",".......bb.......",".......bb.......",".......bb.......",".......bb.......",".......bb.......",
  ".......bb.......",".......bb.......","..bbbbbbbbbbbb..","...bbbbbbbbbb...","....bbbbbbbb....",".....bbbbbb.....",
  "......bbbb......",".......bb.......","................"],
 # 7 start: green triangle
 ["................","....g...........","....gg..........","....ggg.........","....gggg........","....ggggg.......",
  "....gggggg......","....ggggggg.....","....gggggg......","....ggggg.......","....gggg........","....ggg.........",
  "....gg..........","....g...........","................"],
 # 8 stop: red square
 ["................","................","...rrrrrrrrrr...","...rrrrrrrrrr...","...rrrrrrrrrr...","...rrrrrrrrrr...",
  "...rrrrrrrrrr...","...rrrrrrrrrr...","...rrrrrrrrrr...","...rrrrrrrrrr...","...rrrrrrrrrr...","...rrrrrrrrrr...",
  "................","................","................"],
 # 9 start all: two triangles
 ["................","..g.....g.......","..gg....gg......","..ggg...ggg.....","..gggg..gggg....","..ggggg.ggggg...",
  "..gggggggggggg..","..ggggggggggggg.","..gggggggggggg..","..ggggg.ggggg...","..gggg..gggg....","..ggg...ggg.....",
  "..gg....gg......","..g.....g.......","................"],
 # 10 stop all: two squares
 ["................","................",".rrrrr..rrrrr...",".rrrrr..rrrrr...",".rrrrr..rrrrr...",".rrrrr..rrrrr...",
  ".rrrrr..rrrrr...",".rrrrr..rrrrr...",".rrrrr..rrrrr...",".rrrrr..rrrrr...",".rrrrr..rrrrr...",".rrrrr..rrrrr...",
  "................","................","................"],
 # 11 open folder: yellow folder
 ["................","................","................",".kkkk...........","kyyyyk..........","kyyyyykkkkkkk...",
  "kyyyyyyyyyyyk...","kyyykkkkkkkkkkk.","kyyk.yyyyyyyyyk.","kyk.yyyyyyyyyk..","kyk.yyyyyyyyyk..","kk.yyyyyyyyyk...",
  "kkkkkkkkkkkkk...","................","................"],
]

def pack_rows(pixels, width, height):
    """Bottom-up 4-bit rows, each padded to 4 bytes."""
    stride = ((width * 4 + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(0, width, 2):
            row.append((pixels[y][x] << 4) | pixels[y][x + 1])
        out += row + bytes(stride - len(row))
    return bytes(out)

def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)

def info_header(width, height, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 16)

def write_strip(path):
    # The pictures have 15 rows; the 16th is background.
    width, height = 16 * len(PICTURES), 16
    rows = [picture + ["." * 16] for picture in PICTURES]
    pixels = [[KEY[rows[i][y][x % 16]] for x in range(width) for i in [x // 16]] for y in range(height)]
    data = pack_rows(pixels, width, height)
    header = info_header(width, height, len(data)) + palette_bytes()
    offset = 14 + len(header)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset) + header + data)

def icon_pixels(size):
    """A yellow archive box with a blue band, on a transparent ground."""
    pix, mask = [], []
    for y in range(size):
        row, mrow = [], []
        for x in range(size):
            u, v = x * 32 // size, y * 32 // size
            inside = 3 <= u <= 28 and 6 <= v <= 28
            if not inside:
                row.append(0); mrow.append(1); continue
            mrow.append(0)
            if u in (3, 28) or v in (6, 28) or v == 12:
                row.append(BLK)
            elif 14 <= u <= 17:
                row.append(BLU)
            elif v < 12:
                row.append(3)
            else:
                row.append(YEL)
        pix.append(row); mask.append(mrow)
    return pix, mask

def write_icon(path):
    images = []
    for size in (32, 16):
        pix, mask = icon_pixels(size)
        xor = pack_rows(pix, size, size)
        mstride = ((size + 31) // 32) * 4
        andbits = bytearray()
        for y in range(size - 1, -1, -1):
            row = bytearray(mstride)
            for x in range(size):
                if mask[y][x]:
                    row[x // 8] |= 0x80 >> (x % 8)
            andbits += row
        header = info_header(size, size * 2, len(xor) + len(andbits))
        images.append((size, header + palette_bytes() + xor + bytes(andbits)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blob for _, blob in images))

if __name__ == '__main__':
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    write_strip(os.path.join(here, 'toolbar.bmp'))
    write_icon(os.path.join(here, 'fardelix.ico'))
