#!/usr/bin/python3
"""Draws and writes everything that ships in data/: pictures, the alarm sound,
the empty list files and the placeholder reminder text.

    tools/make-data.py [--out DIR] [--preview DIR]

--out       where to write, default the repository's data/
--preview   also write PNG previews scaled 4x (the clock with sample text over
            its background, every glyph and button) for looking at the artwork

Needs the Debian packages python3 and python3-pil (run with /usr/bin/python3, so
a python from elsewhere on PATH does not hide Debian's PIL) and lame for the MP3.
The output is the same on every run; the generated files are committed, so a
build never needs these packages.
"""

import argparse
import math
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import wave
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

# The clock's label colour, light cyan.
CLOCK_TEXT = (128, 255, 255)
# Window colour of the settings window. Button bitmaps sit on it: the normal
# picture is drawn transparent by this key colour (its bottom-left pixel), the
# hover and pressed pictures opaque, so their corners must match the window.
BUTTON_KEY = (131, 226, 250)
# Menu glyphs: the bottom-left pixel is the transparent colour, and no pixel of
# the glyph itself is pure white, so a mask from this colour is clean.
GLYPH_KEY = (255, 255, 255)

CLOCK_SIZE = (127, 47)
OPTIONS_BUTTON_SIZE = (241, 73)
EDITOR_BUTTON_SIZE = (160, 36)

LIST_FILES = [
    "1Actions.zdt", "1Paths.zdt", "1Times.zdt", "1Dates.zdt", "1Ids.zdt",
    "Titles.zdt", "Messes.zdt", "Times.zdt", "Dates.zdt", "IDs.zdt",
]
PLACEHOLDER_TEXT = "Текст напоминания"


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp8(v):
    return max(0, min(255, int(round(v))))


# ---------------------------------------------------------------- background

def draw_background():
    w, h = CLOCK_SIZE
    rng = random.Random(1901)
    navy = (9, 20, 56)
    indigo = (36, 18, 86)
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            u, v = x / (w - 1), y / (h - 1)
            c = mix(navy, indigo, 0.45 * u + 0.55 * v)
            # Soft light in the upper right, away from the text.
            g = math.exp(-(((x - 108) / 34.0) ** 2 + ((y - 6) / 22.0) ** 2))
            c = tuple(ch + k * g for ch, k in zip(c, (22, 58, 96)))
            # A faint aurora ribbon sweeping low across the right half.
            mid = 36 - 13 * u + 3.0 * math.sin(u * 5.2)
            band = math.exp(-((y - mid) / 3.2) ** 2) * max(0.0, u - 0.3) / 0.7
            c = tuple(ch + k * band for ch, k in zip(c, (10, 34, 40)))
            # Vignette keeps the edges deep.
            r = ((u - 0.45) / 0.75) ** 2 + ((v - 0.5) / 0.9) ** 2
            c = tuple(ch * (1.0 - 0.28 * min(1.0, r)) for ch in c)
            # Dither against banding in the JPEG.
            n = rng.uniform(-1.6, 1.6)
            px[x, y] = tuple(clamp8(ch + n) for ch in c)
    # Bevel: a borderless clock still needs an edge against the desktop.
    for x in range(w):
        px[x, 0] = tuple(clamp8(ch * 1.25 + 14) for ch in px[x, 0])
        px[x, h - 1] = tuple(clamp8(ch * 0.55) for ch in px[x, h - 1])
    for y in range(1, h - 1):
        px[0, y] = tuple(clamp8(ch * 1.15 + 8) for ch in px[0, y])
        px[w - 1, y] = tuple(clamp8(ch * 0.6) for ch in px[w - 1, y])
    return img


# -------------------------------------------------------------- menu glyphs

GLYPH_SS = 16  # supersampling: edges on whole pixels stay sharp, slants are smoothed


def glyph(arrow_down, fill_top, fill_bottom, outline):
    n = 16 * GLYPH_SS
    s = GLYPH_SS

    def poly(points):
        return [(x * s, y * s) for x, y in points]

    def layer(points):
        m = Image.new("L", (n, n), 0)
        ImageDraw.Draw(m).polygon(poly(points), fill=255)
        return m

    canvas = Image.new("RGB", (n, n), GLYPH_KEY)

    # The tray: an open box with a slot in its front.
    tray_outer = [(1, 8), (4, 8), (4, 12), (12, 12), (12, 8), (15, 8), (15, 15), (1, 15)]
    tray_inner = [(2, 9), (3, 9), (3, 13), (13, 13), (13, 9), (14, 9), (14, 14), (2, 14)]
    canvas.paste((58, 70, 88), mask=layer(tray_outer))
    canvas.paste((150, 164, 184), mask=layer(tray_inner))
    canvas.paste((118, 132, 154), mask=layer([(2, 13.5), (14, 13.5), (14, 14), (2, 14)]))

    if arrow_down:
        outer = [(6, 0), (10, 0), (10, 5), (13.5, 5), (8, 11), (2.5, 5), (6, 5)]
        inner = [(7, 1), (9, 1), (9, 6), (11.2, 6), (8, 9.6), (4.8, 6), (7, 6)]
    else:
        outer = [(8, 0), (13.5, 6), (10, 6), (10, 11), (6, 11), (6, 6), (2.5, 6)]
        inner = [(8, 1.4), (11.2, 5), (9, 5), (9, 10), (7, 10), (7, 5), (4.8, 5)]
    canvas.paste(outline, mask=layer(outer))
    grad = Image.new("RGB", (n, n))
    gd = ImageDraw.Draw(grad)
    for y in range(n):
        gd.line([(0, y), (n, y)], fill=tuple(clamp8(c) for c in mix(fill_top, fill_bottom, y / n)))
    canvas.paste(grad, mask=layer(inner))

    img = canvas.resize((16, 16), Image.BOX)
    # Blending with white may round back to pure white inside the glyph.
    px = img.load()
    for y in range(16):
        for x in range(16):
            if px[x, y] == GLYPH_KEY and canvas.getpixel((x * s + s // 2, y * s + s // 2)) != GLYPH_KEY:
                px[x, y] = (254, 254, 254)
    return img


# ------------------------------------------------------------------ buttons

BUTTON_SS = 4


def button(size, top, bottom, state):
    """state: 'normal', 'hover' or 'pressed'."""
    w, h = size[0] * BUTTON_SS, size[1] * BUTTON_SS
    s = BUTTON_SS
    margin = 3 * s
    radius = min(12, size[1] // 3) * s
    # Pressed: one pixel lower, where the shadow was.
    drop = s if state == "pressed" else 0
    box = (margin, margin + drop, w - margin - 1, h - margin - 1 - s + drop)

    img = Image.new("RGB", (w, h), BUTTON_KEY)

    # Drop shadow; a pressed button lies flat, so it has almost none.
    shadow = Image.new("L", (w, h), 0)
    off = 2 * s if state != "pressed" else s // 2
    ImageDraw.Draw(shadow).rounded_rectangle(
        (box[0], box[1] + off, box[2], box[3] + off), radius, fill=110 if state != "pressed" else 60)
    shadow = shadow.filter(ImageFilter.GaussianBlur(2.2 * s))
    img.paste((40, 70, 110), mask=shadow)

    body = Image.new("L", (w, h), 0)
    ImageDraw.Draw(body).rounded_rectangle(box, radius, fill=255)

    grad = Image.new("RGB", (w, h))
    gd = ImageDraw.Draw(grad)
    for y in range(h):
        t = min(1.0, max(0.0, (y - box[1]) / (box[3] - box[1])))
        gd.line([(0, y), (w, y)], fill=tuple(clamp8(c) for c in mix(top, bottom, t)))

    # Soft sheen fading out towards the middle; an inset button shades its top edge instead.
    y0, y1 = box[1], box[3]
    if state == "pressed":
        peak, reach, colour = 110, 0.45, (6, 10, 34)
    else:
        peak, reach, colour = (46 if state == "normal" else 56), 0.6, (255, 255, 255)
    fade = Image.new("L", (w, h), 0)
    fd = ImageDraw.Draw(fade)
    for y in range(y0, y1 + 1):
        t = (y - y0) / (reach * (y1 - y0))
        if t < 1.0:
            fd.line([(0, y), (w, y)], fill=clamp8(peak * (1.0 - t) ** 1.6))
    grad.paste(colour, mask=ImageChops.multiply(fade, body))

    img.paste(grad, mask=body)

    # Border: a dark outline and, unless pressed, a thin light line inside its top.
    border_colour = tuple(clamp8(c * 0.55) for c in bottom)
    ImageDraw.Draw(img).rounded_rectangle(box, radius, outline=border_colour, width=s)
    if state != "pressed":
        rim = Image.new("L", (w, h), 0)
        ImageDraw.Draw(rim).rounded_rectangle(
            (box[0] + s, box[1] + s, box[2] - s, box[3] - s), radius - s, outline=120, width=s)
        fade = Image.linear_gradient("L").resize((w, h)).point(lambda v: max(0, 255 - 3 * v))
        rim = ImageChops.multiply(rim, fade)
        img.paste((255, 255, 255), mask=rim)

    out = img.resize(size, Image.LANCZOS)
    # The outermost pixels must be exactly the key colour for the transparency.
    px = out.load()
    for y in range(size[1]):
        for x in (0, size[0] - 1):
            px[x, y] = BUTTON_KEY
    for x in range(size[0]):
        for y in (0, size[1] - 1):
            px[x, y] = BUTTON_KEY
    return out


BUTTON_STYLES = {
    # (top, bottom) of the body gradient; yellow captions lie over these.
    "normal": ((58, 96, 196), (28, 50, 132)),
    "hover": ((92, 132, 230), (46, 76, 172)),
    "pressed": ((20, 32, 92), (36, 58, 140)),
}


# ------------------------------------------------------------------- sound

def chime_wav(path):
    rate = 44100
    length = 3.6
    # Four soft bell strokes rising through a major chord; the last one rings out.
    notes = [(0.00, 523.25, 0.70), (0.32, 659.25, 0.62), (0.64, 783.99, 0.58), (0.96, 1046.50, 0.66)]
    partials = [(1.0, 1.0, 1.00), (2.0, 0.32, 0.55), (3.01, 0.12, 0.35), (4.16, 0.06, 0.22),
                (5.43, 0.025, 0.14)]  # (ratio, amplitude, relative decay time)
    n = int(rate * length)
    buf = [0.0] * n
    for start, f0, amp in notes:
        i0 = int(start * rate)
        for ratio, pa, decay in partials:
            f = f0 * ratio
            if f > rate / 2.5:
                continue
            tau = 1.15 * decay
            w = 2 * math.pi * f / rate
            for i in range(i0, n):
                t = (i - i0) / rate
                env = math.exp(-t / tau)
                if env < 1e-4:
                    break
                attack = min(1.0, t / 0.004)
                buf[i] += amp * pa * env * attack * math.sin(w * (i - i0))
    fade_from = int((length - 0.4) * rate)
    for i in range(fade_from, n):
        buf[i] *= (n - i) / (n - fade_from)
    peak = max(abs(v) for v in buf)
    gain = 0.7 / peak  # about -3 dBFS
    frames = b"".join(struct.pack("<h", int(round(v * gain * 32767))) for v in buf)
    with wave.open(str(path), "wb") as wf:
        wf.setnchannels(1)
        wf.setsampwidth(2)
        wf.setframerate(rate)
        wf.writeframes(frames)


def write_mp3(path):
    if not shutil.which("lame"):
        sys.exit("make-data: lame is needed for data/music.mp3 (apt-get install lame)")
    with tempfile.TemporaryDirectory() as tmp:
        wav = Path(tmp) / "chime.wav"
        chime_wav(wav)
        subprocess.run(["lame", "--quiet", "-m", "m", "-b", "96", "-q", "2", "--noreplaygain",
                        str(wav), str(path)], check=True)


# --------------------------------------------------------------------- main

def save_bmp(img, path):
    img.convert("RGB").save(path, format="BMP")


def preview(img, path, scale=4):
    img.resize((img.width * scale, img.height * scale), Image.NEAREST).save(path)


def clock_preview(bg, path):
    img = bg.copy()
    d = ImageDraw.Draw(img)
    bold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
    try:
        d.text((16, 5), "08.12.2026", fill=CLOCK_TEXT, font=ImageFont.truetype(bold, 13))
        d.text((16, 21), "10:30:00", fill=CLOCK_TEXT, font=ImageFont.truetype(bold, 19))
    except OSError:
        pass
    preview(img, path)


def main():
    repo = Path(__file__).resolve().parent.parent
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", type=Path, default=repo / "data")
    ap.add_argument("--preview", type=Path)
    args = ap.parse_args()
    out = args.out
    (out / "buttons").mkdir(parents=True, exist_ok=True)
    (out / "messages").mkdir(parents=True, exist_ok=True)

    bg = draw_background()
    bg.save(out / "BackGround1.jpg", format="JPEG", quality=92, subsampling=0,
            progressive=False, optimize=False)

    min_glyph = glyph(True, (112, 176, 255), (30, 96, 210), (18, 52, 128))
    res_glyph = glyph(False, (120, 222, 140), (32, 150, 70), (18, 92, 40))
    save_bmp(min_glyph, out / "min.bmp")
    save_bmp(res_glyph, out / "res.bmp")

    buttons = {}
    for prefix, size in (("ButtonAddAction", EDITOR_BUTTON_SIZE), ("ButtonOptions", OPTIONS_BUTTON_SIZE)):
        for index, state in enumerate(("normal", "hover", "pressed"), start=1):
            top, bottom = BUTTON_STYLES[state]
            img = button(size, top, bottom, state)
            save_bmp(img, out / "buttons" / f"{prefix}{index}.bmp")
            buttons[f"{prefix}{index}"] = img

    write_mp3(out / "music.mp3")

    for name in LIST_FILES:
        (out / name).write_bytes(b"")
    (out / "messages" / "сообщение.zdt").write_bytes((PLACEHOLDER_TEXT + "\r\n").encode("cp1251"))

    if args.preview:
        p = args.preview
        p.mkdir(parents=True, exist_ok=True)
        preview(bg, p / "background.png")
        clock_preview(Image.open(out / "BackGround1.jpg"), p / "clock.png")
        preview(min_glyph, p / "min.png", 8)
        preview(res_glyph, p / "res.png", 8)
        for name, img in buttons.items():
            preview(img, p / f"{name}.png", 2)
        # The buttons as they stand in a window, with a yellow caption over them.
        sheet = Image.new("RGB", (520, 260), BUTTON_KEY)
        d = ImageDraw.Draw(sheet)
        try:
            font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", 19)
            small = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12)
        except OSError:
            font = small = None
        for i in range(1, 4):
            b = buttons[f"ButtonOptions{i}"]
            sheet.paste(b, (10 if i != 2 else 270, 10 + (i - 1) * 80 if i != 2 else 10))
            e = buttons[f"ButtonAddAction{i}"]
            sheet.paste(e, (300, 100 + (i - 1) * 48))
        for (x, y), text in (((40, 32), "Добавить действие"), ((300, 32), "Выбрать расположение"),
                             ((40, 192), "Сохранить")):
            if font:
                d.text((x, y), text, fill=(255, 255, 0), font=font)
        for i, text in enumerate(("Добавить действие", "Изменить действие", "Удалить")):
            if small:
                d.text((318, 110 + i * 48), text, fill=(255, 255, 0), font=small)
        preview(sheet, p / "buttons-in-place.png", 2)


if __name__ == "__main__":
    main()
