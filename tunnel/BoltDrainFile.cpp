// Reading, packing, numbering and rewriting the bolt and drainage files of a tunnel.
#include "tunnel/BoltDrainFile.h"

#include "host/CProjPath.h"
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "tunnel/TodbImage.h"
#include "tunnel/TunnelVersion.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr long kFirstRecord = 300;

} // namespace

BoltDrainFile::BoltDrainFile(CProjPath* proj, const char* namn, const char* ext,
                             const char* openMessage)
    : m_reclen(kTodbRecordSize), m_pProj(proj), m_ext(ext), m_openMessage(openMessage) {
    std::memset(&m_hd, 0, sizeof m_hd);
    std::snprintf(m_namn, sizeof m_namn, "%s", namn ? namn : "");
}

BoltDrainFile::~BoltDrainFile() = default;

CString BoltDrainFile::Sokvag() const {
    std::snprintf(g_nameBuffer, kScratchSize, "%s%s%s%s%s%s", m_pProj->ProjKat(), "\\",
                  static_cast<const char*>(CProjPath::HarnDbfKat), "\\", m_namn, m_ext);
    return CString(g_nameBuffer);
}

int BoltDrainFile::Init() {
    return Read(true);
}

int BoltDrainFile::InitReadOnly() {
    return Read(false);
}

int BoltDrainFile::Read(bool pack) {
    const CString path = Sokvag();
    std::FILE* f = platform::fopen(path, pack ? "r+b" : "rb");
    if (!f) {
        ShowMessage(m_openMessage);
        return -1;
    }
    bulthdtype head;
    if (std::fread(&head, 1, kBultHeadSize, f) != static_cast<std::size_t>(kBultHeadSize)) {
        ShowMessage("Fel vid läsning av databas :"_cp);
        std::fclose(f);
        return -1;
    }
    m_hd = head;
    char version[sizeof m_hd.version + 1] = {};
    std::memcpy(version, m_hd.version, sizeof m_hd.version);
    // A version text that is no number leaves the version number the head holds.
    std::sscanf(version, "%lf", &m_hd.vernr);
    if (!tunnelfile::versionAccepted(m_hd.vernr)) {
        std::snprintf(g_lineBuffer, kScratchSize, "Felaktig version: %s %s", version, m_namn);
        std::strcat(g_lineBuffer, "\nNu gäller version:"_cp);
        std::strcat(g_lineBuffer, tunnelfile::currentVersion());
        ShowMessage(g_lineBuffer);
        std::fclose(f);
        return -1;
    }
    // The whole file is read before anything is appended: a failing read loses nothing and
    // a packing is written from a complete image.
    std::string image(reinterpret_cast<const char*>(&head), kBultHeadSize);
    const bool readOk = fileimage::readRest(f, image);
    std::fclose(f);
    if (!readOk) {
        ShowMessage("Fel vid läsning av databas :"_cp);
        return -1;
    }

    tunnelfile::readRecords(*this, m_hd, kFirstRecord, image, path,
                            "Filen kunde inte packas: ", pack);
    return 0;
}

void BoltDrainFile::WriteAt(std::FILE* f, long offset, const void* data, std::size_t size) {
    if (std::fseek(f, offset, SEEK_SET) != 0 || std::fwrite(data, 1, size, f) != size)
        m_writeFailed = true;
}

int BoltDrainFile::Uppdat(std::FILE* f, int mode) {
    bool headToo = mode > 0;
    if (mode < 2 && m_pael) {
        todbtype* rec = m_pael;
        if (rec->filpos == 0) {
            rec->filpos = m_hd.slut;
            m_hd.slut += kTodbRecordSize;
            ++m_hd.antal;
            headToo = true;
        }
        WriteAt(f, rec->filpos, rec, kTodbRecordSize);
    }
    if (headToo)
        WriteAt(f, 0, &m_hd, kBultHeadSize);
    return 0;
}

long BoltDrainFile::Knrget() {
    // A damaged head may hold the largest counter there is: the count then goes on from the
    // smallest, so that every record still gets a number of its own.
    const int32_t number = m_hd.nastanr;
    m_hd.nastanr = static_cast<int32_t>(static_cast<uint32_t>(number) + 1u);
    return number;
}

void BoltDrainFile::RemoveMarked() {
    if (Home() != 0)
        return;
    for (;;) {
        todbtype* r = m_pael;
        if (r->filpos < 0) {
            const bool last = m_aktel->next == nullptr;
            r->filpos = r->filpos == INT32_MIN ? 0 : -r->filpos;
            if (list0<todbtype>::Delete() != 0 || last)
                return;
        } else if (!(*this)++) {
            return;
        }
    }
}

int BoltDrainFile::Rewrite(const std::function<void(todbtype&)>& number) {
    ShowStatus("Sparar och uppdaterar tunnel-förstärkning..."_cp);
    const CString path = Sokvag();
    platform::SafeReplace out(path);
    std::FILE* f = out.open("w+b");
    if (!f) {
        ShowStatus("Kan ej öppna tunnel-databas :"_cp);
        return -3;
    }
    // On a failure the list and head go back to these, matching the old file left in place.
    const bulthdtype oldHead = m_hd;
    std::vector<todbtype> oldRecords;
    for (Node* n = m_forst; n; n = n->next)
        oldRecords.push_back(n->rec);

    m_writeFailed = false;
    m_hd.antal = 0;
    m_hd.hal = 0;
    m_hd.slut = static_cast<int32_t>(kFirstRecord);
    if (Home() == 0) {
        if (m_hd.version[0] == '\0') {
            // No head was ever read (the drainage file is first made here): the file starts
            // as a new one, so that it can be read back and its numbers begin at 1.
            std::snprintf(m_hd.version, sizeof m_hd.version, "%s", tunnelfile::currentVersion());
            std::sscanf(m_hd.version, "%lf", &m_hd.vernr);
            m_hd.nastanr = 1;
        }
        do {
            m_pael->filpos = 0;
            number(*m_pael);
            Uppdat(f, 0);
        } while ((*this)++);
        Uppdat(f, 2);
    }
    if (m_writeFailed || out.commit() != 0) {
        out.abandon();
        m_hd = oldHead;
        std::size_t i = 0;
        for (Node* n = m_forst; n; n = n->next)
            n->rec = oldRecords[i++];
        platform::FailureLog::report(std::string("Filen kunde inte skrivas: ") +
                                     static_cast<const char*>(path));
        ShowStatus("Kan ej öppna tunnel-databas :"_cp);
        return -3;
    }
    ShowStatus("");
    return 0;
}
