#!/usr/bin/env python3
"""Writes the hand-made seed files of the fuzz targets beside itself. The demo files
(seeds/dbs/demo.DBS, seeds/snd/BH*.SND, seeds/lje/*.LJE) come from `harn demo`; the samples
in samples/ and the cases of tests/data are read by harn_fuzz_replay directly. Regression
seeds (one per fault found) are written by hand and not touched here."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(rel, data):
    if isinstance(data, str):
        data = data.encode("cp1252")
    with open(os.path.join(HERE, rel), "wb") as out:
        out.write(data)


HEAD = ("B1                             \r\n1000.000000\r\n2000.000000 0\r\n"
        "100.000000 95.000000\r\n0.000000 0.000000\r\n0.000000 0.000000 0 1\r\n"
        "0.000000 45 60\r\n")


def dbs_variants():
    """Variants of the demo database: a freed slot to pack, an end offset below live slots,
    the bare head of a new database, a refused version."""
    demo = bytearray(open(os.path.join(HERE, "dbs/demo.DBS"), "rb").read())
    antal, = struct.unpack_from("<i", demo, 220)
    freed = bytearray(demo)
    freed[600 + 2 * 124] = 0  # typ of the third slot
    struct.pack_into("<i", freed, 220, antal - 1)
    struct.pack_into("<i", freed, 260, 1)  # hal
    write("dbs/freed.DBS", bytes(freed))
    stop = bytearray(demo)
    struct.pack_into("<i", stop, 320, 600 + 3 * 124)  # slut
    write("dbs/stop.DBS", bytes(stop))
    new = bytearray(demo[:324])
    struct.pack_into("<10i", new, 220, *([0] * 10))
    struct.pack_into("<6d", new, 264, *([1.7976931348623157e308, -1.7976931348623157e308] * 3))
    struct.pack_into("<i", new, 320, 600)
    write("dbs/new.DBS", bytes(new))
    old = bytearray(demo)
    old[0:6] = b"0.5\0\0\0"
    struct.pack_into("<d", old, 312, 0.0)
    write("dbs/old.DBS", bytes(old))


def main():
    dbs_variants()
    # Borehole files: the head alone; a core log with extra and remark lines; registered
    # drilling of kind 4 without times; water-loss tests with DOS letters.
    write("snd_head/head.SND", HEAD + "*")
    write("snd_head/short.SND", "B1\n1\n")
    write("snd_karnborr/kb.SND", HEAD + "*\r\n0 Kärna\r\n0.000000 95 3 0 1 1 1\r\n"
          " 12.50  3  1  45 -30 2 4 11  2 3 1995  85 1 1    2.125 150  Granit, grå\r\n"
          "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\r\n%2 Sprickzon\r\n%6 sista\r\n"
          " 30.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \r\n*\r\n")
    write("snd_regborr/rb4.SND", HEAD + "*\r\n3 Registrerad\r\n0.000000 95 7 0 1 4\r\n"
          "  1.500      0 12.34  1.10   333  2.20  4.40  5.50  6.60         Berg\r\n"
          "  2.500      0 10.00  1.10   333  2.20  4.40  5.50  6.60\r\n*\r\n*\r\n"
          "1 Jord-berg\r\n0.000000 0 0 0 1 0\r\n  2.500     30        slut\r\n*\r\n")
    # DOS letters (0x84 ä, 0x86 å, 0x94 ö) in the text, as old files have them.
    write("snd_vattenf/vf.SND", (HEAD + "*\r\n2 \r\n0.000000 93 2 0 1\r\n"
          " 10.000  15.000 0.5 12.5 3.0 0.125 7              Tät sektion åö\r\n*\r\n")
          .encode("cp1252").replace(b"\xe4", b"\x84").replace(b"\xe5", b"\x86")
          .replace(b"\xf6", b"\x94"))
    # Outcrop: empty head lines, a short point line, no closing star.
    write("lad/short.LAD", "Lead\r\n\r\nH1\r\n1 2 3\r\n\r\n0.5 3 1\r\n3 0 2 1\r\n ref\r\n"
          "text that is long\r\n*\r\n1 2 3 Gr\r\n4 5\r\n7 8 0 Pegmatit")
    # Line file with every column and a soil code from the table only.
    write("lje/columns.LJE", "L1\r\n0\r\n2 0 1.5\r\n90\r\n*\r\n 0 1 2 3 A\r\n 1 2 3 4\r\n*\r\n"
          "Berg\r\n1 a\r\n2\r\n3 surplus\r\n*\r\nB\r\n*\r\nC\r\n1\r\n*\r\nZ-mate\r\n5\r\n*\r\n"
          "E\r\n6\r\n*\r\n")
    # Code file: exactly the three star lines, a negative code with all seven fields.
    write("harnkod/minimal.dat", "*\r\n*\r\n40 Pe Pegmatit 1.5 7 60 0\r\n-3 Xx Okänd 1 4 0 9\r\n"
          "*\r\n14 Nn Ny\r\n*\r\n")
    # Library files with a freed record, so that loading packs.
    def lib(name, length, number_at, antal, hal, ids):
        h = bytearray(300)
        h[0:3] = b"1.4"
        struct.pack_into("<i", h, 24, antal)
        struct.pack_into("<i", h, 104, hal)
        struct.pack_into("<d", h, 108, 0.4)
        recs = b""
        for i, (rid, nr) in enumerate(ids):
            r = bytearray(length)
            r[0:len(rid)] = rid.encode("cp1252")
            struct.pack_into("<h", r, number_at, nr)
            recs += bytes(r)
        struct.pack_into("<i", h, 116, 300 + len(recs))
        write(name, bytes(h) + recs)
    lib("forstsystem/freed.bib", 312, 16, 2, 1, [("A", 1), ("B", 0), ("C", 3)])
    lib("forsttyper/freed.bib", 656, 652, 2, 1, [("A", 1), ("B", 0), ("C", 3)])
    lib("injsystem/freed.bib", 288, 212, 2, 1, [("A", 1), ("B", 0), ("C", 3)])
    # Alignment files: the demo's road (CR LF, comments), every kind of element, an arc of
    # more than half a circle, and a nearly straight arc far out in a national grid.
    write("vl/demo.VL", "ALIGNMENT 1\r\n# Demo\r\n0\r\n1000.000 2010.000\r\n"
          "1100.000 2010.000 0.0436609429085\r\n1152.094 2014.558\r\n1250.575 2031.923\r\n")
    write("vl/winding.VL", "ALIGNMENT 1\n1000\n-10 0 0\n0 0 0.41421356237309503\n"
          "10 10 -0.41421356237309503\n20 20 1\n20 30\n10 30 0\n")
    write("vl/big.VL", "ALIGNMENT 1\n-5.5e2\n0 0 -2.414213562373095\n-10 -10\n")
    write("vl/grid.VL", "  ALIGNMENT\t1\n\n6580000\n6580000.125 1500000.5 1.5e-9\n"
          "6590000 1510000 -999.5\n6590000.001 1510000\n")
    tunnel_files()


def todb(typ, sekt, text=b"", at=None):
    """A 144-byte tunnel, bolt or drainage record; `at` sets fields {offset: (format, value)}."""
    r = bytearray(144)
    struct.pack_into("<h", r, 0, typ)
    r[4] = 1 if typ else 0
    struct.pack_into("<d", r, 16, sekt)
    r[36:36 + len(text)] = text
    for offset, (fmt, value) in (at or {}).items():
        struct.pack_into(fmt, r, offset, value)
    return bytes(r)


def tunnel_files():
    """Tunnel, bolt, drainage and type library files beside the demo's (written by
    `harn demo`): holes to pack, an old version, kinds 9 and 10, bolts of version 1.19,
    drains given out of order, arcs of every kind, and a text file without its end mark."""
    def odb(version, recs, hal=0, antal9=0):
        h = bytearray(300)
        h[0:len(version)] = version
        h[6:13] = b"TUNNEL1"
        live = sum(1 for r in recs if r[0])
        struct.pack_into("<i", h, 24, live)
        struct.pack_into("<i", h, 24 + 36, antal9)
        struct.pack_into("<i", h, 104, hal)
        struct.pack_into("<d", h, 136, 0.5)
        struct.pack_into("<i", h, 144, 1)
        struct.pack_into("<i", h, 148, 300 + 144 * len(recs))
        return bytes(h) + b"".join(recs)
    write("odb/holes.ODB", odb(b"1.5", [todb(7, 70, b"VALV10"), todb(0, 0), todb(7, 10, b"TRAP8"),
                                        todb(9, 5, b"", {68: ("<16s", b"annat")})], 1, 1))
    write("odb/old.ODB", odb(b"1.1", [todb(7, 30, b"TRAP8", {100: ("<d", 2.5)}),
                                      todb(10, 30, b"X")]))
    def boltdrain(version, nastanr, recs, hal=0):
        h = bytearray(300)
        h[0:len(version)] = version
        struct.pack_into("<i", h, 24, sum(1 for r in recs if r[0]))
        struct.pack_into("<i", h, 28, hal)
        struct.pack_into("<i", h, 32, 300 + 144 * len(recs))
        struct.pack_into("<i", h, 44, nastanr)
        return bytes(h) + b"".join(recs)
    write("odf/old.ODF", boltdrain(b"1.19", 1, [todb(1, 12), todb(1, 14)]))
    write("odf/holes.ODF", boltdrain(b"1.5", 5, [todb(1, 12, b"", {136: ("<i", 3)}), todb(0, 0),
                                                 todb(2, 30)], 1))
    def point(lnr, psekt, dnr=0):
        return todb(1, 0, b"", {56: ("<i", lnr), 80: ("<d", psekt), 116: ("<i", dnr)})
    # Regression: a serial counter at its largest value overflowed when handed out.
    write("odf/regress-counter-at-max.ODF", boltdrain(b"1.5", 0x7fffffff, [todb(1, 12), todb(1, 14)]))
    write("odd/drains.ODD", boltdrain(b"1.5", 1, [point(1, 50), point(2, 70), point(1, 20),
                                                  point(5, 10), point(7, 30)]))
    write("odd/headless.ODD", boltdrain(b"1.5", 1, [point(3, 40), point(1, 20), todb(0, 0)], 1))
    tvrec = lambda name, xmin, xmax: (name.ljust(9, b"\0") + b"typ".ljust(39, b"\0") +
                                      struct.pack("<11d", 1, 2, 0, xmin, xmax, 0, 6, 0, 0, 0, 0))
    tv = bytearray(100)
    tv[0:3] = b"1.5"
    struct.pack_into("<iid", tv, 16, 2, 1, 0.5)
    struct.pack_into("<i", tv, 32, 100 + 3 * 136)
    write("tvtyp/holes.LIS", bytes(tv) + tvrec(b"A", -3, 3) + bytes(136) + tvrec(b"b", -2, 2))
    write("ttv/arcs.ttv", "*\r\nT1\r\n   2.000    0.0005\r\n\r\n\r\n\r\nValv\r\n*\r\n"
          "0 0 5\r\n6 0 -5\r\n6 0 2\r\n0 6 0.005\r\n1 2\r\n0 0 0.1234567\r\n*\r\n")
    write("ttv/one-point.ttv", "*\nT1\n1.5 2.5 0\n0 0\n0 0\n0 0 0 0\nEtt\n*\n3 4 2\n*\n")
    # Regression: a last line without its line end was joined to the end mark on every save.
    write("lat/regress-last-line-open.LAT", "TUN1\r\nV1.VL\r\n\r\n0 1.50\r\n* 3\r\nhost\r\n"
          "* 7\r\n* 7\r\n 10.000 0 0")
    write("lat/no-section7.LAT", "TUN1\nV1.VL\nrubrik\n0 1.50\n* 3\nhost\n*12 x\nmore\n**")


if __name__ == "__main__":
    main()
