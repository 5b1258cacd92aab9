// Loading, packing, updating and searching a project database of many objects and naming
// new objects, against floors measured in the same run: reading the same file's records
// with plain fread (and writing the packed file the same way), writing the same record
// bytes in one pass, a hash lookup of the same ids, the same file names tried in a hash set.
#include "database/CHarnDbs.h"
#include "platform/FileSystem.h"
#include "platform/SafeReplace.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// A project folder whose database holds `n` live records, written as byte images; with
// `freeEvery` > 0 every freeEvery-th slot before them is a freed one (to be packed).
class Project {
public:
    explicit Project(int n, int freeEvery = 0) {
        std::string base = (std::filesystem::temp_directory_path() / "harn-bench-XXXXXX").string();
        std::vector<char> buf(base.begin(), base.end());
        buf.push_back(0);
        if (!::mkdtemp(buf.data()))
            std::abort();
        folder = buf.data();
        proj = std::make_unique<CProjPath>(folder.c_str());
        {
            CHarnDbs dbs(proj.get(), nullptr);
            dbs.Init(0, 1, nullptr, "BENCH");
        }
        std::string path = dbsPath();
        platform::readFile(path.c_str(), bytes);
        bytes.resize(kDbsFirstSlot, '\0');
        dbshdtype hd;
        std::memcpy(&hd, bytes.data(), sizeof hd);
        const dbstype freed{};
        for (int i = 0; i < n; ++i) {
            if (freeEvery > 0 && i % freeEvery == 0) {
                bytes.append(reinterpret_cast<const char*>(&freed), kDbsRecordSize);
                ++hd.hal;
            }
            dbstype r{};
            r.typ = static_cast<uint8_t>(1 + i % 6);
            r.x = 1000 + i;
            r.y = 2000 + i;
            std::snprintf(r.id, sizeof r.id, "OBJ%06d", i);
            std::snprintf(r.filnamn, sizeof r.filnamn, "O%06d", i);
            bytes.append(reinterpret_cast<const char*>(&r), kDbsRecordSize);
            ++hd.typantal[r.typ - 1];
            ids.push_back(r.id);
        }
        hd.antal = n;
        hd.slut = static_cast<int32_t>(bytes.size());
        // The extent holds every record: updating one widens nothing.
        hd.xmin = 1000;
        hd.xmax = 1000 + n;
        hd.ymin = 2000;
        hd.ymax = 2000 + n;
        hd.zmin = hd.zmax = 0;
        std::memcpy(bytes.data(), &hd, sizeof hd);
        platform::writeFile(path.c_str(), bytes);
    }
    ~Project() { std::filesystem::remove_all(folder); }

    std::string dbsPath() const { return folder + "/" + std::string(CProjPath::HarnDbsNamn); }
    // Puts the database back as it was made.
    void restore() const { platform::writeFile(dbsPath().c_str(), bytes); }

    std::string folder;
    std::unique_ptr<CProjPath> proj;
    std::vector<std::string> ids;
    std::string bytes; // the database file
};

void BM_Floor_FreadRecords(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<dbstype> recs;
        FILE* f = platform::fopen(p.dbsPath().c_str(), "rb");
        dbshdtype hd;
        std::fread(&hd, sizeof hd, 1, f);
        std::fseek(f, kDbsFirstSlot, SEEK_SET);
        dbstype r{};
        while (std::fread(&r, kDbsRecordSize, 1, f) == 1)
            recs.push_back(r);
        std::fclose(f);
        benchmark::DoNotOptimize(recs.data());
    }
}

void BM_CHarnDbs_Init(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CHarnDbs dbs(p.proj.get(), nullptr);
        if (dbs.Init(1, 0, nullptr, nullptr) != 0)
            state.SkipWithError("Init failed");
        benchmark::DoNotOptimize(dbs.Get_aktel());
    }
}

// Opening for writing packs a database whose every tenth slot is freed: the packed file
// replaces it. The unpacked file is put back between iterations, outside the timing.
void BM_CHarnDbs_InitPack(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)), 10);
    for (auto _ : state) {
        state.PauseTiming();
        p.restore();
        state.ResumeTiming();
        CHarnDbs dbs(p.proj.get(), nullptr);
        if (dbs.Init(0, 0, nullptr, nullptr) != 0 || dbs.m_hd.hal != 0)
            state.SkipWithError("Init did not pack");
        benchmark::DoNotOptimize(dbs.Get_aktel());
    }
}

// Its floor: the same records read with plain fread, the packed bytes (head, live records,
// freed slots at the end) put together and written through the same safe replacement.
void BM_Floor_FreadPackWrite(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)), 10);
    for (auto _ : state) {
        state.PauseTiming();
        p.restore();
        state.ResumeTiming();
        std::vector<dbstype> recs;
        FILE* f = platform::fopen(p.dbsPath().c_str(), "rb");
        dbshdtype hd;
        std::fread(&hd, sizeof hd, 1, f);
        std::fseek(f, kDbsFirstSlot, SEEK_SET);
        dbstype r{};
        long freed = 0;
        while (std::fread(&r, kDbsRecordSize, 1, f) == 1) {
            if (r.typ == 0 || r.id[0] == 0)
                ++freed;
            else
                recs.push_back(r);
        }
        std::fclose(f);
        std::string packed = p.bytes.substr(0, kDbsFirstSlot);
        for (const dbstype& rec : recs)
            packed.append(reinterpret_cast<const char*>(&rec), kDbsRecordSize);
        packed.append(static_cast<size_t>(freed) * kDbsRecordSize, '\0');
        hd.slut = static_cast<int32_t>(kDbsFirstSlot + recs.size() * kDbsRecordSize);
        hd.hal = 0;
        std::memcpy(packed.data(), &hd, sizeof hd);
        if (platform::replaceFileContents(p.dbsPath().c_str(), packed) != 0)
            state.SkipWithError("write failed");
    }
}

// The slots of 1 000 records spread evenly over a database of n.
std::vector<long> spreadSlots(size_t n) {
    std::vector<long> slots;
    for (size_t i = 0; i < 1000 && i < n; ++i)
        slots.push_back(static_cast<long>(kDbsFirstSlot +
                                          (i * n / std::min<size_t>(n, 1000)) * kDbsRecordSize));
    return slots;
}

// 1 000 records of a database of n, spread over it, each changed and written with
// Uppdat(0): each call opens the database under the lock file, checks the record's slot,
// writes it and closes. The cost of one call must not grow with the database.
void BM_CHarnDbs_Uppdat(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    const std::vector<long> slots = spreadSlots(p.ids.size());
    CHarnDbs dbs(p.proj.get(), nullptr);
    if (dbs.Init(0, 0, nullptr, nullptr) != 0)
        state.SkipWithError("Init failed");
    for (int warm = 0; warm < 2; ++warm) // the slot index is built before timing
        dbs.Findobj(0, slots[0]);
    char mark = 'A';
    for (auto _ : state) {
        mark = mark == 'A' ? 'B' : 'A';
        for (long slot : slots) {
            if (dbs.Findobj(0, slot) != 0)
                state.SkipWithError("record not found");
            dbs.Get_aktel()->text[0] = mark;
            if (dbs.Uppdat(0) != 0) {
                state.SkipWithError("Uppdat failed");
                break;
            }
        }
    }
}

// Its floor: the same record bytes written at their slots in one buffered pass.
void BM_Floor_WriteRecords(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    std::vector<dbstype> recs;
    for (long slot : spreadSlots(p.ids.size())) {
        recs.emplace_back();
        std::memcpy(&recs.back(), p.bytes.data() + slot, kDbsRecordSize);
        recs.back().filpos = static_cast<int32_t>(slot);
    }
    char mark = 'A';
    for (auto _ : state) {
        mark = mark == 'A' ? 'B' : 'A';
        FILE* f = platform::fopen(p.dbsPath().c_str(), "r+b");
        for (dbstype& r : recs) {
            r.text[0] = mark;
            std::fseek(f, r.filpos, SEEK_SET);
            std::fwrite(&r, kDbsRecordSize, 1, f);
        }
        if (std::fclose(f) != 0)
            state.SkipWithError("write failed");
    }
}

// The floor of a search: a hash lookup of the same ids in the same run.
void BM_Floor_HashLookup(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    std::unordered_map<std::string, size_t> byId;
    for (size_t i = 0; i < p.ids.size(); ++i)
        byId.emplace(p.ids[i], i);
    std::mt19937 rng(7);
    std::vector<std::string> wanted;
    for (int k = 0; k < 1000; ++k)
        wanted.push_back(p.ids[rng() % p.ids.size()]);
    for (auto _ : state) {
        for (const std::string& id : wanted) {
            char copy[16];
            std::snprintf(copy, sizeof copy, "%s", id.c_str());
            benchmark::DoNotOptimize(byId.find(copy));
        }
    }
}

// 1000 random ids looked up in a loaded database (the index is built before timing).
void BM_CHarnDbs_Findid(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    CHarnDbs dbs(p.proj.get(), nullptr);
    dbs.Init(1, 0, nullptr, nullptr);
    std::mt19937 rng(7);
    std::vector<std::string> wanted;
    for (int k = 0; k < 1000; ++k)
        wanted.push_back(p.ids[rng() % p.ids.size()]);
    for (int warm = 0; warm < 2; ++warm) {
        char id[16];
        std::snprintf(id, sizeof id, "%s", wanted[0].c_str());
        dbs.Findid(0, id);
    }
    for (auto _ : state) {
        for (const std::string& w : wanted) {
            char id[16];
            std::snprintf(id, sizeof id, "%s", w.c_str());
            benchmark::DoNotOptimize(dbs.Findid(0, id));
        }
    }
}

// Ids of new objects: distinct ones, or all sharing their first 8 characters.
std::string newId(int i, bool shared) {
    char id[16];
    std::snprintf(id, sizeof id, shared ? "SHAREDID%d" : "N%07d", i);
    return id;
}

// n new objects appended one by one, each given a file name (Ny, the id, Filnamn).
void filnamnRun(benchmark::State& state, bool shared) {
    const int n = static_cast<int>(state.range(0));
    CProjPath proj("/nonexistent");
    for (auto _ : state) {
        CHarnDbs dbs(&proj, nullptr);
        for (int i = 0; i < n; ++i) {
            dbs.Ny(1, nullptr);
            dbstype* r = dbs.Get_aktel();
            r->typ = 3;
            std::snprintf(r->id, sizeof r->id, "%s", newId(i, shared).c_str());
            if (dbs.Filnamn() != 0)
                state.SkipWithError("Filnamn failed");
        }
        benchmark::DoNotOptimize(dbs.Get_aktel());
    }
}
void BM_CHarnDbs_Filnamn(benchmark::State& state) {
    filnamnRun(state, false);
}
void BM_CHarnDbs_FilnamnShared(benchmark::State& state) {
    filnamnRun(state, true);
}

// Its floor: the same records in a vector and the same candidate names tried in a hash set
// (the plain name, then the numbered ones, as the names chosen give them).
void filnamnFloor(benchmark::State& state, bool shared) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<dbstype> recs;
        std::unordered_set<std::string> taken;
        long next = 1;
        for (int i = 0; i < n; ++i) {
            recs.emplace_back();
            dbstype& r = recs.back();
            r.typ = 3;
            std::snprintf(r.id, sizeof r.id, "%s", newId(i, shared).c_str());
            std::string name(r.id, std::min<size_t>(8, std::strlen(r.id)));
            if (taken.count(name)) {
                const int digits = static_cast<int>(std::to_string(next).size());
                name = name.substr(0, static_cast<size_t>(8 - digits)) + std::to_string(next++);
                benchmark::DoNotOptimize(taken.count(name));
            }
            taken.insert(name);
            std::snprintf(r.filnamn, sizeof r.filnamn, "%s", name.c_str());
        }
        benchmark::DoNotOptimize(recs.data());
    }
}
void BM_Floor_FilnamnHash(benchmark::State& state) {
    filnamnFloor(state, false);
}
void BM_Floor_FilnamnHashShared(benchmark::State& state) {
    filnamnFloor(state, true);
}

} // namespace

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Floor_FreadRecords) SIZES;
BENCHMARK(BM_CHarnDbs_Init) SIZES;
BENCHMARK(BM_Floor_FreadPackWrite) SIZES;
BENCHMARK(BM_CHarnDbs_InitPack) SIZES;
BENCHMARK(BM_Floor_WriteRecords) SIZES;
BENCHMARK(BM_CHarnDbs_Uppdat) SIZES;
BENCHMARK(BM_Floor_HashLookup) SIZES;
BENCHMARK(BM_CHarnDbs_Findid) SIZES;
BENCHMARK(BM_Floor_FilnamnHash) SIZES;
BENCHMARK(BM_CHarnDbs_Filnamn) SIZES;
BENCHMARK(BM_Floor_FilnamnHashShared) SIZES;
BENCHMARK(BM_CHarnDbs_FilnamnShared) SIZES;
