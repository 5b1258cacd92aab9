// Reading the records of a tunnel, bolt or drainage file from its whole image, packing away
// the holes that deleted records left.
#pragma once

#include "list/FileImage.h"
#include "list/list0.h"
#include "platform/FailureLog.h"
#include "platform/SafeReplace.h"
#include "tunnel/todbtype.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tunnelfile {

// Adds each record in use of `image` to `list`, with its offset: full records from `first`
// on; a record in use at or behind the head's end (`slut`) ends the reading. When the head
// counts holes (`hal` > 0) the records move down over them, as many dead records as the head
// counts (no more than were read: a damaged count cannot lengthen the file unduly) follow,
// and the image with the new head replaces the file at `path`. When that fails the file, the
// head and the offsets in the list stay as they were, so the next reading packs again, and
// `failure` with the path goes to the failure log. Without `pack` nothing is moved or written:
// the records keep their offsets in the file as it is.
template <class Head>
void readRecords(list0<todbtype>& list, Head& hd, long first, std::string& image, const char* path,
                 const char* failure, bool pack = true) {
    const bool packing = pack && hd.hal > 0;
    std::vector<std::pair<todbtype*, int32_t>> moved; // element and its unpacked offset
    todbtype rec{};
    long r = first, w = first, recordsRead = 0;
    for (; r + kTodbRecordSize <= static_cast<long>(image.size()); r += kTodbRecordSize) {
        std::memcpy(&rec, image.data() + r, kTodbRecordSize);
        ++recordsRead;
        if (rec.typ <= 0 || rec.aktiv == 0)
            continue;
        if (r >= hd.slut)
            break;
        rec.filpos = static_cast<int32_t>(r);
        list.Ny(1, &rec);
        if (packing) {
            todbtype* element = list.Get_aktel();
            moved.emplace_back(element, rec.filpos);
            element->filpos = rec.filpos = static_cast<int32_t>(w);
            fileimage::put(image, static_cast<std::size_t>(w), &rec, kTodbRecordSize);
            w += kTodbRecordSize;
        }
    }
    if (!packing)
        return;
    const Head old = hd;
    hd.slut = static_cast<int32_t>(w);
    rec.typ = 0;
    rec.aktiv = 0;
    for (long i = 0; i < hd.hal && i < recordsRead; ++i)
        fileimage::put(image, static_cast<std::size_t>(w + i * kTodbRecordSize), &rec,
                       kTodbRecordSize);
    hd.hal = 0;
    fileimage::put(image, 0, &hd, sizeof(Head));
    if (platform::replaceFileContents(path, image) != 0) {
        hd = old;
        for (auto& [element, offset] : moved)
            element->filpos = offset;
        platform::FailureLog::report(std::string(failure) + path);
    }
}

} // namespace tunnelfile
