// Reading and saving the borehole file (.SND) with many core-drilling sections, and saving a
// tunnel with many positions, against floors measured in the same run: reading the same
// files in one buffered pass and putting the same bytes in place through the same safe
// replace (temporary file, fsync, rename).
#include "borehole/CKarnborr.h"
#include "database/CHarnDbs.h"
#include "host/CAutoIni.h"
#include "host/CProjPath.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"
#include "tunnel/CTunDbs.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string makeTempFolder() {
    std::string base = (std::filesystem::temp_directory_path() / "harn-bench-XXXXXX").string();
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back(0);
    if (!::mkdtemp(buf.data()))
        std::abort();
    return buf.data();
}

// Every byte of a file, read in one buffered pass.
std::string readAll(const std::string& path) {
    std::string bytes;
    FILE* f = platform::fopen(path.c_str(), "rb");
    if (!f)
        std::abort();
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

void replaceWith(const std::string& path, const std::string& bytes) {
    if (platform::replaceFileContents(path.c_str(), bytes) != 0)
        std::abort();
}

// A project folder with borehole B1 whose core log has `n` sections, most with a text, some
// with an extra line and some with remarks.
class Borehole {
public:
    explicit Borehole(int n) : folder(makeTempFolder()), proj(folder.c_str()) {
        std::filesystem::create_directory(folder + "/HARNDB");
        headOnly = "B1                             \r\n1000.000000\r\n2000.000000 0\r\n"
                   "100.000000 95.000000\r\n0.000000 0.000000\r\n0.000000 0.000000 0 0\r\n"
                   "0.000000 0 90\r\n*";
        replaceWith(snd(), headOnly);
        std::mt19937 random(7);
        std::uniform_real_distribution<double> value(-50, 500);
        std::uniform_int_distribution<int> small(0, 9);
        log = std::make_unique<CKarnborr>(&proj, "B1");
        for (int i = 0; i < n; ++i) {
            kbtype r{};
            r.djup = (10.0 * i + small(random)) / 100; // whole centimetres, as read back
            r.vinkel1 = static_cast<int16_t>(small(random) * 36);
            r.vinkel2 = static_cast<int16_t>(small(random) * 9 - 40);
            r.procent = static_cast<int16_t>(small(random) * 10);
            r.tal1 = static_cast<int16_t>(small(random) * 20);
            r.klass = static_cast<int16_t>(small(random) % 6);
            r.kod1 = static_cast<int16_t>(small(random));
            r.underkod1 = static_cast<int16_t>(small(random));
            r.kod2 = static_cast<int16_t>(small(random) * 11);
            r.kod3 = static_cast<int16_t>(small(random));
            r.val = 1;
            r.tal2 = static_cast<int16_t>(small(random) * 123);
            r.varde = value(random);
            std::snprintf(r.text, sizeof r.text, "sprucka %d", i % 1000);
            std::memset(r.extra, 32, sizeof r.extra);
            if (i % 10 == 0) {
                r.extra[0] = 65;
                r.extravarde[0] = value(random);
                r.extravarde[3] = value(random);
            }
            if (i % 25 == 0)
                std::snprintf(r.textrad[1], sizeof r.textrad[1], "kommentar %d", i);
            log->Ny(1, &r);
            records.push_back(r);
        }
        log->m_bhd.metod = CKarnborr::KB;
        if (log->Save(nullptr, 0) != 0)
            std::abort();
        saved = readAll(snd());
    }
    ~Borehole() { std::filesystem::remove_all(folder); }

    std::string snd() const { return folder + "/HARNDB/B1.SND"; }

    std::string folder;
    CProjPath proj;
    std::string headOnly; // the file before the first save
    std::string saved;    // the file after it
    std::unique_ptr<CKarnborr> log;
    std::vector<kbtype> records; // the same records in an array
};

void BM_Floor_ReadSnd(benchmark::State& state) {
    Borehole b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string bytes = readAll(b.snd());
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_CKarnborr_Init(benchmark::State& state) {
    Borehole b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CKarnborr k(&b.proj, "B1");
        if (k.Init() != 0)
            std::abort();
        benchmark::DoNotOptimize(k.Get_aktel());
    }
}

// The bytes of the records read from memory once, in one pass over an array: one load per
// cache line. A save cannot do with less; at 100 000 sections it is 43 MB.
unsigned readRecords(const std::vector<kbtype>& records) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(records.data());
    const std::size_t size = records.size() * sizeof(kbtype);
    unsigned sum = 0;
    for (std::size_t at = 0; at < size; at += 64)
        sum += bytes[at];
    return sum;
}

// A save's floor: the old file read whole (the head only, before a first save) and the new
// bytes put in place; `withRecords`: every record also read once.
void saveFloor(benchmark::State& state, bool firstSave, bool withRecords) {
    Borehole b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (firstSave) {
            state.PauseTiming();
            replaceWith(b.snd(), b.headOnly);
            state.ResumeTiming();
        }
        std::string old = readAll(b.snd());
        benchmark::DoNotOptimize(old.data());
        if (withRecords)
            benchmark::DoNotOptimize(readRecords(b.records));
        replaceWith(b.snd(), b.saved);
    }
}

void BM_Floor_SndFirstSave(benchmark::State& state) {
    saveFloor(state, true, false);
}
void BM_Floor_SndWalkWrite(benchmark::State& state) {
    saveFloor(state, true, true);
}

void BM_CKarnborr_SaveFirst(benchmark::State& state) {
    Borehole b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        replaceWith(b.snd(), b.headOnly);
        state.ResumeTiming();
        if (b.log->Save(nullptr, 0) != 0)
            std::abort();
    }
    if (readAll(b.snd()) != b.saved)
        state.SkipWithError("the save wrote other bytes");
}

void BM_Floor_SndResave(benchmark::State& state) {
    saveFloor(state, false, false);
}
void BM_Floor_SndWalkResave(benchmark::State& state) {
    saveFloor(state, false, true);
}

void BM_CKarnborr_Resave(benchmark::State& state) {
    Borehole b(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (b.log->Save(nullptr, 0) != 0)
            std::abort();
    }
    if (readAll(b.snd()) != b.saved)
        state.SkipWithError("the save wrote other bytes");
}

// A project with a tunnel of `n` positions, saved once.
class Tunnel {
public:
    explicit Tunnel(int n) : folder(makeTempFolder()) {
        CProjPath::ResetNames();
        std::filesystem::create_directory(folder + "/HARNDB");
        proj = std::make_unique<CProjPath>(folder.c_str());
        dbs = std::make_unique<CHarnDbs>(proj.get(), &ini);
        if (dbs->Init(0, 1, nullptr, nullptr) != 0)
            std::abort();
        dbstype r{};
        r.typ = 1;
        std::strcpy(r.id, "TUNNEL1");
        std::strcpy(r.filnamn, "TUN1");
        std::strcpy(r.text, "V1.VL");
        dbs->Ny(1, &r);
        if (dbs->Uppdat(0) != 0)
            std::abort();
        tunnel = std::make_unique<CTunDbs>(proj.get(), "TUN1");
        if (tunnel->Create(dbs.get()) != 0)
            std::abort();
        std::mt19937 random(11);
        std::uniform_real_distribution<double> value(-5, 50);
        for (int i = 0; i < n; ++i) {
            todbtype t{};
            t.typ = 7;
            t.aktiv = 1;
            t.sekt = 1000 + 2.5 * i;
            t.ival1 = i % 7;
            t.tval1 = value(random);
            t.tval2 = value(random);
            t.tval4 = value(random);
            t.tval5 = value(random);
            t.kod2 = static_cast<int16_t>(i % 13);
            std::snprintf(t.tvnamn, sizeof t.tvnamn, "T%d", i % 40);
            std::snprintf(t.ttext1, sizeof t.ttext1, "position %d", i);
            tunnel->Ny(1, &t);
        }
        if (tunnel->Save(dbs.get()) != 0)
            std::abort();
    }
    ~Tunnel() { std::filesystem::remove_all(folder); }

    std::string file(const char* name) const { return folder + "/HARNDB/" + name; }

    std::string folder;
    CAutoIni ini;
    std::unique_ptr<CProjPath> proj;
    std::unique_ptr<CHarnDbs> dbs;
    std::unique_ptr<CTunDbs> tunnel;
};

// The save reads the database and the text file and writes both anew.
void BM_Floor_TunnelSave(benchmark::State& state) {
    Tunnel t(static_cast<int>(state.range(0)));
    const std::string odb = t.file("TUN1.ODB"), lat = t.file("TUN1.LAT");
    for (auto _ : state) {
        std::string odbBytes = readAll(odb);
        std::string latBytes = readAll(lat);
        replaceWith(odb, odbBytes);
        replaceWith(lat, latBytes);
    }
}

void BM_CTunDbs_Save(benchmark::State& state) {
    Tunnel t(static_cast<int>(state.range(0)));
    const std::string odb = readAll(t.file("TUN1.ODB")), lat = readAll(t.file("TUN1.LAT"));
    for (auto _ : state) {
        if (t.tunnel->Save(t.dbs.get()) != 0)
            std::abort();
    }
    if (readAll(t.file("TUN1.ODB")) != odb || readAll(t.file("TUN1.LAT")) != lat)
        state.SkipWithError("the save wrote other bytes");
}

} // namespace

#define FILE_SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
// The saves write through a background thread: their CPU time is the whole process's.
#define SAVE_SIZES FILE_SIZES->MeasureProcessCPUTime()
BENCHMARK(BM_Floor_ReadSnd) FILE_SIZES;
BENCHMARK(BM_CKarnborr_Init) FILE_SIZES;
BENCHMARK(BM_Floor_SndFirstSave) SAVE_SIZES;
BENCHMARK(BM_Floor_SndWalkWrite) SAVE_SIZES;
BENCHMARK(BM_CKarnborr_SaveFirst) SAVE_SIZES;
BENCHMARK(BM_Floor_SndResave) SAVE_SIZES;
BENCHMARK(BM_Floor_SndWalkResave) SAVE_SIZES;
BENCHMARK(BM_CKarnborr_Resave) SAVE_SIZES;
BENCHMARK(BM_Floor_TunnelSave) FILE_SIZES;
BENCHMARK(BM_CTunDbs_Save) FILE_SIZES;
