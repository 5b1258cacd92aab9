#include "borehole/SndFile.h"

#include "database/CHarnDbs.h"
#include "list/FormattedText.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FileSystem.h"
#include "platform/LineReader.h"
#include "platform/MemoryStream.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace borehole {
namespace {

constexpr double kDegToRad = 3.14159265359 / 180;

CString dataFile(const CProjPath* proj, const char* namn, const char* ext) {
    CString path;
    path.Format("%s%s%s%s%s%s", proj->ProjKat(), "\\",
                static_cast<const char*>(CProjPath::HarnDbfKat), "\\", namn, ext);
    return path;
}

bool isStar(std::string_view line) {
    return !line.empty() && line[0] == '*';
}

// The system box of the file operations: no owner, caption "Filöppning", OK button.
int fileMessage(const char* format, const char* path) {
    std::snprintf(g_lineBuffer, kScratchSize, format, path);
    MessageBoxA(nullptr, g_lineBuffer, "Filöppning"_cp, MB_OK | MB_ICONEXCLAMATION);
    return -3;
}

} // namespace

CString sndPath(const CProjPath* proj, const char* namn) {
    return dataFile(proj, namn, ".SND");
}

CString crdPath(const CProjPath* proj, const char* namn) {
    return dataFile(proj, namn, ".CRD");
}

bool openForReading(CFile& file, const char* path, UINT type) {
    if (platform::access(path, 0) != 0)
        return false;
    return file.Open(path, CFile::modeRead | type) != FALSE;
}

bool readHead(CStdioFile& file, const CProjPath* proj, const char* namn, harnbhdtype* bhd,
              int close) {
    if (!openForReading(file, sndPath(proj, namn)))
        return false;
    CHarnDbs::LasHead(&file, bhd, close);
    return true;
}

namespace {

// The lines after the head, block by block: `opened` gets each block's number and first line
// and says whether the block's further lines go to `body`.
void walkBlocks(CStdioFile& file, const std::function<bool(int number, char* line)>& opened,
                const std::function<void(char* line)>& body) {
    bool nextOpens = true;
    bool wanted = false;
    // On from the head, in blocks (the lines ReadLine gives).
    platform::LineReader lines(file);
    std::string_view line;
    while (lines.next(line)) {
        // The line up to a zero byte, cut to the buffer.
        std::size_t length = std::min(line.size(), kScratchSize - 1);
        if (const void* zero = std::memchr(line.data(), 0, length))
            length = static_cast<std::size_t>(static_cast<const char*>(zero) - line.data());
        std::memcpy(g_lineBuffer, line.data(), length);
        g_lineBuffer[length] = 0;
        if (g_lineBuffer[0] == '*') {
            nextOpens = true;
            continue;
        }
        if (nextOpens) {
            nextOpens = false;
            int number = -1;
            if (std::sscanf(g_lineBuffer, "%d", &number) != 1)
                number = -1;
            wanted = opened(number, g_lineBuffer);
            continue;
        }
        if (wanted)
            body(g_lineBuffer);
    }
}

} // namespace

void scanBlocks(CStdioFile& file, int wanted, const std::function<void(char* line)>& opened,
                const std::function<void(char* line)>& body) {
    walkBlocks(
        file,
        [&](int number, char* line) {
            if (wanted < 0 || number != wanted)
                return false;
            opened(line);
            return true;
        },
        body);
}

unsigned blocksPresent(CStdioFile& file) {
    unsigned present = 0;
    walkBlocks(
        file,
        [&](int number, char*) {
            if (number >= 0 && number < 32)
                present |= 1u << number;
            return false;
        },
        [](char*) {});
    return present;
}

int rewrite(const CProjPath* proj, const char* namn, harnbhdtype* bhd, int del,
            const std::function<void(FormattedText& out)>& writeBody) {
    CString snd = sndPath(proj, namn);

    // The old file's lines as a text-mode stream gives them, read in blocks.
    CFile in;
    if (!openForReading(in, snd, CFile::typeBinary))
        return fileMessage("Fel: Hittar inte %s", snd);
    platform::LineReader old(in);
    platform::SafeReplace replacement(snd);
    // Written in binary with CR LF line ends: the bytes a text-mode stream would write.
    FILE* out = replacement.open("wb");
    if (!out) {
        in.Abort();
        // A write-protected file is named itself: no temporary file was tried.
        const bool prot = replacement.failure() == platform::SafeReplace::Failure::Protected;
        return fileMessage("Fel: Kan ej öppna %s"_cp, prot ? static_cast<const char*>(snd)
                                                           : replacement.temporaryPath().c_str());
    }

    const int metod = bhd->metod;
    try {
        // Written by a background writer while the next piece is formatted; when something
        // below throws, `text` is gone (its writer stopped) before the stream is abandoned.
        FormattedText text(out, true, true);
        auto writeBlock = [&] {
            text.literal("*\n").integer(metod).put(' ');
            text.text(bhd->metodtext, sizeof bhd->metodtext - 1).endLine();
            writeBody(text);
            text.literal("*\n");
        };
        {
            platform::MemoryStream head;
            CHarnDbs::SkrivHead(head.stream(), bhd);
            text.literal(head.take());
        }
        std::string_view line;
        bool have;
        // The old head, up to and including its closing "*".
        while ((have = old.next(line)) && !isStar(line)) {
        }
        bool found = false;
        while (have) {
            // Any number of "*" lines may stand between blocks.
            while (have && isStar(line))
                have = old.next(line);
            if (!have)
                break;
            // A block without a number matches no method, as for the readers, so it is
            // copied and never taken for (and lost with) the object's block.
            int number;
            if (std::sscanf(std::string(line).c_str(), "%d", &number) != 1)
                number = -1;
            if (metod >= 0 && number == metod) {
                // A damaged file may hold the object's block twice; the readers took the
                // records of both, so the block is written once, where the first stood.
                if (!del && !found)
                    writeBlock();
                found = true;
                while ((have = old.next(line)) && !isStar(line)) {
                }
            } else {
                text.literal("*\n").literal(line).endLine();
                while ((have = old.next(line))) {
                    text.literal(line).endLine();
                    if (isStar(line))
                        break;
                }
            }
        }
        if (!found && metod >= 0 && !del)
            writeBlock();
        text.flush();
    } catch (const CFileException&) {
        in.Abort();
        replacement.abandon();
        return fileMessage("Fel vid läsning av %s"_cp, snd);
    }
    in.Abort();
    if (replacement.commit() == 0)
        return 0;
    if (replacement.failure() == platform::SafeReplace::Failure::Write)
        return fileMessage("Fel vid skrivning av %s", replacement.temporaryPath().c_str());
    return fileMessage("Fel: Kan ej ersätta %s"_cp, snd);
}

int slutkodValue(const char* slutkod) {
    char text[sizeof harnbhdtype::slutkod + 1] = {};
    std::memcpy(text, slutkod, sizeof harnbhdtype::slutkod);
    int value = 0;
    if (std::sscanf(text, "%d", &value) == 1 && value >= 90 && value <= 96)
        return value;
    return 0;
}

void fillFromHead(dbstype* rec, const harnbhdtype& bhd) {
    rec->x = bhd.x;
    rec->y = bhd.y;
    rec->z = bhd.z;
    rec->xyz2[0] = bhd.dval1;
    rec->xyz2[1] = bhd.dval2;
    rec->xyz2[2] = bhd.dval3;
    rec->kod = static_cast<uint8_t>(bhd.kod & 0xff);
    char text[sizeof bhd.text + 1] = {};
    std::memcpy(text, bhd.text, sizeof bhd.text);
    copyField(rec->text, text);
}

void extentsFromDirection(const harnbhdtype& bhd, double length, double& dx, double& dy,
                          double& dz) {
    double a = bhd.azimut * kDegToRad;
    double i = bhd.lutning * kDegToRad;
    dx = std::cos(a) * length * std::cos(i);
    dy = std::sin(a) * length * std::cos(i);
    dz = std::sin(i) * length;
}

bool extentsFromSurvey(dbstype* rec, const char* path) {
    if (platform::access(path, 0) != 0) {
        std::snprintf(g_lineBuffer, kScratchSize,
                      "%.15s är markerat som avvikelsemätt men fil\n%s saknas !"_cp, rec->id, path);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
        return false;
    }
    CStdioFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeText)) {
        std::snprintf(g_lineBuffer, kScratchSize, "Kan ej öppna : %s"_cp, path);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
        return true;
    }
    double x0 = 0, y0 = 0, z0 = 0, zn = 0;
    double kept[3] = {0, 0, 0};
    bool any = false;
    std::string line;
    try {
        while (file.ReadLine(line)) {
            char text[151];
            std::snprintf(text, sizeof text, "%s", line.c_str());
            double x, y, z;
            if (std::sscanf(text, "%*f %lf %lf %lf", &x, &y, &z) != 3) {
                std::snprintf(g_lineBuffer, kScratchSize, "Fel vid läsning av %s"_cp, path);
                ShowStatus(g_lineBuffer);
                continue;
            }
            if (!any) {
                x0 = x;
                y0 = y;
                z0 = z;
                any = true;
            }
            const double diff[3] = {x - x0, y - y0, z - z0};
            for (int k = 0; k < 3; ++k)
                if (std::fabs(diff[k]) > std::fabs(kept[k]))
                    kept[k] = diff[k];
            zn = z;
        }
    } catch (const CFileException&) {
        // A read failure ends the survey; what was read so far counts, and the extent saved
        // from it may be wrong: the caller and the tool learn of it from the failure log.
        std::snprintf(g_lineBuffer, kScratchSize, "Fel vid läsning av %s"_cp, path);
        ShowStatus(g_lineBuffer);
        ReportFailure("borehole survey not read whole: cannot read %s", path);
    }
    file.Abort();
    rec->dx = kept[0];
    rec->dy = kept[1];
    rec->dz = -kept[2];
    if (!any)
        return true; // nothing to compare the position with
    const double X = rec->x, Y = rec->y, Z = rec->z;
    if (std::fabs(x0 - X) > 0.1 || std::fabs(y0 - Y) > 0.1 || std::fabs(z0 - Z) > 0.1 ||
        std::fabs((Z - rec->dz) - zn) > 0.1) {
        std::snprintf(g_lineBuffer, kScratchSize,
                      "Varning ! id: %.15s, koordinater X,Y,Z och Zstopp\nHarnoplan %.2lf %.2lf "
                      "%.2lf %.2lf\nCRD-fil %.2lf %.2lf %.2lf %.2lf",
                      rec->id, X, Y, Z, Z - rec->dz, x0, y0, z0, zn);
        ShowMessage(g_lineBuffer, MB_OK, MB_ICONEXCLAMATION, nullptr);
    }
    return true;
}

void writeRecord(CHarnDbs* dbs, const CProjPath* proj, const char* namn) {
    ReportUppdat(dbs->Uppdat(0), sndPath(proj, namn));
}

void setFlag(dbstype* rec, int bit, int del) {
    if (del == 1)
        rec->flagg = static_cast<uint8_t>(rec->flagg & ~bit);
    else
        rec->flagg = static_cast<uint8_t>(rec->flagg | bit);
}

} // namespace borehole
