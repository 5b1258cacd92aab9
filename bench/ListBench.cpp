// Sorting a project's records: list0's stable sorts against std::stable_sort over the same
// keys (the floor). Reported as ratios in the same run.
#include "list/list0.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Rec {
    int key;
    int order;
};

class KeyList : public list0<Rec> {
public:
    int Sortval(int) override { return m_pael->key > m_pmark->key ? 1 : 0; }
};

std::vector<int> keys(int n) {
    std::mt19937 rng(42);
    std::vector<int> k(n);
    for (int& v : k)
        v = static_cast<int>(rng() % 1000);
    return k;
}

void fill(KeyList& list, const std::vector<int>& k) {
    for (size_t i = 0; i < k.size(); ++i) {
        Rec r{k[i], static_cast<int>(i)};
        list.Ny(1, &r);
    }
}

void BM_Floor_StableSort(benchmark::State& state) {
    auto k = keys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<Rec> v;
        for (size_t i = 0; i < k.size(); ++i)
            v.push_back({k[i], static_cast<int>(i)});
        std::stable_sort(v.begin(), v.end(),
                         [](const Rec& a, const Rec& b) { return a.key < b.key; });
        benchmark::DoNotOptimize(v.data());
    }
}

void BM_List0_Sortera(benchmark::State& state) {
    auto k = keys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        KeyList list;
        fill(list, k);
        list.Sortera(1);
        benchmark::DoNotOptimize(list.Get_aktel());
    }
}

void BM_List0_Omsortera(benchmark::State& state) {
    auto k = keys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        KeyList list;
        fill(list, k);
        list.Omsortera(1);
        benchmark::DoNotOptimize(list.Get_aktel());
    }
}

} // namespace

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Floor_StableSort) SIZES;
BENCHMARK(BM_List0_Sortera) SIZES;
BENCHMARK(BM_List0_Omsortera) SIZES;
