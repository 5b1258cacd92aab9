// Conversion of a project: the database is rebuilt from the project's data files, the point
// file and the alignment list, under a head carried over from the old file; and Arkinit,
// the second way to open a database.
#include "database/CHarnDbs.h"

#include "list/FileImage.h"

#include "borehole/CKarnborr.h"
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"
#include "database/CHarnKonvertera.h"
#include "host/CDirSort.h"
#include "list/Utilities.h"
#include "mapping/CHellar.h"
#include "mapping/CLinjeData.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "platform/UserInterface.h"
#include "tunnel/CTunDbs.h"

#include <cfloat>
#include <cstring>
#include <memory>
#include <string>
#include <strings.h>

namespace {

// A text stream closed on every way out, an exception from a database write included.
struct Closer {
    void operator()(FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<FILE, Closer>;

bool starLine(const std::string& line) {
    return !line.empty() && line[0] == '*';
}

// The first word of a line, or empty.
std::string firstWord(const std::string& line) {
    std::string word(line.size() + 1, '\0');
    if (std::sscanf(line.c_str(), "%s", word.data()) != 1)
        return {};
    return word.c_str();
}

template <std::size_t N> void setField(char (&field)[N], const char* text) {
    std::snprintf(field, N, "%s", text);
}

// Copies a head text of at most `limit` characters from the old head, ending it with a zero.
template <std::size_t N> void carry(char (&to)[N], const char (&from)[N]) {
    std::snprintf(to, N, "%.*s", static_cast<int>(N - 1), from);
}

bool acceptedCode(int code) {
    static const int codes[] = {0, 1, 10, 50, 90, 95, 99, 100, 110, 120, 130, 140, 150};
    for (int c : codes)
        if (c == code)
            return true;
    return false;
}

// A step whose failure the conversion goes past is still reported to the caller.
void check(int result, const char* step, const char* name) {
    if (result != 0)
        platform::FailureLog::report(std::string("conversion: ") + step + " failed (" +
                                     std::to_string(result) + ") for " + name);
}

void newRecord(CHarnDbs& dbs, int typ, const char* id, const char* filnamn) {
    dbs.Ny(1, nullptr);
    dbs.Get_aktel()->typ = static_cast<uint8_t>(typ);
    setField(dbs.Get_aktel()->id, id);
    setField(dbs.Get_aktel()->filnamn, filnamn);
}

void registerBorehole(CHarnDbs& dbs, const char* base) {
    dbs.Ny(1, nullptr);
    dbs.Get_aktel()->typ = 3;
    harnbhdtype bhd;
    std::memset(&bhd, 0, sizeof bhd);
    dbs.LasHead(base, &bhd);
    // The head's id comes back padded with blanks when the head carries a text; a head
    // without an id leaves the file's name as the id.
    char id[sizeof bhd.id + 1] = {};
    std::memcpy(id, bhd.id, sizeof bhd.id - 1);
    for (size_t n = std::strlen(id); n > 0 && id[n - 1] == ' '; --n)
        id[n - 1] = 0;
    if (!id[0]) {
        setField(id, base);
        UpperCaseSwedish(id);
    }
    setField(dbs.Get_aktel()->id, id);
    setField(dbs.Get_aktel()->filnamn, base);
    check(dbs.Uppdat(0), "Uppdat(0)", id);
    // The method classes are built for the head's id and read the file named after it. A
    // file named otherwise (for an id that no file name could hold) is read by its own name,
    // the stem the method classes otherwise take from the record's file name: built for the
    // id, they would find no file and the object would keep none of its methods.
    const bool idNamesFile =
        platform::access(dbs.m_pProj->DataPath((std::string(id) + ".SND").c_str()), 0) == 0;
    const char* namn = idNamesFile ? id : base;
    {
        CRegBorr rb(dbs.m_pProj, namn, CRegBorr::JB1);
        if (rb.Init(CRegBorr::JB1) == 0)
            check(rb.Save(&dbs, 0), "JB1 Save", id);
    }
    {
        CRegBorr rb(dbs.m_pProj, namn, CRegBorr::RB);
        if (rb.Init(CRegBorr::RB) == 0)
            check(rb.Save(&dbs, 0), "RB Save", id);
    }
    {
        CKarnborr kb(dbs.m_pProj, namn);
        if (kb.Init() == 0)
            check(kb.Save(&dbs, 0), "KB Save", id);
    }
    {
        CVattenF vf(dbs.m_pProj, namn);
        if (vf.Init() == 0)
            check(vf.Save(&dbs, 0), "VF Save", id);
    }
}

// A tunnel's record takes its text (the alignment's file name) from line 2 of the tunnel
// text file before the tunnel saves itself into it.
void registerTunnel(CHarnDbs& dbs, const char* base) {
    CTunDbs tunnel(dbs.m_pProj, base);
    if (tunnel.Init() != 0)
        return;
    const CString lat = dbs.m_pProj->DataPath((std::string(base) + ".LAT").c_str());
    if (platform::access(lat, 0) == 0) {
        if (Stream f{platform::fopen(lat, "r")}) {
            std::string line;
            for (int n = 1; fileimage::readLine(f.get(), line) && !starLine(line); ++n) {
                if (n == 2) {
                    setField(dbs.Get_aktel()->text, line.substr(0, 152).c_str());
                    break;
                }
            }
        }
    }
    check(tunnel.Save(&dbs), "tunnel Save", base);
}

int readPoints(CHarnDbs& dbs, CHarnKonvertera* dialog) {
    int punkter = 0;
    CString path;
    path.Format("%s%s%s", dbs.m_pProj->ProjKat(), "\\", "Harnplan.pkt");
    if (platform::access(path, 0) != 0)
        return 0;
    Stream stream{platform::fopen(path, "r")};
    FILE* f = stream.get();
    if (!f) {
        check(-1, "opening the point file", static_cast<const char*>(path));
        return 0;
    }
    // The fields of a block; a "*" line inside a block leaves its field as it was.
    std::string id, name, text;
    double a[6] = {};
    short kod = 0;
    std::string line;
    for (;;) {
        if (!fileimage::readLine(f, line) || starLine(line))
            break;
        const std::string word = firstWord(line);
        if (word.empty())
            continue; // no id: the next line starts a new block
        id = word;
        bool keep = true;
        bool ended = false;
        for (int i = 2; i <= 4; ++i) {
            if (!fileimage::readLine(f, line)) {
                ended = true;
                break;
            }
            if (starLine(line))
                continue;
            if (i == 2) {
                std::string word2(line.size() + 1, '\0');
                short k = 0;
                double v[6] = {};
                const int n = std::sscanf(line.c_str(), "%lf%lf%lf%lf%lf%lf%hd%s", &v[0], &v[1],
                                          &v[2], &v[3], &v[4], &v[5], &k, word2.data());
                if (n < 7) {
                    keep = false;
                    continue;
                }
                std::memcpy(a, v, sizeof a);
                kod = k;
                name = n >= 8 ? word2.c_str() : "";
            } else if (i == 3) {
                text = firstWord(line);
            }
        }
        if (ended)
            break; // a block cut short by the end of the file adds nothing
        if (!keep)
            continue;
        dbs.Ny(1, nullptr);
        dbstype* r = dbs.Get_aktel();
        r->typ = 4;
        setField(r->id, id.c_str());
        r->x = a[0];
        r->y = a[1];
        r->z = a[2];
        r->xyz2[0] = a[3];
        r->xyz2[1] = a[4];
        r->xyz2[2] = a[5];
        r->kod = static_cast<uint8_t>(kod);
        setField(r->text, text.c_str());
        setField(r->filnamn, name.c_str());
        ++punkter;
        if (dialog)
            dialog->SetPunkter(punkter);
        check(dbs.Uppdat(0), "Uppdat(0)", r->id);
    }
    // A read error ends the reading as the end of the file would: the points after it are
    // missing.
    if (std::ferror(f))
        check(-1, "reading the point file", static_cast<const char*>(path));
    return punkter;
}

void readAlignments(CHarnDbs& dbs) {
    const CString path = dbs.m_pProj->DataPath(CProjPath::HarnVlNamn);
    if (platform::access(path, 0) != 0)
        return;
    Stream stream{platform::fopen(path, "r")};
    FILE* f = stream.get();
    if (!f) {
        check(-1, "opening the alignment list", static_cast<const char*>(path));
        return;
    }
    std::string line;
    bool started = false;
    while (fileimage::readLine(f, line)) {
        if (!started) {
            started = starLine(line);
            continue;
        }
        if (starLine(line))
            break;
        std::string w1(line.size() + 1, '\0');
        std::string w2(line.size() + 1, '\0');
        std::string w3(line.size() + 1, '\0');
        if (std::sscanf(line.c_str(), "%s%s%s", w1.data(), w2.data(), w3.data()) < 1)
            continue; // a line without a word names no alignment
        dbs.Ny(1, nullptr);
        dbstype* r = dbs.Get_aktel();
        r->typ = 6;
        r->kod = 255;
        setField(r->id, w1.c_str());
        setField(r->filnamn, w2.c_str());
        check(dbs.Uppdat(0), "Uppdat(0)", r->id);
    }
    if (std::ferror(f))
        check(-1, "reading the alignment list", static_cast<const char*>(path));
}

} // namespace

int CHarnDbs::Konvertera(const char* projnamn) {
    const CString path = m_pProj->DbsPath();
    CHarnKonvertera dialog(path, projnamn, this, nullptr);
    dialog.DoModal();
    return 1;
}

int CHarnDbs::Restore(const char* path, const char* projnamn, CHarnKonvertera* dialog) {
    m_mode = 0;
    const int code = CHarnKonvertera::LasVersion(path, nullptr);
    if (code == -1) {
        ShowMessage("Konverteringen avbruten !", MB_OK, MB_ICONEXCLAMATION);
        return -1;
    }
    if (!acceptedCode(code)) {
        char text[64];
        std::snprintf(text, sizeof text, "Otillåten version : %.2f "_cp, code / 100.0);
        ShowMessage(text, MB_OK, MB_ICONEXCLAMATION);
        return -1;
    }

    // The texts of every older head lie where the current head keeps them.
    dbshdtype old;
    std::memset(&old, 0, sizeof old);
    {
        CFile file;
        if (!file.Open(path, CFile::modeRead | CFile::shareExclusive | CFile::typeBinary)) {
            ShowMessage("Konverteringen avbruten !", MB_OK, MB_ICONEXCLAMATION);
            return -1;
        }
        file.Read(&old, offsetof(dbshdtype, antal));
    }
    carry(m_hd.text1, old.text1);
    carry(m_hd.projnamn, old.projnamn);
    carry(m_hd.text2, old.text2);
    carry(m_hd.datum, old.datum);
    carry(m_hd.text3, old.text3);
    carry(m_hd.text4, old.text4);
    carry(m_hd.text5, old.text5);
    carry(m_hd.text6, old.text6);
    carry(m_hd.koordsys, old.koordsys);
    carry(m_hd.riktning, old.riktning);
    m_hd.xmin = m_hd.ymin = m_hd.zmin = DBL_MAX;
    m_hd.xmax = m_hd.ymax = m_hd.zmax = -DBL_MAX;
    // The counters are those of the records written below, whatever this object held.
    m_hd.antal = 0;
    std::memset(m_hd.typantal, 0, sizeof m_hd.typantal);
    m_hd.hal = 0;

    float current = 0;
    std::sscanf(m_Dbsver, "%f", &current);
    const int whole = static_cast<int>(current);
    m_hd.verdel = current - whole;
    std::snprintf(m_hd.version, sizeof m_hd.version, "%.1f", static_cast<double>(whole));
    if (projnamn)
        std::snprintf(m_hd.projnamn, sizeof m_hd.projnamn, "%.35s", projnamn);
    if (std::strcmp(m_hd.koordsys, "RAK") != 0 && std::strcmp(m_hd.koordsys, "LOK") != 0)
        setField(m_hd.koordsys, "LOK");
    m_hd.slut = kDbsFirstSlot;
    // The old file gives way to one that holds only the new head, in one step.
    std::string head(reinterpret_cast<const char*>(&m_hd), kDbsHeadSize);
    if (platform::replaceFileContents(path, head) != 0) {
        platform::FailureLog::report(std::string("conversion: cannot write ") + path);
        ShowMessage("Konverteringen avbruten !", MB_OK, MB_ICONEXCLAMATION);
        return -1;
    }
    // The object now holds what one that has read no head holds. The records it held
    // describe slots of the file just replaced: the searches below would find them before the
    // new ones and write them over the new slots. The head is this object's own write: the
    // next Uppdat must not take it for another program's (whose records would be subtracted
    // from the counters and keep the extent from following the records written below).
    DropIndexes();
    if (Home() == 0)
        while (list0<dbstype>::Delete() == 0) {
        }
    m_onDisk.clear();
    m_diskHd = m_hd;
    m_haveDiskHd = std::strcmp(path, ProjFile(CProjPath::HarnDbsNamn)) == 0;
    m_otherRecords = 0;
    m_foreignExtent = false;

    int borrhal = 0, linjer = 0, hallar = 0, tunnlar = 0;
    CString pattern;
    pattern.Format("%s%s%s%s%s", m_pProj->ProjKat(), "\\",
                   static_cast<const char*>(CProjPath::HarnDbfKat), "\\", "*.*");
    CDirSort listing;
    if (listing.Init(pattern, 1, 0, 0, 0) > 0 && listing.Home() == 0) {
        do {
            const std::string name = listing.Get_aktel()->namn;
            const std::string::size_type dot = name.rfind('.');
            const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
            const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
            if (base.empty())
                continue;
            char id[16];
            setField(id, base.c_str());
            UpperCaseSwedish(id);
            if (strcasecmp(ext.c_str(), ".SND") == 0) {
                ++borrhal;
                if (dialog)
                    dialog->SetBorrhal(borrhal);
                registerBorehole(*this, base.c_str());
            } else if (strcasecmp(ext.c_str(), ".LJE") == 0) {
                ++linjer;
                if (dialog)
                    dialog->SetLinjer(linjer);
                newRecord(*this, 5, id, base.c_str());
                CLinjeData line(m_pProj, base.c_str(), 0);
                // A line that cannot be read is not registered: said, not dropped.
                if (const int read = line.Init(1); read == 0)
                    check(line.Save(this), "line Save", base.c_str());
                else
                    check(read, "line Init", base.c_str());
            } else if (strcasecmp(ext.c_str(), ".LAD") == 0) {
                ++hallar;
                if (dialog)
                    dialog->SetHallar(hallar);
                newRecord(*this, 2, id, base.c_str());
                CHellar outcrop(m_pProj, base.c_str());
                if (const int read = outcrop.Init(); read == 0)
                    check(outcrop.SaveToDbs(this), "outcrop SaveToDbs", base.c_str());
                else
                    check(read, "outcrop Init", base.c_str());
            } else if (strcasecmp(ext.c_str(), ".ODB") == 0) {
                ++tunnlar;
                if (dialog)
                    dialog->SetTunnlar(tunnlar);
                newRecord(*this, 1, id, base.c_str());
                registerTunnel(*this, base.c_str());
            }
        } while ((listing)++);
    }

    readPoints(*this, dialog);
    readAlignments(*this);
    check(Uppdat(2), "Uppdat(2)", path);
    return 1;
}

int CHarnDbs::Arkinit(const char* path) {
    if (!m_pael) {
        Init(0, 0, path, nullptr);
        return 0;
    }
    if (m_dbsfil.IsOpen())
        return -1;
    m_dbsfil.SetFilePath(ProjFile(CProjPath::HarnDbsNamn));
    m_dbsfil.Open(m_dbsfil.GetFilePath(), CFile::modeReadWrite | CFile::typeBinary);
    if (!m_dbsfil.IsOpen()) {
        CString text;
        text.Format("Kan ej öppna databas : %s"_cp, path ? path : "");
        ShowStatus(text);
        return -3;
    }
    return 0;
}
