#!/usr/bin/env python3
"""Screenshot and geometry helper for the end-to-end check of room-planner.

Reads X window dumps (xwd -root -silent), compares regions of them, finds the entries of an open
pop-up menu, converts dumps to PNG, and projects points of a placed wardrobe into the window with
the program's initial perspective camera. Standard library only.

Commands:
  png DUMP OUT.png [X0 Y0 X1 Y1]     write the dump (or the region) as a PNG
  diff A B X0 Y0 X1 Y1 [BX0 BY0]     print how many pixels of the region differ and by how much;
                                     with BX0 BY0, the region of B starts there instead (the same
                                     window shown at two places)
  menu-entry OPEN CLOSED PX PY INDEX COUNT
                                     root position of entry INDEX (0-based) of a COUNT-entry menu
                                     opened at root (PX, PY); OPEN and CLOSED are dumps with and
                                     without the menu
  wardrobe-door WX WY PIXEL_X PIXEL_Y
                                     for a wardrobe placed by a click at window pixel (PIXEL_X,
                                     PIXEL_Y) of the plan view, with the window at root (WX, WY):
                                     "CLICK_X CLICK_Y X0 Y0 X1 Y1", the root position to click on
                                     its left door and the root rectangle that the closed door
                                     covers, both in the perspective view
Regions are in root coordinates, X1 and Y1 exclusive.
"""

import math
import struct
import sys
import zlib

WINDOW_SIZE = 500


class Dump:
    """An xwd dump of a TrueColor screen, read into memory."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        h = struct.unpack(">25I", data[:100])
        self.width, self.height = h[4], h[5]
        self.lsb_first = h[7] == 0
        self.bytes_per_pixel = h[11] // 8
        self.bytes_per_line = h[12]
        self.masks = h[14:17]
        self.offset = h[0] + h[19] * 12
        self.data = data
        if self.bytes_per_pixel not in (3, 4):
            raise SystemExit("unsupported dump: %d bits per pixel" % h[11])

    def rgb(self, x, y):
        at = self.offset + y * self.bytes_per_line + x * self.bytes_per_pixel
        raw = self.data[at:at + self.bytes_per_pixel]
        value = int.from_bytes(raw, "little" if self.lsb_first else "big")
        out = []
        for mask in self.masks:
            shift = (mask & -mask).bit_length() - 1
            out.append((value & mask) >> shift)
        return tuple(out)

    def same_format(self, other):
        return (self.lsb_first, self.bytes_per_pixel, self.masks) == (
            other.lsb_first, other.bytes_per_pixel, other.masks)

    def holds(self, box):
        return 0 <= box[0] <= box[2] <= self.width and 0 <= box[1] <= box[3] <= self.height

    def row_bytes(self, box, y):
        """The bytes of row y of the region box (x0 y0 x1 y1), which lies inside the dump."""
        at = self.offset + (box[1] + y) * self.bytes_per_line + box[0] * self.bytes_per_pixel
        return self.data[at:at + (box[2] - box[0]) * self.bytes_per_pixel]

    def region(self, x0, y0, x1, y1):
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(self.width, x1), min(self.height, y1)
        return [[self.rgb(x, y) for x in range(x0, x1)] for y in range(y0, y1)]


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, body):
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def cmd_png(args):
    dump = Dump(args[0])
    box = [int(v) for v in args[2:6]] if len(args) >= 6 else [0, 0, dump.width, dump.height]
    write_png(args[1], dump.region(*box))


def cmd_diff(args):
    a, b = Dump(args[0]), Dump(args[1])
    box = [int(v) for v in args[2:6]]
    box_b = box
    if len(args) >= 8:
        bx, by = int(args[6]), int(args[7])
        box_b = [bx, by, bx + box[2] - box[0], by + box[3] - box[1]]
    changed = 0
    largest = 0
    total = 0
    if a.same_format(b) and a.holds(box) and b.holds(box_b):
        # Rows whose bytes are equal hold no differing pixel: only the others are decoded.
        rows = [y for y in range(box[3] - box[1]) if a.row_bytes(box, y) != b.row_bytes(box_b, y)]
        total = (box[2] - box[0]) * (box[3] - box[1]) - len(rows) * (box[2] - box[0])
        pairs = [(a.region(box[0], box[1] + y, box[2], box[1] + y + 1)[0],
                  b.region(box_b[0], box_b[1] + y, box_b[2], box_b[1] + y + 1)[0]) for y in rows]
    else:
        pairs = zip(a.region(*box), b.region(*box_b))
    for row_a, row_b in pairs:
        for pa, pb in zip(row_a, row_b):
            total += 1
            delta = max(abs(ca - cb) for ca, cb in zip(pa, pb))
            if delta:
                changed += 1
                largest = max(largest, delta)
    print("changed=%d total=%d largest=%d" % (changed, total, largest))


def cmd_menu_entry(args):
    opened, closed = Dump(args[0]), Dump(args[1])
    px, py, index, count = (int(v) for v in args[2:6])
    # The menu opens with a corner at the pointer (shifted if it would leave the screen). Its
    # window is the box of pixels that differ between the two dumps around the pointer.
    search = [px - 400, py - 600, px + 400, py + 600]
    x0, y0, x1, y1 = None, None, None, None
    rows = zip(opened.region(*search), closed.region(*search))
    for dy, (row_o, row_c) in enumerate(rows):
        for dx, (po, pc) in enumerate(zip(row_o, row_c)):
            if po != pc:
                x = max(0, search[0]) + dx
                y = max(0, search[1]) + dy
                x0 = x if x0 is None else min(x0, x)
                y0 = y if y0 is None else min(y0, y)
                x1 = x + 1 if x1 is None else max(x1, x + 1)
                y1 = y + 1 if y1 is None else max(y1, y + 1)
    if x0 is None:
        raise SystemExit("no menu found near %d, %d" % (px, py))
    entry_height = (y1 - y0) / count
    print("%d %d" % ((x0 + x1) // 2, int(y0 + (index + 0.5) * entry_height)))
    print("menu %d %d %d %d entry-height %.1f" % (x0, y0, x1, y1, entry_height), file=sys.stderr)


# ---- the perspective view of the initial camera, for a 500 x 500 window ----


def mat_mul(a, b):
    return [[sum(a[r][k] * b[k][c] for k in range(4)) for c in range(len(b[0]))] for r in range(4)]


def translation(x, y, z):
    return [[1, 0, 0, x], [0, 1, 0, y], [0, 0, 1, z], [0, 0, 0, 1]]


def rotation(degrees, axis):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    if axis == "x":
        return [[1, 0, 0, 0], [0, c, -s, 0], [0, s, c, 0], [0, 0, 0, 1]]
    if axis == "y":
        return [[c, 0, s, 0], [0, 1, 0, 0], [-s, 0, c, 0], [0, 0, 0, 1]]
    return [[c, -s, 0, 0], [s, c, 0, 0], [0, 0, 1, 0], [0, 0, 0, 1]]


def frustum(left, right, bottom, top, near, far):
    return [
        [2 * near / (right - left), 0, (right + left) / (right - left), 0],
        [0, 2 * near / (top - bottom), (top + bottom) / (top - bottom), 0],
        [0, 0, -(far + near) / (far - near), -2 * far * near / (far - near)],
        [0, 0, -1, 0],
    ]


# Distance 60, pitch 5, yaw 30, roll 0, orbiting the point (20, 10, 20).
MODEL_VIEW = translation(0, 0, -60)
for step in (rotation(5, "x"), rotation(30, "y"), rotation(0, "z"), translation(-20, -10, -20)):
    MODEL_VIEW = mat_mul(MODEL_VIEW, step)
PROJECTION = frustum(-1, 1, -1, 1, 2, 200)


def window_position(point):
    """Window pixel (x right, y down) of a room point."""
    clip = mat_mul(PROJECTION, mat_mul(MODEL_VIEW, [[point[0]], [point[1]], [point[2]], [1]]))
    x, y, w = clip[0][0], clip[1][0], clip[3][0]
    return ((x / w + 1) / 2 * WINDOW_SIZE, WINDOW_SIZE - (y / w + 1) / 2 * WINDOW_SIZE)


def cmd_wardrobe_door(args):
    wx, wy, pixel_x, pixel_y = (int(v) for v in args)
    # The plan view maps the window onto the floor from -2 to 40 on both axes.
    ox = pixel_x * 42 / WINDOW_SIZE - 2
    oz = pixel_y * 42 / WINDOW_SIZE - 2
    # The closed left door: 4.95 wide from the wardrobe's left edge, 8.25 to 24.75 high, its
    # outer face at z = 7.25 in front of the wardrobe's back.
    corners = [(ox + dx, oy, oz + 7.25) for dx in (0, 4.95) for oy in (8.25, 24.75)]
    pixels = [window_position(c) for c in corners]
    cx, cy = window_position((ox + 2.0, 14.0, oz + 7.25))  # off the handle, in the door's face
    xs = [p[0] for p in pixels]
    ys = [p[1] for p in pixels]
    print("%d %d %d %d %d %d" % (wx + round(cx), wy + round(cy),
                                 wx + math.floor(min(xs)), wy + math.floor(min(ys)),
                                 wx + math.ceil(max(xs)), wy + math.ceil(max(ys))))


COMMANDS = {
    "png": cmd_png,
    "diff": cmd_diff,
    "menu-entry": cmd_menu_entry,
    "wardrobe-door": cmd_wardrobe_door,
}

if __name__ == "__main__":
    if len(sys.argv) < 2 or sys.argv[1] not in COMMANDS:
        raise SystemExit(__doc__)
    COMMANDS[sys.argv[1]](sys.argv[2:])
