// Saving a tunnel: the deletions, the chainage order, the compact rewrite of the .ODB file
// (built in memory and put in place in one step), the plan extent along the alignment, the
// tunnel's record in the project database and section 7 of the tunnel text file.
#include "tunnel/CTunDbs.h"

#include "database/CHarnDbs.h"
#include "host/CProjPath.h"
#include "host/CVaglinje.h"
#include "list/FileImage.h"
#include "list/FormattedText.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"
#include "tunnel/CTvarsnitt.h"
#include "tunnel/TunnelVersion.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Lines of the tunnel text file are read with a limit of 151 characters.
constexpr int kLatLine = 152;

void showAboutFile(const char* format, const char* path) {
    std::snprintf(g_nameBuffer, kScratchSize, "%s", path);
    std::snprintf(g_lineBuffer, kScratchSize, format, g_nameBuffer);
    ShowMessage(g_lineBuffer);
}

// A fixed text field as a terminated string.
template <std::size_t N> std::string field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

void report(const std::string& what, const char* path) {
    platform::FailureLog::report(what + path);
}

} // namespace

int CTunDbs::Save(CHarnDbs* dbs) {
    CVaglinje vaglinje;
    CTvarsnitt tvarsnitt(m_pProj);

    if (Where(nullptr) < 0) {
        std::snprintf(g_lineBuffer, kScratchSize, "%s%s%s", "För att kunna spara tunneln\n"_cp,
                      "måste minst ett läge i längsled,\n"_cp, "anges");
        AfxMessageBox(g_lineBuffer);
        return -1;
    }
    dbstype* rec = dbs ? dbs->Get_aktel() : nullptr;
    if (!rec) {
        // Nothing is written without the tunnel's record to bring up to date.
        report("Tunneln sparas inte: ingen aktuell post i projektdatabasen: ", m_namn);
        return -1;
    }
    const CString odbPath = Sokvag(".ODB");

    // The rewrite works on an image of the file; the old file stays in place until the
    // image is complete.
    Rewrite rewrite;
    if (std::FILE* f = platform::fopen(odbPath, "r+b")) {
        rewrite.loaded = fileimage::readRest(f, rewrite.bytes);
        std::fclose(f);
        if (!rewrite.loaded)
            rewrite.bytes.clear();
    }
    struct RewriteScope {
        CTunDbs* self;
        ~RewriteScope() { self->m_rewrite = nullptr; }
    } scope{this};
    m_rewrite = &rewrite;
    // When the file keeps its old contents, so do its head and offsets in memory, so that
    // later writes in place still fit the file.
    const tunhdtype fileHead = m_hd;
    // Records keep their place in memory through the deletions and the sort below: each
    // record's offset is kept beside its address, looked up only when the file stays.
    std::vector<std::pair<const todbtype*, int32_t>> fileOffsets;
    fileOffsets.reserve(static_cast<std::size_t>(m_antal));
    for (Node* n = m_forst; n; n = n->next)
        fileOffsets.emplace_back(&n->rec, n->rec.filpos);
    auto keepFileState = [&] {
        m_hd = fileHead;
        auto byAddress = [](const auto& a, const auto& b) {
            return std::less<const todbtype*>()(a.first, b.first);
        };
        std::sort(fileOffsets.begin(), fileOffsets.end(), byAddress);
        for (Node* n = m_forst; n; n = n->next) {
            const std::pair<const todbtype*, int32_t> key(&n->rec, 0);
            auto it = std::lower_bound(fileOffsets.begin(), fileOffsets.end(), key, byAddress);
            n->rec.filpos = it != fileOffsets.end() && it->first == &n->rec ? it->second : 0;
        }
    };

    // Deletions, then the chainage order.
    if (Home() == 0) {
        for (;;) {
            todbtype* r = m_pael;
            if (r->filpos < 0) {
                const bool last = m_aktel->next == nullptr;
                r->filpos = r->filpos == INT32_MIN ? 0 : -r->filpos;
                if (Delete() != 0 || last)
                    break;
            } else if (!(*this)++) {
                break;
            }
        }
    }
    Omsortera(1);

    // Counters: from version 1.19 on those of kinds 9 and 10 are kept.
    const int32_t keep9 = m_hd.antal[9], keep10 = m_hd.antal[10];
    std::memset(m_hd.antal, 0, sizeof m_hd.antal);
    if (m_version >= tunnelfile::kFlagVersion) {
        m_hd.antal[9] = keep9;
        m_hd.antal[10] = keep10;
    }
    const int32_t oldHal = m_hd.hal;
    m_hd.hal = 0;
    m_hd.slut = kTunFirstRecord;
    Uppdat(2);

    // The alignment and the cross-section types give the plan extent.
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    char text[sizeof rec->text + 1] = {};
    std::memcpy(text, rec->text, sizeof rec->text);
    UpperCaseSwedish(text);
    std::memcpy(rec->text, text, sizeof rec->text);
    bool geometry = false;
    if (std::strstr(text, ".VL")) {
        CString path;
        path.Format("%s%s%s%s%s", m_pProj->ProjKat(), "\\",
                    static_cast<const char*>(CProjPath::HarnDbfKat), "\\", text);
        if (platform::access(path, 0) == 0) {
            minX = minY = 9990000000.0;
            maxX = maxY = -9990000000.0;
            if (vaglinje.Init(path) == 0) {
                // A project without a type library has no extents to give; one that exists
                // but cannot be read is a failure.
                if (tvarsnitt.Init(0) != 0 && platform::access(tvarsnitt.IndexPath(), 0) == 0)
                    report("Tvärsnittstyperna kunde inte läsas, tunnelns utbredning saknas: "_cp,
                           tvarsnitt.IndexPath());
                geometry = true;
            } else {
                report("Väglinjen kunde inte läsas, tunnelns utbredning saknas: "_cp, path);
            }
        }
    }

    if (Home() == 0) {
        do {
            todbtype* r = m_pael;
            r->filpos = 0;
            Uppdat(0);
            if (!geometry || r->typ != 7 || tvarsnitt.Where(nullptr) < 0)
                continue;
            const std::string namn = field(r->tvnamn);
            if (tvarsnitt.FindKoord(namn.c_str()) != 0)
                continue;
            const tvtytype* typ = tvarsnitt.Get_aktel();
            for (double offset : {typ->xmin, typ->xmax}) {
                double x = 0, y = 0;
                if (vaglinje.Vag2xy(r->sekt, -offset, &x, &y) != 0)
                    continue;
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxX = std::max(maxX, x);
                maxY = std::max(maxY, y);
            }
        } while ((*this)++);

        // The stale tail: as many dead records as there were holes.
        if (oldHal > 0) {
            if (!rewrite.loaded) {
                ShowMessage("Kan ej öppna tunnel-databas"_cp);
                m_rewrite = nullptr;
                keepFileState();
                return -1;
            }
            todbtype dead = *m_pael;
            dead.typ = 0;
            dead.aktiv = 0;
            for (int32_t i = 0; i < oldHal; ++i)
                WriteAt(nullptr, m_hd.slut + static_cast<long>(i) * kTodbRecordSize, &dead,
                        kTodbRecordSize);
        }
        Uppdat(2);
    }

    m_rewrite = nullptr;
    if (!rewrite.loaded) {
        // The steps above showed that the file could not be opened; the save goes on.
        keepFileState();
        report("Tunneldatabasen kunde inte skrivas: ", odbPath);
    } else if (platform::replaceFileContents(odbPath, rewrite.bytes) != 0) {
        keepFileState();
        ShowMessage("Kan ej öppna tunnel-databas"_cp);
        return -1;
    }

    // The tunnel's record in the project database.
    if (minX > maxX)
        minX = minY = maxX = maxY = 0;
    rec->x = minX;
    rec->y = minY;
    rec->z = 0;
    rec->dx = maxX - minX;
    rec->dy = maxY - minY;
    rec->dz = 0;
    if (dbs->Uppdat(1) != 0)
        report("Tunnelns post i projektdatabasen kunde inte skrivas: ", rec->id);

    return SaveLat(text);
}

int CTunDbs::SaveLat(const char* alignment) {
    const CString lat = Sokvag(".lat");
    std::unique_ptr<char[]> inBuffer; // outlives `in`, closed below on every path
    std::FILE* in = platform::fopen(lat, "r+");
    if (!in) {
        showAboutFile("Fel: Hittar inte %s", lat);
        return -3;
    }
    platform::readThrough(in, inBuffer);
    CString tempName;
    tempName.Format("%s%s%s%st$us.lat", m_pProj->ProjKat(), "\\",
                    static_cast<const char*>(CProjPath::HarnDbfKat), "\\");
    platform::SafeReplace out(lat);
    // Written in binary with CR LF line ends: the bytes a text-mode stream would write.
    std::FILE* o = out.open("wb");
    if (!o) {
        std::fclose(in);
        showAboutFile("Fel: Kan ej skapa %s", tempName);
        return -3;
    }
    FormattedText text(o, true);
    // "%s\n%s\n%s\n%d %.2lf\n"
    // The header is four lines, and the next save skips four: a head text or alignment name
    // holding a line end is written only up to it, or the lines behind it would be copied
    // again on every save.
    auto oneLine = [](const char* field, std::size_t max) {
        const std::string_view whole(field, strnlen(field, max));
        return whole.substr(0, std::min(whole.size(), whole.find_first_of("\r\n")));
    };
    text.literal(oneLine(m_hd.rubrik, sizeof m_hd.rubrik)).endLine();
    text.literal(oneLine(alignment, std::strlen(alignment))).endLine();
    text.literal(oneLine(m_hd.lattext, sizeof m_hd.lattext)).endLine();
    text.integer(m_hd.ival4).put(' ').fixed(m_version, 0, 2).endLine();

    // A copied last line without its line end gets one before anything else is written
    // behind it, so that no line is joined to the next one (or to the end mark).
    bool lineOpen = false;
    // A piece shorter than a whole piece without a line end was cut by a zero byte: the zero
    // ends the line's text, not the line, so the line end is kept (else the next line would
    // be joined to it, and a "*" there would become an end mark).
    auto copy = [&](const char* copied) {
        const std::size_t length = std::strlen(copied);
        text.literal(std::string_view(copied, length));
        if (length)
            lineOpen = copied[length - 1] != '\n';
        if (length < kLatLine - 1 && (length == 0 || copied[length - 1] != '\n')) {
            text.endLine();
            lineOpen = false;
        }
    };
    auto closeLine = [&] {
        if (lineOpen)
            text.endLine();
        lineOpen = false;
    };

    char line[kLatLine];
    for (int i = 0; i < 4 && std::fgets(line, kLatLine, in); ++i) {
    }
    // Everything before section 7 (or before the end mark) is copied; the "*" line that
    // opens another section is written back without its line end and then with "\n". A piece
    // of a long line that begins with "*" is written on behind the piece before it, so the
    // line stays one line (and opens no section on the next reading).
    while (std::fgets(line, kLatLine, in)) {
        if (std::strncmp(line, "**", 2) == 0)
            break;
        if (line[0] == '*') {
            line[std::strcspn(line, "\n")] = 0;
            short kind = 0;
            if (std::sscanf(line + 1, "%hd", &kind) == 1 && kind == 7)
                break;
            text.literal(line).endLine();
            lineOpen = false;
        } else {
            copy(line);
        }
    }

    closeLine();
    if (Where(nullptr) >= 0) {
        text.literal("* 7\n");
        const bool flags = m_version >= tunnelfile::kFlagVersion;
        for (Node* n = m_forst; n; n = n->next) {
            const todbtype& r = n->rec;
            if (r.typ != 7)
                continue;
            // "%7.3lf %d %d %8.3lf %8.3lf %8.3lf %4hd %4hd %3.1lf %3.1lf %5.2lf %4.1lf", from
            // the flag version on followed by the six flags ("%d"); then the type's name and
            // the two texts, a line each.
            text.fixed(r.sekt, 7, 3).put(' ').integer(r.ival1).put(' ').integer(r.ival2);
            text.put(' ').fixed(r.tval1, 8, 3).put(' ').fixed(r.tval2, 8, 3).put(' ');
            text.fixed(flags ? 0.0 : r.tval3, 8, 3).put(' ').integer(r.kod2, 4).put(' ');
            text.integer(r.kod3, 4).put(' ').fixed(r.tval4, 3, 1).put(' ').fixed(r.tval6, 3, 1);
            text.put(' ').fixed(r.tval5, 5, 2).put(' ').fixed(r.tval7, 4, 1);
            if (flags)
                for (int8_t flag : r.tflagg)
                    text.put(' ').integer(flag);
            text.endLine().text(r.tvnamn, sizeof r.tvnamn).endLine();
            text.text(r.ttext1, sizeof r.ttext1).endLine();
            text.text(r.ttext2, sizeof r.ttext2).endLine();
        }
    }

    // The old section 7 is skipped up to the next "*" line; the rest is copied.
    bool star = false;
    while (std::fgets(line, kLatLine, in)) {
        if (line[0] == '*') {
            star = true;
            break;
        }
    }
    if (star && std::strncmp(line, "**", 2) != 0)
        copy(line);
    while (std::fgets(line, kLatLine, in) && std::strncmp(line, "**", 2) != 0)
        copy(line);
    closeLine();
    text.literal("**");
    text.flush();

    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    if (readFailed) {
        // A text file that cannot be read to its end is not replaced by a shortened one.
        out.abandon();
        showAboutFile("Fel: Hittar inte %s", lat);
        return -3;
    }
    if (out.commit() != 0) {
        showAboutFile("Fel: Kan ej skapa %s", tempName);
        return -3;
    }
    return 0;
}
