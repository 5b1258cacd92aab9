#!/usr/bin/env python3
"""Writes the sample code file and library files of this folder from the formats described
in docs/formats/Harnkod.md and docs/formats/Library.md. Run it from anywhere; it writes
beside itself."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

HARNKOD = """Harnkod.dat - kodlistor för demoprojekt
*
Block för andra program: läses och skrivs inte av kodlistorna
*
0  
1 Ss Sandsten 1.100 4 0.000 0
3 Sk Skiffer 2.500 7 90.000 0
9 Gg Granitgnejs 1.300 5 30.000 0
11 Gr Granit 1.200 6 45.000 0
13 Db Diabas 0.800 3 90.000 0
21 Kf
40 Pe Pegmatit 1.500 7 60.000 0
-1 Ok Okänd 1.000 4 0.000 9
*
0  
1 ka
2 kl
3 gf
13 Le
*
"""


def header(antal, slut, hal=0):
    h = bytearray(300)
    h[0:3] = b"1.4"
    struct.pack_into("<i", h, 24, antal)
    struct.pack_into("<i", h, 104, hal)
    struct.pack_into("<d", h, 108, 1.4 - 1)
    struct.pack_into("<i", h, 116, slut)
    return bytes(h)


def record(length, fields):
    r = bytearray(length)
    for offset, fmt, value in fields:
        if fmt == "id":
            r[offset:offset + len(value)] = value.encode("cp1252")
        else:
            struct.pack_into(fmt, r, offset, value)
    return bytes(r)


def library(name, length, records):
    data = header(len(records), 300 + length * len(records))
    data += b"".join(record(length, f) for f in records)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


def main():
    with open(os.path.join(HERE, "Harnkod.dat"), "wb") as out:
        out.write(HARNKOD.replace("\n", "\r\n").encode("cp1252"))
    library("Forstsys.bib", 312, [
        [(0, "id", "BULT-S1"), (16, "<h", 1)],
        [(0, "id", "SPRUT-50"), (16, "<h", 2)],
        [(0, "id", "NÄT-B"), (16, "<h", 3)],
    ])
    library("Forsttyp.bib", 656, [
        [(0, "id", "CC25"), (652, "<h", 1), (654, "<h", 1)],
        [(0, "id", "CC32"), (652, "<h", 1), (654, "<h", 2)],
        [(0, "id", "SB50"), (652, "<h", 2), (654, "<h", 1)],
    ])
    library("Injsys.bib", 288, [
        [(0, "id", "CEM-A"), (212, "<h", 1)],
        [(0, "id", "CEM-B"), (212, "<h", 2)],
    ])


if __name__ == "__main__":
    main()
