#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/: valid replies, files and
streams as the radar, its loader and the tool produce them, plus a few cut short."""
import json
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def frame(code, data, station=2):
    """A reply frame: 55 AA, total length, checksum, station bytes, data, tail ED ED."""
    body = bytearray(b"\x55\xaa\x00\x00\x00\x00\x00" + bytes([station, code, 2, 2, 0]) + data + b"\xed\xed")
    struct.pack_into("<H", body, 2, len(body))
    struct.pack_into("<H", body, 4, sum(b for i, b in enumerate(body) if i not in (4, 5)) & 0xFFFF)
    return bytes(body)


def result(targets):
    data = bytes([1, len(targets)])
    for t in targets:
        data += struct.pack("<5HBx", *t)
    return frame(0x06, data)


def status(code, text):
    return b"\x44\xbb" + struct.pack("<HHH", 8 + len(text) + 1, 0, code) + text + b"\x00"


def scene(distances, integers):
    return struct.pack(">6d4i", *distances, *integers)


cells = struct.pack("<BB", 3, 50) + struct.pack("<6h", 100, -100, 500, 50, -300, 250) + bytes(28)
seeds = {
    "identity": [frame(0x0D, bytes([5, 3, 5, 2, 7, 0, 0x0A, 0x0B])), frame(0x0D, bytes([1, 0, 0, 1, 0, 0, 1, 0]))[:15]],
    "detection_area": [frame(0x0A, bytes.fromhex("58027800") + bytes(2)), frame(0x0A, bytes.fromhex("5802"))],
    "alarm_area": [frame(0x0B, bytes.fromhex("9001c800fe02")), frame(0x0B, bytes.fromhex("ffffffff80 7f"))],
    "suppression": [frame(0x0C, cells), frame(0x0C, bytes([10, 100]) + bytes(range(40))), frame(0x0C, cells)[:20]],
    "target_filter": [frame(0x14, bytes([1, 4])), frame(0x14, bytes([0, 2])), frame(0x14, bytes([2, 1]))],
    "start_distance": [frame(0x15, struct.pack("<H", 150) + bytes(14)), frame(0x15, b"\x96")],
    "result": [result([(0x10, 0xFF38, 200, 5, 6, 2)]), result([(1, 10, 20, 0, 0, 1), (2, 0xFFF6, 300, 1, 1, 3), (1, 5, 5, 0, 0, 2)]),
               result([]), result([(7, 1, 1, 1, 1, 1)])[:20]],
    "test_reply": [frame(0x06, bytes([4]) + struct.pack("<H", 1234)), frame(0x06, bytes([4])), b"\x55\xaa\x10\x00"],
    "acknowledgement": [b"\x44\xbb" + struct.pack("<HHHIIII", 1, 0, 0, 0, 1024, 3000, 1024) + bytes(48),
                        b"\x44\xbb" + struct.pack("<HH", 2, 1) + bytes(68)],
    "status_message": [status(0, "正在擦除".encode()), status(1, b""), status(2, "校验失败".encode()), status(3, b"OK"),
                       status(0, "正在烧录".encode())[:12],
                       # for the cutting into messages: the first byte is where the held bytes end
                       bytes([13]) + status(0, "正在擦除".encode()) + b"\x00" * 8 + b"\x00" + status(3, b"OK")[:9],
                       bytes([3]) + b"\xff\xff\x00\x00\x00\x00\x03\x00OK"],
    "set_header": [struct.pack("<QQ", 20240611, 3000), struct.pack("<QQ", 0xFFFFFFFF00000005, 1024),
                   struct.pack("<QQ", 7, 0), struct.pack("<QQ", 5, 1 << 32),
                   struct.pack("<QQ", 9, 999 * 1024 - 1)],
    "scene_config": [scene((30.0, 0.5, 10.0, 5.0, -2.5, 2.5), (90, 1, 0, 2)), scene((0.0,) * 6, (0, 0, 0, 0)),
                     scene((12.34, 0.0, 6.0, 3.0, -1.0, 1.5), (120, 3, 1, 1))[:40]],
}


def scene_file(device_type, far, angle, warn, alarm, left, right, start, edge, direction, kind, cells, fingerprint=None):
    """A full scene file; its fingerprint is zlib's CRC-32 over the five writes' data bytes."""
    payload = (struct.pack("<HHH", far, angle, 0) + struct.pack("<HHbb", warn, alarm, left, right)
               + bytes([direction, kind]) + struct.pack("<H", start) + bytes(14) + bytes([len(cells), edge])
               + b"".join(struct.pack("<hh", *c) for c in cells) + bytes(4 * (10 - len(cells))))
    return json.dumps({"format": "radar-scene", "version": 1, "device_type": device_type, "detection_far_cm": far,
                       "angle_deg": angle, "warning_far_cm": warn, "alarm_far_cm": alarm, "left_half_metres": left,
                       "right_half_metres": right, "start_cm": start, "grid_edge_cm": edge,
                       "target_direction": direction, "target_type": kind,
                       "cells": [{"x_cm": x, "y_cm": y} for x, y in cells],
                       "fingerprint": fingerprint or "%08X" % zlib.crc32(payload)}, indent=4).encode()


ten = [(-75, 575), (-50, 575), (-25, 575), (0, 550), (25, 550), (50, 550), (-100, 300), (-75, 300), (100, 300), (125, 300)]
seeds["scene_file"] = [scene_file(1, 600, 120, 400, 200, -2, 2, 0, 100, 0, 0, []),
                       scene_file(2, 750, 100, 500, 250, -8, 12, 150, 100, 1, 3, [(150, 350)]),
                       scene_file(1, 600, 120, 400, 200, -2, 2, 0, 25, 0, 0, ten),
                       scene_file(3, 1250, 90, 800, 350, -5, 6, 150, 50, 1, 4, [], fingerprint="00000000"),
                       scene_file(1, 600, 120, 400, 200, -2, 2, 0, 25, 0, 0, ten)[:300]]

random.seed(1)
requests = [frame(c, d, station=0xFF) for c, d in ((0x0D, b""), (0x0A, b""), (0x02, bytes(6)), (0x06, b"\x01\x00"))]
seeds["frame_parser"] = [bytes([7]) + b"".join(requests), bytes([0]) + b"\x12\x55" + requests[0] + b"\xaa\x55" + requests[1][:9],
                         bytes([31]) + requests[2][:-1] + b"\x00" + requests[3]]

for target, inputs in seeds.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for k, data in enumerate(inputs):
        with open(os.path.join(folder, "seed-%d" % k), "wb") as f:
            f.write(data)
