#include "mapping/LibraryFile.h"

#include "list/FileImage.h"
#include "list/Utilities.h"
#include "platform/Clock.h"
#include "platform/Cp1252Literal.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace libfile {

const char* const kVersion = "1.4";

namespace {

std::FILE* g_bellStream = nullptr;

// The message box of every library-file message: OK button, exclamation icon, no caption.
void show(const char* text) {
    ShowMessage(text, MB_OK, MB_ICONEXCLAMATION, nullptr);
}

void showAboutFile(const char* format, const char* fil) {
    std::snprintf(g_nameBuffer, kScratchSize, "%s", fil);
    std::snprintf(g_lineBuffer, kScratchSize, format, g_nameBuffer);
    show(g_lineBuffer);
}

int16_t numberOf(const char* record, const Kind& kind) {
    int16_t nr;
    std::memcpy(&nr, record + kind.numberOffset, sizeof nr);
    return nr;
}

// Whole contents of an open binary stream; false when a read fails.
bool readAll(std::FILE* f, std::string& bytes) {
    if (std::fseek(f, 0, SEEK_SET) != 0)
        return false;
    bytes.clear();
    return fileimage::readRest(f, bytes);
}

void stopMessage(const char* record, const Kind& kind) {
    char id[17];
    recordId(record, id, sizeof id);
    if (kind.stopInStatusLine) {
        std::snprintf(g_lineBuffer, kScratchSize, "%s%15s", "Kontroll av databas: stopp på id "_cp,
                      id);
        bell(1);
        ShowStatus(g_lineBuffer);
        Sleep(300);
        bell(1);
    } else {
        std::snprintf(g_lineBuffer, kScratchSize, "%s%15s",
                      "Kontroll av databas, förstärk: stopp på id "_cp, id);
        bell(1);
        show(g_lineBuffer);
    }
}

int create(const char* fil, bibhdtype& hd) {
    std::memset(&hd, 0, sizeof hd);
    std::strcpy(hd.version, kVersion);
    hd.text[0] = 0;
    double v = std::atof(kVersion);
    hd.verdel = v - static_cast<int>(v);
    hd.slut = kFirstRecord;
    // A new file appears whole or not at all; one that cannot be made in its place could not
    // have been opened either.
    platform::SafeReplace::Failure failure;
    if (platform::replaceFileContents(
            fil, std::string(reinterpret_cast<const char*>(&hd), sizeof hd), &failure) != 0) {
        showAboutFile(failure == platform::SafeReplace::Failure::Write
                          ? "Kan ej skriva biblioteksfil :\n%s"
                          : "Kan ej öppna biblioteksfil :\n%s"_cp,
                      fil);
        return -3;
    }
    return 0;
}

} // namespace

void setBellStream(std::FILE* stream) {
    g_bellStream = stream;
}

void bell(int count) {
    std::FILE* out = g_bellStream ? g_bellStream : stdout;
    for (int i = 0; i < count; ++i)
        std::fputc('\a', out);
    std::fflush(out);
}

void recordId(const void* record, char* out, std::size_t outSize) {
    const char* id = static_cast<const char*>(record);
    std::size_t n = 0;
    while (n < 16 && n + 1 < outSize && id[n])
        ++n;
    std::memcpy(out, id, n);
    out[n] = 0;
}

bool versionAccepted(const char* version) {
    char text[sizeof(bibhdtype::version) + 1];
    std::memcpy(text, version, sizeof(bibhdtype::version));
    text[sizeof(bibhdtype::version)] = 0;
    double vFile = 0, vCur = 0;
    if (std::sscanf(text, "%lf", &vFile) != 1 || !std::isfinite(vFile))
        return false;
    std::sscanf(kVersion, "%lf", &vCur);
    // Integer parts by truncation; a file version beyond the int range is simply newer.
    double iFile = std::trunc(vFile), iCur = std::trunc(vCur);
    if (iFile >= iCur && vFile <= vCur)
        return true;
    if (std::fabs(vFile - vCur) <= 0.16)
        return true;
    return iCur == 1 && vFile >= 0.94;
}

int init(const char* fil, int ny, bibhdtype& hd, const Kind& kind, RecordSink sink, void* context,
         bool pack) {
    if (!fil)
        fil = "";
    if (ny == 1)
        return create(fil, hd);

    std::FILE* f = platform::fopen(fil, pack ? "r+b" : "rb");
    if (!f) {
        showAboutFile("Kan ej öppna biblioteksfil :\n%s"_cp, fil);
        return -3;
    }
    if (std::fread(&hd, 1, sizeof hd, f) != sizeof hd) {
        showAboutFile("Fel vid läsning av databas :\n%s"_cp, fil);
        std::fclose(f);
        return -4;
    }
    if (!versionAccepted(hd.version)) {
        char text[sizeof(bibhdtype::version) + 1];
        std::memcpy(text, hd.version, sizeof(bibhdtype::version));
        text[sizeof(bibhdtype::version)] = 0;
        bell(2);
        std::snprintf(g_lineBuffer, kScratchSize, "Gammal version: %s\n", text);
        std::strcat(g_lineBuffer, "Nu gäller version: "_cp);
        std::strcat(g_lineBuffer, kVersion);
        show(g_lineBuffer);
        std::fclose(f);
        return -1;
    }

    const bool packing = pack && hd.hal > 0;
    // When packing, the file's new contents are built here and written back at the end.
    std::string image;
    bool readError = packing && !readAll(f, image);

    std::vector<char> record(static_cast<size_t>(kind.length), 0);
    // The records in use with their offset now and after packing; they go to the list once
    // it is known whether the packed file was written.
    struct Loaded {
        std::vector<char> bytes;
        int32_t old, packed;
    };
    std::vector<Loaded> inUse;
    int64_t p = kFirstRecord, w = kFirstRecord;
    long freed = 0, loaded = 0;
    if (readError || std::fseek(f, p, SEEK_SET) != 0) {
        readError = true;
    } else {
        while (std::fread(record.data(), 1, record.size(), f) == record.size()) {
            if (numberOf(record.data(), kind) > 0) {
                if (p >= hd.slut) {
                    stopMessage(record.data(), kind);
                    break;
                }
                Loaded rec{record, static_cast<int32_t>(p), static_cast<int32_t>(p)};
                if (packing) {
                    if (static_cast<size_t>(w) + record.size() <= image.size())
                        image.replace(static_cast<size_t>(w), record.size(), record.data(),
                                      record.size());
                    rec.packed = static_cast<int32_t>(w);
                    w += kind.length;
                }
                inUse.push_back(std::move(rec));
                ++loaded;
            } else if (p < hd.slut) {
                ++freed;
            }
            p += kind.length;
        }
        readError = std::ferror(f) != 0;
    }
    std::fclose(f);
    // A read that failed is not the end of the file: the records behind it would be lost to
    // the fillers of packing. Nothing is written; the list holds what was read, at the
    // offsets where the file holds it.
    if (readError) {
        for (const Loaded& rec : inUse)
            sink(context, rec.bytes.data(), rec.old);
        showAboutFile("Fel vid läsning av databas :\n%s"_cp, fil);
        return -4;
    }

    if (hd.antal != loaded) {
        bell(1);
        std::snprintf(g_lineBuffer, kScratchSize, "%s%ld %ld%s", "Osäker databas antal=("_cp,
                      static_cast<long>(hd.antal), loaded, "),\nvälj Konvertera i Arkiv."_cp);
        show(g_lineBuffer);
    }
    if (hd.hal != freed) {
        bell(1);
        std::snprintf(g_lineBuffer, kScratchSize, "%s%ld %ld%s", "Fel vid packning antal=(",
                      static_cast<long>(hd.hal), freed, "),\nvälj Konvertera i Arkiv."_cp);
        show(g_lineBuffer);
    }

    bool packed = false;
    if (packing) {
        const bibhdtype old = hd;
        hd.slut = static_cast<int32_t>(w);
        // Fillers over the slots the records moved out of; they never lengthen the file.
        int16_t minusOne = -1;
        std::memcpy(record.data() + kind.numberOffset, &minusOne, sizeof minusOne);
        for (int32_t i = 0; i < hd.hal && static_cast<size_t>(w) + record.size() <= image.size();
             ++i, w += kind.length)
            image.replace(static_cast<size_t>(w), record.size(), record.data(), record.size());
        hd.hal = 0;
        if (image.size() >= sizeof hd)
            image.replace(0, sizeof hd, reinterpret_cast<const char*>(&hd), sizeof hd);
        packed = image.size() >= sizeof hd && platform::replaceFileContents(fil, image) == 0;
        if (!packed)
            hd = old; // the file keeps its old header
    }
    // Each record's offset is where the file on disk holds it.
    for (const Loaded& rec : inUse)
        sink(context, rec.bytes.data(), packed ? rec.packed : rec.old);
    if (packing && !packed) {
        showAboutFile("Kan ej skriva biblioteksfil :\n%s", fil);
        // The constructors drop Init's result; the caller still learns of it.
        ReportFailure("library file not packed: cannot write %s", fil);
        return -5;
    }
    return 0;
}

} // namespace libfile
