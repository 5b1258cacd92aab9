#!/usr/bin/env bash
# Writes the two sample projects of this folder from the demo project of the harn tool:
#   OLD14    its database head rewritten as version 1.4 left it: version text "1.0" with the
#            fraction 0.4, the project texts and nothing else; the objects are known only from
#            the data files, as after an older program;
#   DAMAGED  its database with a wrong object count, freed slots that are not there, one
#            record lost (its type byte zeroed) and a live slot past the end of the slots.
# `harn convert` rebuilds either. Usage: bash samples/projects/make_projects.sh [HARN]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
harn="${1:-$here/../../build/default/harn}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for name in OLD14 DAMAGED; do
    "$harn" demo "$work/$name" --name "$name" >/dev/null
    rm -f "$work/$name/TMPPROG.PB\$"
done

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

path = work + "/OLD14/HARNPLAN.DBS"
data = bytearray(open(path, "rb").read())
head = bytearray(324)
head[0:220] = data[0:220]
head[0:6] = b"1.0\0\0\0"
struct.pack_into("<d", head, 312, 0.4)
struct.pack_into("<i", head, 320, 600)
open(path, "wb").write(bytes(head))

path = work + "/DAMAGED/HARNPLAN.DBS"
data = bytearray(open(path, "rb").read())
antal, = struct.unpack_from("<i", data, 220)
slut, = struct.unpack_from("<i", data, 320)
struct.pack_into("<i", data, 220, antal + 2)  # two objects too many
struct.pack_into("<i", data, 260, 3)          # three freed slots that are not there
data[600 + 3 * 124] = 0                       # the fourth record lost
data[slut:slut + 124] = data[600:600 + 124]   # a live slot past the end
open(path, "wb").write(bytes(data))
PY

for name in OLD14 DAMAGED; do
    rm -rf "$here/$name"
    cp -r "$work/$name" "$here/$name"
done
echo "wrote $here/OLD14 and $here/DAMAGED"
