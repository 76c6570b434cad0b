#!/usr/bin/env python3
"""Packs a restart-up image into the form the restart fuzz target reads
(tests/fuzz/fuzz_entry.h, unpackImage): a byte other than 0 stands for
itself; 0, a LEB128 count n and a byte k stand for n + 1 bytes, zeros when
k is 0, else each the byte k places back.

    pack_image.py IMAGE PACKED
"""
import sys

PERIODS = (1, 8, 4, 2, 16)  # the runs an image holds: blanks, reals, integers
MIN_RUN = 6


def leb128(n: int) -> bytes:
    out = bytearray()
    while True:
        c = n & 0x7F
        n >>= 7
        out.append(c | 0x80 if n else c)
        if not n:
            return bytes(out)


def run_length(data: bytes, i: int, k: int) -> int:
    """How many bytes from i on repeat the byte k places back."""
    if i < k:
        return 0
    j = i
    # Whole blocks of the period first, then byte by byte.
    while j + k <= len(data) and data[j:j + k] == data[j - k:j]:
        j += k
    while j < len(data) and data[j] == data[j - k]:
        j += 1
    return j - i


def pack(data: bytes) -> bytes:
    out = bytearray()
    i, size = 0, len(data)
    while i < size:
        if data[i] == 0:
            j = i
            while j < size and data[j] == 0:
                j += 1
            out += b"\0" + leb128(j - i - 1) + b"\0"
            i = j
            continue
        best, period = 0, 0
        for k in PERIODS:
            n = run_length(data, i, k)
            if n > best:
                best, period = n, k
        if best >= MIN_RUN:
            out += b"\0" + leb128(best - 1) + bytes([period])
            i += best
        else:
            out.append(data[i])
            i += 1
    return bytes(out)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        packed = pack(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(packed)
