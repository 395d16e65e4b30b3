#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/: valid replies, files and
streams as the radar, its loader and the tool produce them, plus a few cut short."""
import os
import random
import struct

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
