#!/usr/bin/env python3
"""Writes the GB18030 tables of Gb18030Codec as a C++ header, read off the C library's iconv.

The two-byte codes and the four-byte codes of the Basic Multilingual Plane are converted one by
one; four-byte codes above it follow one line from 0x90308130 (U+10000), which is checked on
samples. Encoding is then checked for every Unicode scalar value against what the tables give
back; any disagreement the tables cannot express stops the build.

usage: make_gb18030_tables.py OUTPUT.h
"""
import ctypes
import os
import struct
import sys

libc = ctypes.CDLL(None, use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                       ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
libc.iconv_close.argtypes = [ctypes.c_void_p]
FAILED = ctypes.c_size_t(-1).value
EILSEQ, EINVAL = 84, 22


def fail(message):
    sys.exit("make_gb18030_tables.py: " + message)


def open_cd(to, frm):
    cd = libc.iconv_open(to, frm)
    if cd is None or cd == FAILED:
        fail("the C library's iconv has no %s -> %s" % (frm.decode(), to.decode()))
    return cd


def run(cd, data, out_size):
    """One iconv call: (errno or 0, bytes consumed, output)."""
    inb = ctypes.create_string_buffer(data, len(data))
    outb = ctypes.create_string_buffer(out_size)
    ip, il = ctypes.c_char_p(ctypes.addressof(inb)), ctypes.c_size_t(len(data))
    op, ol = ctypes.c_char_p(ctypes.addressof(outb)), ctypes.c_size_t(out_size)
    libc.iconv(cd, None, None, None, None)  # reset the state between calls
    rc = libc.iconv(cd, ctypes.byref(ip), ctypes.byref(il), ctypes.byref(op), ctypes.byref(ol))
    err = ctypes.get_errno() if rc == FAILED else 0
    return err, len(data) - il.value, outb.raw[:out_size - ol.value]


DEC = open_cd(b"UTF-32LE", b"GB18030")


def decode(seq):
    """The code point of one complete sequence, or None where iconv refuses it."""
    err, used, out = run(DEC, seq, 16)
    if err == 0 and used == len(seq) and len(out) == 4:
        return struct.unpack("<I", out)[0]
    if err == EILSEQ and used == 0 and not out:
        return None
    fail("unexpected answer for %s: errno %d, %d bytes used" % (seq.hex(), err, used))


TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]  # second bytes of two-byte codes


def four_byte(index):
    b4 = index % 10
    b3 = index // 10 % 126
    b2 = index // 1260 % 10
    b1 = index // 12600
    return bytes([0x81 + b1, 0x30 + b2, 0x81 + b3, 0x30 + b4])


def main():
    if len(sys.argv) != 2:
        fail("usage: make_gb18030_tables.py OUTPUT.h")

    for b in range(0x80):
        if decode(bytes([b])) != b:
            fail("byte %02x is not itself" % b)
    for b in (0x80, 0xFF):
        if decode(bytes([b])) is not None:
            fail("byte %02x decodes alone" % b)

    two = []  # (lead - 0x81) * 190 + trail position -> code point, 0 for none
    two_above = []  # (position, code point) of the few two-byte codes above the BMP
    for lead in range(0x81, 0xFF):
        for trail in TRAILS:
            cp = decode(bytes([lead, trail]))
            if cp == 0:
                fail("%02x%02x decodes to U+0000" % (lead, trail))
            if cp is not None and cp > 0xFFFF:
                two_above.append((len(two), cp))
                cp = None
            two.append(cp or 0)

    # Four-byte codes with first bytes 81..84: runs of consecutive code points.
    ranges = []  # [first index, first code point, count]
    for index in range(4 * 12600):
        cp = decode(four_byte(index))
        if cp is None:
            continue
        if cp > 0xFFFF:
            fail("%s decodes outside the BMP" % four_byte(index).hex())
        last = ranges[-1] if ranges else None
        if last and last[0] + last[2] == index and last[1] + last[2] == cp:
            last[2] += 1
        else:
            ranges.append([index, cp, 1])

    # Encoding searches the ranges by code point, in an order of their own (U+E7C7 sits among U+1E3F's
    # neighbours); they must not overlap there.
    by_code_point = sorted(range(len(ranges)), key=lambda i: ranges[i][1])
    if any(ranges[a][1] + ranges[a][2] > ranges[b][1] for a, b in zip(by_code_point, by_code_point[1:])):
        fail("the four-byte ranges of the BMP overlap in code points")

    # Above the BMP: 0x90308130 + n is U+10000 + n up to U+10FFFF; first bytes 85..8F, E4..FE none.
    supplementary = (0x90 - 0x81) * 12600  # index of 90 30 81 30
    for n in list(range(0, 0x100000, 4099)) + [0xFFFF, 0x10000, 0xFFFFF]:
        seq = four_byte(supplementary + n)
        if decode(seq) != 0x10000 + n:
            fail("%s is not U+%X" % (seq.hex(), 0x10000 + n))
    for index in [4 * 12600, 0x8F * 12600 - 0x81 * 12600 + 12599, (0xE3 - 0x81) * 12600 + 0x10000 + 4 * 12600 + 1,
                  (0xFE - 0x81) * 12600 + 12599] + list(range(4 * 12600, (0x90 - 0x81) * 12600, 997)):
        seq = four_byte(index)
        if decode(seq) is not None:
            fail("%s decodes" % seq.hex())

    # What the tables give for every scalar value, against iconv encoding all of them at once.
    expected = {}
    for i, cp in enumerate(two):
        if cp:
            expected.setdefault(cp, bytes([0x81 + i // 190, TRAILS[i % 190]]))
    for i, cp in two_above:
        expected.setdefault(cp, bytes([0x81 + i // 190, TRAILS[i % 190]]))
    for first, cp, count in ranges:
        for k in range(count):
            expected.setdefault(cp + k, four_byte(first + k))
    scalars = [cp for cp in range(0x80, 0x110000) if not 0xD800 <= cp <= 0xDFFF]
    enc = open_cd(b"GB18030", b"UTF-32LE")
    data = struct.pack("<%dI" % len(scalars), *scalars)
    exceptions = []  # (code point, bytes) where iconv's encoding is not the inverse of decoding
    pos = 0
    while pos < len(data):
        err, used, out = run(enc, data[pos:], len(data) * 2)
        i, o = pos // 4, 0
        while o < len(out):
            n = 1 if out[o] < 0x80 else 4 if 0x30 <= out[o + 1] <= 0x39 else 2
            cp, seq = scalars[i], out[o:o + n]
            if cp >= 0x10000 and cp not in expected:
                want = four_byte(supplementary + cp - 0x10000)
            else:
                want = expected.get(cp)
            if seq != want:
                exceptions.append((cp, seq))
            i += 1
            o += n
        pos += used
        if err:
            if err != EILSEQ:
                fail("iconv failed with errno %d encoding U+%X" % (err, scalars[pos // 4]))
            exceptions.append((scalars[pos // 4], b""))
            pos += 4
    for cp, seq in exceptions:
        if len(seq) not in (0, 2, 4):
            fail("U+%X encodes as %s, which the tables cannot hold" % (cp, seq.hex() or "nothing"))
    # Code points that decode but that nothing encodes to are missing above as exceptions too.

    os.makedirs(os.path.dirname(os.path.abspath(sys.argv[1])), exist_ok=True)
    partial = sys.argv[1] + ".part"  # a failed run leaves no header behind
    with open(partial, "w") as f:
        f.write("// Generated by make_gb18030_tables.py from the C library's iconv; do not edit.\n")
        f.write("#pragma once\n\n#include <cstddef>\n#include <cstdint>\n\nnamespace quorvane::gb18030 {\n\n")
        f.write("struct FourByteRange\n{\n    std::uint16_t index; // counted from 81 30 81 30\n"
                "    std::uint16_t codePoint;\n    std::uint16_t count;\n};\n\n")
        f.write("struct Encoding\n{\n    std::uint16_t codePoint;\n"
                "    std::uint32_t bytes; // big-endian; 0 when iconv cannot encode it\n};\n\n")
        f.write("// Two-byte codes: (lead - 0x81) * 190 + trail position (40..7E, 80..FE); 0 for no character.\n")
        f.write("inline constexpr std::uint16_t kTwoByte[%d] = {\n" % len(two))
        for i in range(0, len(two), 12):
            f.write("    " + ", ".join("0x%04X" % v for v in two[i:i + 12]) + ",\n")
        f.write("};\n\n// Two-byte codes above the BMP (0 in kTwoByte): position as there, code point.\n")
        f.write("inline constexpr std::uint32_t kTwoByteAbove[%d][2] = {\n" % max(1, len(two_above)))
        for i, cp in two_above:
            f.write("    {%d, 0x%X},\n" % (i, cp))
        if not two_above:
            f.write("    {0, 0},\n")
        f.write("};\ninline constexpr std::size_t kTwoByteAboveCount = %d;\n" % len(two_above))
        f.write("\n// Four-byte codes of the BMP, ascending by index.\n")
        f.write("inline constexpr FourByteRange kFourByte[%d] = {\n" % len(ranges))
        for first, cp, count in ranges:
            f.write("    {%d, 0x%04X, %d},\n" % (first, cp, count))
        f.write("};\n\n// kFourByte's positions, ascending by code point.\n")
        f.write("inline constexpr std::uint16_t kFourByteByCodePoint[%d] = {\n" % len(ranges))
        for i in range(0, len(by_code_point), 16):
            f.write("    " + ", ".join(str(v) for v in by_code_point[i:i + 16]) + ",\n")
        f.write("};\n\n// Where encoding is not the inverse of the tables above, by code point.\n")
        f.write("inline constexpr Encoding kEncodingExceptions[%d] = {\n" % max(1, len(exceptions)))
        for cp, seq in sorted(exceptions):
            f.write("    {0x%04X, 0x%X},\n" % (cp, int.from_bytes(seq, "big") if seq else 0))
        if not exceptions:
            f.write("    {0, 0},\n")
        f.write("};\ninline constexpr std::size_t kEncodingExceptionCount = %d;\n\n" % len(exceptions))
        f.write("} // namespace quorvane::gb18030\n")
    os.replace(partial, sys.argv[1])
    print("gb18030 tables: %d two-byte codes (%d above the BMP), %d four-byte ranges, %d encoding exceptions"
          % (sum(1 for v in two if v) + len(two_above), len(two_above), len(ranges), len(exceptions)))


main()
