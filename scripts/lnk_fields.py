#!/usr/bin/env python3
"""Prints the working folder of a Windows shortcut (.lnk), as stored, so that the installer test
can check where the window starts. Reads the shell-link format's header and string data."""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO = 0x1, 0x2
STRINGS = [(0x4, "name"), (0x8, "relative_path"), (0x10, "working_dir"), (0x20, "arguments"),
           (0x40, "icon")]
IS_UNICODE = 0x80


def fields(data):
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & HAS_LINK_INFO:
        at += struct.unpack_from("<I", data, at)[0]
    found = {}
    for bit, name in STRINGS:
        if not flags & bit:
            continue
        count = struct.unpack_from("<H", data, at)[0]
        at += 2
        size = count * 2 if flags & IS_UNICODE else count
        raw = data[at:at + size]
        found[name] = raw.decode("utf-16-le" if flags & IS_UNICODE else "cp932").rstrip("\0")
        at += size
    return found


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        print(fields(f.read()).get(sys.argv[2] if len(sys.argv) > 2 else "working_dir", ""))
