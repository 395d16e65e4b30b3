#!/usr/bin/python3
"""Draws the tool's own pictures into resources/res: the window icon, the two radar pictures
shown beside the radar information and the station-number tool icon. Run it after changing a
drawing; the generated files are committed."""
import os
from PIL import Image, ImageDraw

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "res")


def radar_fan(draw, cx, cy, radius, colours):
    for i, colour in enumerate(colours):
        r = radius * (len(colours) - i) / len(colours)
        draw.pieslice([cx - r, cy - r, cx + r, cy + r], 210, 330, fill=colour)


def window_icon():
    img = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    radar_fan(d, 32, 58, 54, [(104, 199, 242, 255), (230, 230, 90, 255), (246, 120, 100, 255)])
    d.rectangle([26, 54, 38, 62], fill=(40, 60, 120, 255))
    return img


def housing(draw, box, body, face):
    x0, y0, x1, y1 = box
    draw.rounded_rectangle(box, radius=10, fill=body, outline=(30, 30, 30, 255), width=3)
    draw.rounded_rectangle([x0 + 14, y0 + 14, x1 - 14, y1 - 30], radius=6, fill=face)
    for i in range(3):
        draw.ellipse([x0 + 20 + i * 22, y1 - 24, x0 + 32 + i * 22, y1 - 12],
                     fill=[(220, 40, 40, 255), (230, 200, 40, 255), (60, 170, 230, 255)][i])


def channel_radar():
    # A slim post-mounted box looking down a passage.
    img = Image.new("RGBA", (320, 200), (255, 255, 255, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([150, 120, 170, 196], fill=(120, 120, 120, 255))
    housing(d, [90, 10, 230, 130], (235, 235, 240, 255), (50, 70, 110, 255))
    radar_fan(d, 160, 70, 40, [(104, 199, 242, 160)])
    return img


def area_radar():
    # A wide scanning head on a bracket.
    img = Image.new("RGBA", (320, 200), (255, 255, 255, 0))
    d = ImageDraw.Draw(img)
    d.rectangle([40, 160, 280, 176], fill=(120, 120, 120, 255))
    housing(d, [30, 30, 290, 160], (250, 200, 60, 255), (40, 40, 40, 255))
    for k in range(4):
        d.arc([110 - 20 * k, 50 - 10 * k, 210 + 20 * k, 150 + 10 * k], 230, 310,
              fill=(104, 199, 242, 255), width=4)
    return img


def tune_icon():
    img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for i, x in enumerate((8, 16, 24)):
        d.line([x, 4, x, 28], fill=(70, 70, 70, 255), width=2)
        knob = (6, 20, 12)[i]
        d.rectangle([x - 4, knob, x + 4, knob + 6], fill=(1, 145, 255, 255), outline=(20, 40, 90, 255))
    return img


def main():
    os.makedirs(HERE, exist_ok=True)
    window_icon().save(os.path.join(HERE, "pic1.png"))
    channel_radar().save(os.path.join(HERE, "qyjc1.png"))
    area_radar().save(os.path.join(HERE, "qyjc2.png"))
    tune_icon().save(os.path.join(HERE, "Tuneo.ico"), sizes=[(32, 32), (16, 16)])


if __name__ == "__main__":
    main()
