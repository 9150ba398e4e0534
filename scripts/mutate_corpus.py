#!/usr/bin/env python3
"""Writes mutated copies of TECRIS files, reproducibly, for comparing two builds' outputs.

    mutate_corpus.py OUTDIR COUNT SEED FILE...

Each mutant goes into OUTDIR/NNNN/ under its source's name, so that no two share a job folder.
The mutations are the kinds of damage and odd text that delivered files show: numbers in every
form the readers tell apart, fields added, lost or cut, line ends changed, encodings mixed up.
"""
import os
import random
import sys

NUMBERS = [b"0", b"-0", b"+1", b"1.", b".5", b"-.5", b" 12 ", b"12.345678901234567", b"1E5",
           b"1e-5", b"2.5E+38", b"1E39", b"-3.4E38", b"1e400", b"1E-400", b"&H1F", b"&O17",
           b"1D3", b"\x82\x50\x82\x44", b"1\x82\x64" + b"5", b"1.25\x82\x85-5", b"0.00001",
           b"123456789012345678901234567890", b"9" * 40, b"9" * 320, b"1E", b"E5", b"+-1",
           b"1 2", b"\t3", b"0.0001", b"99999.999", b"-12345.6789", b"", b" ", b"  ",
           b"1,5", b"\"1.5\"", b"\"a\r\nb\"", b"0.30", b"100.00", b"-0.000", b"32767",
           b"32768", b"-1", b"1.5E-45", b"3.402823E38", b"12.5e0"]
JUNK = [b"\xff", b"\x81", b"\x00", b"\x1a", b"\xef\xbb\xbf", b"\r", b"\n", b"\"", b",,,",
        b"\x82\xa0\x82\xa2", b"X", b"\x81\x40"]


def fields(data):
    """(start, end) of every field, split at commas and line ends, quotes ignored."""
    spans, start = [], 0
    for i, c in enumerate(data):
        if c in b",\r\n"[0:1] or c == 13 or c == 10:
            spans.append((start, i))
            start = i + 1
    spans.append((start, len(data)))
    return [s for s in spans if s[1] >= s[0]]


def mutate(data, rng):
    spans = fields(data)
    kind = rng.randrange(10)
    if kind <= 3 and spans:  # a field becomes another number
        s, e = rng.choice(spans)
        return data[:s] + rng.choice(NUMBERS) + data[e:]
    if kind == 4 and spans:  # a field lost, or one more
        s, e = rng.choice(spans)
        if rng.random() < 0.5:
            return data[:s] + data[min(e + 1, len(data)):]
        return data[:s] + rng.choice(NUMBERS) + b"," + data[s:]
    if kind == 5:  # cut short
        return data[:rng.randrange(len(data) + 1)]
    if kind == 6:  # junk bytes in a random place, or after the end
        at = rng.randrange(len(data) + 1) if rng.random() < 0.7 else len(data)
        return data[:at] + rng.choice(JUNK) + data[at:]
    if kind == 7:  # line ends changed
        return data.replace(b"\r\n", rng.choice([b"\n", b"\r", b"\r\r\n", b",\r\n"]))
    if kind == 8 and spans:  # a byte flipped
        at = rng.randrange(len(data)) if data else 0
        return data[:at] + bytes([rng.randrange(256)]) + data[at + 1:]
    # several at once
    for _ in range(rng.randrange(2, 5)):
        data = mutate(data, rng)
    return data


def main():
    out, count, seed, sources = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]
    rng = random.Random(seed)
    originals = [(os.path.basename(p), open(p, "rb").read()) for p in sorted(sources)]
    for n in range(count):
        name, data = originals[n % len(originals)]
        folder = os.path.join(out, "%04d" % n)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(mutate(data, rng) if n >= len(originals) else data)


if __name__ == "__main__":
    main()
