#!/usr/bin/python3
"""Draws the tool's own pictures into resources/res: the window icon, the two radar pictures
shown beside the radar information and the station-number tool icon, each once at its own size
and once at twice that (name@2x.png) for scaled screens. Run it after changing a drawing; the
generated files are committed."""
import os
from PIL import Image, ImageDraw

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "res")


# Every drawing takes k, the scale: coordinates are written for k = 1 and multiplied, so the
# @2x picture is the same drawing with twice the pixels, not an enlarged copy.

def radar_fan(draw, cx, cy, radius, colours, k):
    for i, colour in enumerate(colours):
        r = radius * (len(colours) - i) / len(colours)
        draw.pieslice([k * (cx - r), k * (cy - r), k * (cx + r), k * (cy + r)], 210, 330, fill=colour)


def window_icon(k):
    img = Image.new("RGBA", (64 * k, 64 * k), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    radar_fan(d, 32, 58, 54, [(104, 199, 242, 255), (230, 230, 90, 255), (246, 120, 100, 255)], k)
    d.rectangle([26 * k, 54 * k, 38 * k, 62 * k], fill=(40, 60, 120, 255))
    return img


def housing(draw, box, body, face, k):
    x0, y0, x1, y1 = box
    draw.rounded_rectangle([k * v for v in box], radius=10 * k, fill=body, outline=(30, 30, 30, 255), width=3 * k)
    draw.rounded_rectangle([k * (x0 + 14), k * (y0 + 14), k * (x1 - 14), k * (y1 - 30)], radius=6 * k, fill=face)
    for i in range(3):
        draw.ellipse([k * (x0 + 20 + i * 22), k * (y1 - 24), k * (x0 + 32 + i * 22), k * (y1 - 12)],
                     fill=[(220, 40, 40, 255), (230, 200, 40, 255), (60, 170, 230, 255)][i])


def channel_radar(k):
    # A slim post-mounted box looking down a passage.
    img = Image.new("RGBA", (320 * k, 200 * k), (255, 255, 255, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([150 * k, 120 * k, 170 * k, 196 * k], fill=(120, 120, 120, 255))
    housing(d, [90, 10, 230, 130], (235, 235, 240, 255), (50, 70, 110, 255), k)
    radar_fan(d, 160, 70, 40, [(104, 199, 242, 160)], k)
    return img


def area_radar(k):
    # A wide scanning head on a bracket.
    img = Image.new("RGBA", (320 * k, 200 * k), (255, 255, 255, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([40 * k, 160 * k, 280 * k, 176 * k], fill=(120, 120, 120, 255))
    housing(d, [30, 30, 290, 160], (250, 200, 60, 255), (40, 40, 40, 255), k)
    for n in range(4):
        d.arc([k * (110 - 20 * n), k * (50 - 10 * n), k * (210 + 20 * n), k * (150 + 10 * n)], 230, 310,
              fill=(104, 199, 242, 255), width=4 * k)
    return img


def tune_icon(k):
    img = Image.new("RGBA", (32 * k, 32 * k), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for i, x in enumerate((8, 16, 24)):
        d.line([x * k, 4 * k, x * k, 28 * k], fill=(70, 70, 70, 255), width=2 * k)
        knob = (6, 20, 12)[i]
        d.rectangle([k * (x - 4), k * knob, k * (x + 4), k * (knob + 6)], fill=(1, 145, 255, 255),
                    outline=(20, 40, 90, 255), width=k)
    return img


def save_both(draw, name):
    draw(1).save(os.path.join(HERE, name + ".png"))
    draw(2).save(os.path.join(HERE, name + "@2x.png"))


def main():
    os.makedirs(HERE, exist_ok=True)
    save_both(window_icon, "pic1")
    save_both(channel_radar, "qyjc1")
    save_both(area_radar, "qyjc2")
    # The tool button's icon: one .ico carrying 16, 32 and 64 pixels, so that a scaled screen
    # finds twice the size it draws in the same file.
    tune_icon(2).save(os.path.join(HERE, "Tuneo.ico"), sizes=[(16, 16), (32, 32), (64, 64)])


if __name__ == "__main__":
    main()
