#!/usr/bin/env python3
"""Writes the byte-built archive fixtures of this folder from the formats'
published header layouts (for formats that no Debian package can create,
and for damaged or unusual cases). Run: python3 make_fixtures.py"""
import binascii
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---- ZIP, CAB ----------------------------------------------------------
put("empty.zip", b"PK\x05\x06" + b"\0" * 18)
# CAB header with an entry count of 0.
put("zero.cab", b"MSCF" + struct.pack("<IIIIIBBHHHHH", 0, 36, 0, 36, 0, 3, 1, 0, 0, 0, 0, 0))

# ---- RAR 1.5-4 ---------------------------------------------------------
RAR_MARK = b"Rar!\x1a\x07\x00"


def rar_block(btype, flags, body, data=b"", add_size=None):
    size = 7 + len(body)
    head = struct.pack("<BHH", btype, flags, size) + body
    crc = binascii.crc32(head) & 0xFFFF
    return struct.pack("<H", crc) + head + data


def rar_main(flags=0, comment=b""):
    return rar_block(0x73, flags, struct.pack("<HI", 0, 0) + comment)


def rar_file(name, data=b"", flags=0x8000, unpacked=None, high=None):
    unpacked = len(data) if unpacked is None else unpacked
    body = struct.pack("<IIBIIBBHI", len(data), unpacked & 0xFFFFFFFF, 2, 0, 0, 29, 0x30, len(name), 0x20)
    if high is not None:
        body += struct.pack("<II", high[0], high[1])
    body += name
    return rar_block(0x74, flags, body, data)


def rar_service(name, data):
    body = struct.pack("<IIBIIBBHI", len(data), len(data), 2, 0, 0, 29, 0x30, len(name), 0) + name
    return rar_block(0x7A, 0x8000, body, data)


RAR_END = rar_block(0x7B, 0x4000, b"")

# Directory docs, docs\a.txt, a member of 5 GB (64-bit sizes) and an old
# style archive comment held inside the archive header (flag 0x02).
comment = struct.pack("<HBBH", 4, 0x75, 0, 0) + b"hi"  # old comment sub-header
put("basic.rar", RAR_MARK + rar_main(0x02, comment) + rar_file(b"docs", flags=0x80E0)
    + rar_file(b"docs\\a.txt", b"hello") + rar_file(b"big.iso", b"xy", flags=0x8100, unpacked=5000000000 & 0xFFFFFFFF,
                                                   high=(0, 5000000000 >> 32)) + RAR_END)
# A RAR 3 archive comment (service block CMT with data) before the members.
put("comment.rar", RAR_MARK + rar_main() + rar_service(b"CMT", b"a comment " * 8)
    + rar_file(b"one.txt", b"1111") + rar_file(b"two.txt", b"22") + RAR_END)
# An old recovery record (type 0x78 with data) and a RAR 3 one (service RR)
# between members.
old_rr = rar_block(0x78, 0x8000, struct.pack("<I", 40) + b"\0" * 7, b"R" * 40)
put("recovery.rar", RAR_MARK + rar_main() + rar_file(b"first.txt", b"f") + old_rr
    + rar_service(b"RR", b"\x55" * 64) + rar_file(b"last.txt", b"l") + RAR_END)


def rar_wide(plain, text):
    """Encodes `text` in RAR's packed wide-name form: every character as a
    full 16-bit unit (flag pair 2), which every decoder reads."""
    units = text.encode("utf-16-le")
    out = bytearray([0])  # high byte, unused by pair 2
    chars = [units[i:i + 2] for i in range(0, len(units), 2)]
    for i in range(0, len(chars), 4):
        group = chars[i:i + 4]
        out.append(0xAA if len(group) == 4 else sum(2 << (6 - 2 * k) for k in range(len(group))))
        for ch in group:
            out += ch
    return plain + b"\0" + bytes(out)


put("unicode.rar", RAR_MARK + rar_main() + rar_file(rar_wide(b"?????.txt", "Grüße.txt"), b"u", flags=0x8200)
    + rar_file(rar_wide(b"docs\\????.txt", "docs\\Ελλά.txt"), b"g", flags=0x8200)
    + rar_file("naïve.txt".encode("utf-8"), b"n", flags=0x8200) + RAR_END)
# A file block with name size 0 ends the walk: after.txt is not listed.
put("namesize0.rar", RAR_MARK + rar_main() + rar_file(b"before.txt", b"b") + rar_file(b"", b"")
    + rar_file(b"after.txt", b"a") + RAR_END)

# ---- RAR 5 -------------------------------------------------------------
RAR5_MARK = b"Rar!\x1a\x07\x01\x00"


def vint(n):
    out = bytearray()
    while True:
        out.append((n & 0x7F) | (0x80 if n > 0x7F else 0))
        n >>= 7
        if not n:
            return bytes(out)


def rar5_header(htype, body, flags=0, extra=b"", data=b""):
    fields = vint(htype) + vint(flags | (1 if extra else 0) | (2 if data else 0))
    fields += (vint(len(extra)) if extra else b"") + (vint(len(data)) if data else b"")
    rest = vint(len(fields + body + extra)) + fields + body + extra
    return struct.pack("<I", binascii.crc32(rest)) + rest + data


def rar5_file(name, data=b"", size=None, fflags=0x06, attr=0x20, htype=2, extra=b""):
    size = len(data) if size is None else size
    body = vint(fflags) + vint(size) + vint(attr)
    body += (struct.pack("<I", 1700000000) if fflags & 2 else b"") + (struct.pack("<I", binascii.crc32(data)) if fflags & 4 else b"")
    body += vint(0) + vint(1) + vint(len(name)) + name
    return rar5_header(htype, body, extra=extra, data=data)


# A folder, a stored file, a comment service header with data, a 5 GB
# member whose header has an extra area (a file time record), the end header.
put("rar5.rar", RAR5_MARK + rar5_header(1, vint(0)) + rar5_file(b"docs", fflags=0x03, attr=0x10)
    + rar5_file(b"docs/a.txt", b"hello") + rar5_file(b"CMT", b"a comment", htype=3)
    + rar5_file(b"big.iso", b"iso", size=5000000000, extra=vint(6) + vint(3) + vint(3) + struct.pack("<I", 1700000000))
    + rar5_header(5, vint(0)))

# ---- ACE ---------------------------------------------------------------


def ace_block(btype, flags, body, data=b""):
    head = struct.pack("<BH", btype, flags) + body
    crc = (binascii.crc32(head) ^ 0xFFFFFFFF) & 0xFFFF  # ACE keeps the CRC-32 register uninverted
    return struct.pack("<HH", crc, len(head)) + head + data


def ace_file(name, data=b"", attr=0x20, size=None):
    size = len(data) if size is None else size
    # packed, original, time, attributes, CRC-32, technical data (4), reserved
    body = struct.pack("<IIIIIHHH", len(data), size, 0, attr, 0, 0, 0, 0) + struct.pack("<H", len(name)) + name
    return ace_block(1, 0, body, data)


ace_main = ace_block(0, 0, b"**ACE**" + struct.pack("<BBBBBI", 20, 20, 2, 0, 0, 0) + b"\0" * 8 + b"\0" * 8)
ace_rr = ace_block(2, 0, struct.pack("<I", 16) + b"AC" + b"\0" * 20, b"r" * 16)
put("tree.ace", ace_main + ace_file(b"docs", attr=0x10) + ace_file(b"docs\\a.txt", b"hello")
    + ace_file(b"docs\\b.txt", b"z", size=1001) + ace_rr)

# ---- ARJ with the 30-byte first headers of old versions ----------------


def arj_header(name, flags=0, packed=b"", size=None, extpos=None, ftype=0):
    size = len(packed) if size is None else size
    first = 30 + (4 if extpos is not None else 0)
    fixed = struct.pack("<BBBBBBBBIIIIHHH", first, 6, 1, 0, flags, 0, ftype, 0, 0, len(packed), size, 0, 0, 0, 0)
    if extpos is not None:
        fixed += struct.pack("<I", extpos)
    basic = fixed + name + b"\0" + b"\0"
    return b"\x60\xea" + struct.pack("<H", len(basic)) + basic + struct.pack("<I", binascii.crc32(basic)) \
        + b"\0\0" + packed


arj_main = arj_header(b"old.arj", ftype=2)
put("old.arj", arj_main + arj_header(b"cont.bin", flags=0x08, packed=b"c" * 10, extpos=5000)
    + arj_header(b"docs\\a.txt", packed=b"hello") + arj_header(b"b.txt", packed=b"", size=1001)
    + b"\x60\xea\0\0" + arj_header(b"ghost.txt"))

# ---- LZH ---------------------------------------------------------------


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def lzh0(name, data=b"", method=b"-lh0-", size=None):
    size = len(data) if size is None else size
    rest = method + struct.pack("<IIIBB", len(data), size, 0x5A2B0000, 0x20, 0) + bytes([len(name)]) + name \
        + struct.pack("<H", crc16(data))
    return bytes([len(rest), sum(rest) & 0xFF]) + rest + data


def lzh_chain(exts, width=2):
    """Extended headers after the first size: each is type, data, next size."""
    out = b""
    sizes = [1 + len(b) + width for _, b in exts]
    for i, (kind, body) in enumerate(exts):
        nxt = sizes[i + 1] if i + 1 < len(sizes) else 0
        out += bytes([kind]) + body + (struct.pack("<H", nxt) if width == 2 else struct.pack("<I", nxt))
    return (sizes[0] if sizes else 0), out


def lzh1(name, exts, data=b"", method=b"-lh0-", size=None):
    size = len(data) if size is None else size
    first, chain = lzh_chain(exts)
    rest = method + struct.pack("<IIIBB", len(data) + len(chain), size, 0x5A2B0000, 0x20, 1) + bytes([len(name)]) \
        + name + struct.pack("<H", crc16(data)) + b"U" + struct.pack("<H", first)
    return bytes([len(rest), sum(rest) & 0xFF]) + rest + chain + data


def lzh2(exts, data=b"", method=b"-lh0-", size=None):
    size = len(data) if size is None else size
    first, chain = lzh_chain([(0x00, b"\0\0")] + exts)
    total = 26 + len(chain)
    head = struct.pack("<H", total) + method + struct.pack("<IIIBB", len(data), size, 1700000000, 0x20, 2) \
        + b"\0\0" + b"U" + struct.pack("<H", first) + chain
    crc = crc16(head)
    # The common header (type 0) holds the header CRC.
    head = head[:27] + struct.pack("<H", crc) + head[29:]
    return head + data


put("level0.lzh", lzh0(b"docs\\a.txt", b"hello") + lzh0(b"docs\\", method=b"-lhd-") + lzh0(b"b.txt", b"", size=1001)
    + b"\0")
put("level1.lzh", lzh1(b"a.txt", [(0x02, b"docs\xffsub\xff")], b"one")
    + lzh1(b"", [(0x01, b"named.txt"), (0x02, b"docs\xff")], b"two")
    + lzh1(b"", [(0x02, b"docs\xffsub\xff")], method=b"-lhd-") + b"\0")
put("level2.lzh", lzh2([(0x01, b"a.txt"), (0x02, b"docs\xffsub\xff")], b"hello")
    + lzh2([(0x01, b"big.bin"), (0x42, struct.pack("<QQ", 3, 6000000000))], b"xyz")
    + lzh2([(0x01, b"plain.txt"), (0x44, "Grüße.txt".encode("utf-16-le"))], b"w") + b"\0")

# ---- ZOO ---------------------------------------------------------------
ZOO_TAG = 0xFDC4A7DC


def zoo_archive(entries):
    """Each entry is followed by its packed data, as zoo writes them; the
    chain ends with an end entry (next offset 0)."""
    head = b"ZOO 2.10 Archive.\x1a\0\0" + struct.pack("<IIIBB", ZOO_TAG, 34, 0, 2, 1)
    out = bytearray(head)
    for name, size, deleted, data in entries:
        at = len(out) + 38 + 13 + 3 + 16  # fixed part, name field, var-dir length etc.
        entry = struct.pack("<IBBIIHHHI", ZOO_TAG, 1, 0, at + len(data), at, 0, 0, 0, size) \
            + struct.pack("<IBBBBIH", len(data), 1, 0, deleted, 0, 0, 0)
        entry += name.ljust(13, b"\0") + b"\0" * 19
        assert len(out) + len(entry) == at
        out += entry + data
    # The end entry: tag, next offset 0.
    out += struct.pack("<IBBI", ZOO_TAG, 1, 0, 0) + b"\0" * 60
    return bytes(out)


put("tree.zoo", zoo_archive([(b"a.txt", 5, 0, b"hello"), (b"gone.txt", 1001, 1, b"g" * 8), (b"", 3, 0, b"abc"),
                             (b"c.txt", 2000000, 0, b"c" * 16)]))

# ---- ARC ---------------------------------------------------------------


def arc_header(name, data, size=None, method=2):
    size = len(data) if size is None else size
    return b"\x1a" + bytes([method]) + name.ljust(13, b"\0") + struct.pack("<IHHHI", len(data), 0, 0, 0, size) + data


put("hp.arc", b"\x1aHP" + b"\0" * 26 + arc_header(b"A.TXT", b"hello") + b"\x1a\0")
put("old.arc", b"\x1a\x01" + b"OLD.TXT".ljust(13, b"\0") + struct.pack("<IHHH", 4, 0, 0, 0) + b"abcd"
    + arc_header(b"NEW.TXT", b"xy", size=1001) + b"\x1a\0" + arc_header(b"AFTER.TXT", b""))
