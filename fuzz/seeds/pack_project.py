#!/usr/bin/env python3
"""Packs a project folder into one input of the project targets (project_check,
project_convert): per file one byte (0x80 for a file of HARNDB, plus the name's length), the
name in CP1252, two bytes of length (little-endian) and the contents (fuzz/ProjectImage.h).

    pack_project.py DIR OUT

harn_fuzz_replay packs samples/projects/OLD14 and DAMAGED itself; seeds/project/demo.img is
the project `harn demo` writes."""
import os
import sys


def pack(folder):
    out = bytearray()
    for in_db, sub in ((False, folder), (True, os.path.join(folder, "HARNDB"))):
        if not os.path.isdir(sub):
            continue
        for name in sorted(os.listdir(sub)):
            path = os.path.join(sub, name)
            if not os.path.isfile(path):
                continue
            raw = name.encode("cp1252")[:31]
            data = open(path, "rb").read()[:0xFFFF]
            out += bytes([(0x80 if in_db else 0) | len(raw)]) + raw
            out += len(data).to_bytes(2, "little") + data
    return bytes(out)


if __name__ == "__main__":
    open(sys.argv[2], "wb").write(pack(sys.argv[1]))
