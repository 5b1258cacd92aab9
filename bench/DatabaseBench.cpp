// Loading and searching a project database of many objects, against floors measured in
// the same run: reading the same file's records with plain fread, and a linear search of
// the same identifiers in a vector.
#include "database/CHarnDbs.h"
#include "platform/FileSystem.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A project folder whose database holds `n` live records, written as byte images.
class Project {
public:
    explicit Project(int n) {
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
        std::string bytes;
        platform::readFile(path.c_str(), bytes);
        bytes.resize(kDbsFirstSlot, '\0');
        dbshdtype hd;
        std::memcpy(&hd, bytes.data(), sizeof hd);
        for (int i = 0; i < n; ++i) {
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
        hd.slut = kDbsFirstSlot + n * kDbsRecordSize;
        std::memcpy(bytes.data(), &hd, sizeof hd);
        platform::writeFile(path.c_str(), bytes);
    }
    ~Project() { std::filesystem::remove_all(folder); }

    std::string dbsPath() const { return folder + "/" + std::string(CProjPath::HarnDbsNamn); }

    std::string folder;
    std::unique_ptr<CProjPath> proj;
    std::vector<std::string> ids;
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

void BM_Floor_LinearSearch(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    std::vector<dbstype> recs(p.ids.size());
    for (size_t i = 0; i < recs.size(); ++i)
        std::snprintf(recs[i].id, sizeof recs[i].id, "%s", p.ids[i].c_str());
    for (auto _ : state) {
        for (size_t k = 0; k < p.ids.size(); k += p.ids.size() / 100) {
            for (const dbstype& r : recs)
                if (std::strcmp(r.id, p.ids[k].c_str()) == 0) {
                    benchmark::DoNotOptimize(&r);
                    break;
                }
        }
    }
}

void BM_CHarnDbs_Findid(benchmark::State& state) {
    Project p(static_cast<int>(state.range(0)));
    CHarnDbs dbs(p.proj.get(), nullptr);
    dbs.Init(1, 0, nullptr, nullptr);
    for (auto _ : state) {
        for (size_t k = 0; k < p.ids.size(); k += p.ids.size() / 100) {
            char id[16];
            std::snprintf(id, sizeof id, "%s", p.ids[k].c_str());
            benchmark::DoNotOptimize(dbs.Findid(0, id));
        }
    }
}

} // namespace

BENCHMARK(BM_Floor_FreadRecords)->Arg(1000)->Arg(10000);
BENCHMARK(BM_CHarnDbs_Init)->Arg(1000)->Arg(10000);
BENCHMARK(BM_Floor_LinearSearch)->Arg(1000)->Arg(10000);
BENCHMARK(BM_CHarnDbs_Findid)->Arg(1000)->Arg(10000);
