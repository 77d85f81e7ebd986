#!/usr/bin/env python3
"""Reads the web test page's report and compares its pictures with the
native player's.

  check_report.py report REPORT [--shot S=NATIVE.png]... [--user-file PATH=FILE]...
                  [--save-dir DIR] [--figures FILE]
      REPORT is the JSON the page posted, or a --dump-dom output holding it.
      Checks that the run ended normally, that for each S both the player's
      own frame and the canvas as the page showed it match NATIVE.png, and
      that each per-user PATH holds the bytes of FILE.
  check_report.py compare A.png B.png
      Compares two pictures as the report check does.
  check_report.py page SCREENSHOT.png --native FRAME.png
      Finds the game's picture in a screenshot of the whole page (the canvas
      scaled to the page, somewhere on it) and checks that it is FRAME.png
      scaled: a coarse look, each of 16 x 12 cells' mean colour close.

Pictures match when at most 0.1 % of the pixels differ by more than 2 in any
channel and none by more than 64: the same engine draws the same pixels, and
the tolerance only covers what a browser may do to a canvas it shows.
"""

import argparse
import base64
import html
import json
import re
import struct
import sys
import zlib


def decode_png(data):
    """8-bit RGB or RGBA, not interlaced -> (width, height, list of RGB rows as bytes)."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, chunks, ihdr = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    if ihdr is None:
        raise ValueError("no IHDR")
    width, height, depth, colour, _, _, interlace = ihdr
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("unsupported PNG (depth %d, colour type %d)" % (depth, colour))
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(chunks))
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        prev = line
        if bpp == 4:
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[0::4], line[1::4], line[2::4]
            rows.append(bytes(rgb))
        else:
            rows.append(bytes(line))
    return width, height, rows


def compare(a, b):
    """(ok, text) for two decoded pictures."""
    (wa, ha, ra), (wb, hb, rb) = a, b
    if (wa, ha) != (wb, hb):
        return False, "sizes differ: %dx%d and %dx%d" % (wa, ha, wb, hb)
    off, worst, total = 0, 0, wa * ha
    for y in range(ha):
        if ra[y] == rb[y]:
            continue
        x, y_row, z = ra[y], rb[y], 0
        for i in range(0, len(x), 3):
            d = max(abs(x[i] - y_row[i]), abs(x[i + 1] - y_row[i + 1]), abs(x[i + 2] - y_row[i + 2]))
            if d > 2:
                z += 1
            worst = max(worst, d)
        off += z
    ok = off <= total // 1000 and worst <= 64
    return ok, "%d of %d pixels differ by more than 2, largest difference %d" % (off, total, worst)


def load_report(path):
    text = open(path, encoding="utf-8").read()
    if not text.lstrip().startswith("{"):
        m = re.search(r'<pre id="qz-report"[^>]*>(.*?)</pre>', text, re.S)
        if not m:
            raise ValueError("%s holds no report (the page did not finish)" % path)
        text = html.unescape(m.group(1))
    return json.loads(text)


def stat_lines(log):
    out = {}
    for line in log:
        m = re.match(r"^(frames|steps|draw|scripts|loading|cpu|progress yields) ([0-9.]+)", line)
        if m:
            out[m.group(1).split()[-1]] = float(m.group(2))
    return out


def cmd_report(a):
    report = load_report(a.report)
    ok = True
    if report.get("status") != 0:
        print("the run ended with status %r: %s" % (report.get("status"), report.get("error", "")))
        print("\n".join(report.get("log", [])[-20:]))
        ok = False
    for spec in a.shot:
        s, native_file = spec.split("=", 1)
        native = decode_png(open(native_file, "rb").read())
        for kind, pictures in (("player frame", report.get("shots", {})), ("canvas", report.get("canvas", {}))):
            got = pictures.get(s)
            if not got:
                print("pass %s: no %s in the report" % (s, kind))
                ok = False
                continue
            png = base64.b64decode(got.split(",", 1)[1] if got.startswith("data:") else got)
            if a.save_dir:
                with open("%s/%s-%s.png" % (a.save_dir, kind.split()[-1], s), "wb") as f:
                    f.write(png)
            same, text = compare(decode_png(png), native)
            print("pass %s, %s against the native frame: %s%s" % (s, kind, text, "" if same else " (MISMATCH)"))
            ok = ok and same
    for spec in a.user_file:
        path, native_file = spec.split("=", 1)
        got = report.get("userFiles", {}).get(path)
        want = open(native_file, "rb").read()
        if got is None:
            print("%s: not in the per-user folder (files: %s)" % (path, ", ".join(report.get("userFiles", {}))))
            ok = False
        elif base64.b64decode(got) != want:
            print("%s: differs from %s" % (path, native_file))
            ok = False
        else:
            print("%s: the same %d bytes as the native run's" % (path, len(want)))
    stats = stat_lines(report.get("log", []))
    if stats.get("yields", 0) < a.min_yields:
        print("%d progress yields inside steps, fewer than %d" % (stats.get("yields", 0), a.min_yields))
        ok = False
    figures = {"firstFrameMs": report.get("firstFrameMs"), "store": report.get("store"), "audio": report.get("audio")}
    if "startMs" in report and "endMs" in report:
        figures["runSeconds"] = (report["endMs"] - report["startMs"]) / 1000.0
    figures.update(stats)
    if stats.get("steps") and figures.get("runSeconds"):
        figures["stepsPerSecond"] = stats["steps"] / figures["runSeconds"]
    print("figures: " + json.dumps(figures, sort_keys=True))
    if a.figures:
        with open(a.figures, "w") as f:
            json.dump(figures, f, sort_keys=True)
    return 0 if ok else 1


def cmd_compare(a):
    same, text = compare(decode_png(open(a.a, "rb").read()), decode_png(open(a.b, "rb").read()))
    print(text)
    return 0 if same else 1


def cell_means(width, height, rows, x0, y0, w, h, nx=16, ny=12):
    """Mean RGB of nx x ny cells of the rectangle (x0, y0, w, h)."""
    out = []
    for cy in range(ny):
        for cx in range(nx):
            ax, bx = x0 + cx * w // nx, x0 + (cx + 1) * w // nx
            ay, by = y0 + cy * h // ny, y0 + (cy + 1) * h // ny
            sums, n = [0, 0, 0], 0
            for y in range(ay, by, 2):
                row = rows[y]
                for x in range(ax, bx, 2):
                    for c in range(3):
                        sums[c] += row[3 * x + c]
                    n += 1
            out.append([s / max(n, 1) for s in sums])
    return out


def cmd_page(a):
    width, height, rows = decode_png(open(a.screenshot, "rb").read())
    native = decode_png(open(a.native, "rb").read())
    want = cell_means(native[0], native[1], native[2], 0, 0, native[0], native[1])
    # The page's bar (#222) runs across the top; below it the canvas keeps
    # 4:3 and is centred in the rest of the page.
    bar = 0
    while bar < height and rows[bar][3 * (width - 1):3 * width] == bytes([34, 34, 34]):
        bar += 1
    scale = min(width / 1024.0, (height - bar) / 768.0)
    w, h = round(1024 * scale), round(768 * scale)
    x0, y0 = (width - w) // 2, bar + (height - bar - h) // 2
    got = cell_means(width, height, rows, x0, y0, w, h)
    err = sum(abs(g[c] - t[c]) for g, t in zip(got, want) for c in range(3)) / (len(want) * 3)
    ok = bar > 0 and err < 12
    print("the page shows the game's picture at %dx%d+%d+%d (bar %d rows), mean cell difference %.1f%s"
          % (w, h, x0, y0, bar, err, "" if ok else " (MISMATCH)"))
    return 0 if ok else 1


def main():
    p = argparse.ArgumentParser()
    sub = p.add_subparsers(dest="cmd", required=True)
    r = sub.add_parser("report")
    r.add_argument("report")
    r.add_argument("--shot", action="append", default=[])
    r.add_argument("--user-file", action="append", default=[])
    r.add_argument("--save-dir")
    r.add_argument("--figures")
    r.add_argument("--min-yields", type=int, default=0,
                   help="at least this many progress yields inside steps (Asyncify at work)")
    c = sub.add_parser("compare")
    c.add_argument("a")
    c.add_argument("b")
    g = sub.add_parser("page")
    g.add_argument("screenshot")
    g.add_argument("--native", required=True)
    a = p.parse_args()
    return {"report": cmd_report, "compare": cmd_compare, "page": cmd_page}[a.cmd](a)


if __name__ == "__main__":
    sys.exit(main())
