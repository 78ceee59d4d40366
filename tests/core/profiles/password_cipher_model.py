#!/usr/bin/env python3
# An independent model of the password cipher, for working out password_cipher_test's vectors
# without the code under test: truncating division and remainder spelled out, the key's zero at
# index m. Run it to print the vectors of the test's cases.


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def tmod(a, b):
    return a - b * tdiv(a, b)


def cipher(text, key):
    if len(key) < 3 or not text:
        return b""
    h = 1 + sum((ch - 256 if ch >= 128 else ch) + k for k, ch in enumerate(key))
    while h < 10_000_000:
        h *= 2
    c = tmod(tdiv(h, 997) - 1, 254) + 1
    n, m, kz, j, out = len(text), len(key), key + b"\0", 0, bytearray()
    for i in range(n):
        c = tmod(c - n + i - 1, 254) + 1
        b = kz[j] ^ (c & 0xFF) ^ text[i]
        out.append(b if b else text[i])
        j = j + 1 if j < m else 0
    return bytes(out)


if __name__ == "__main__":
    for clear in [b"A", b"secret", b"abzde", bytes(range(0x41, 0x68)), bytes(range(0x80, 0x8C))]:
        print(clear, cipher(clear, b"581730264").hex(" "))
