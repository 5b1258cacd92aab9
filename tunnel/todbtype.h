// The 144-byte record of the tunnel, bolt and drainage files, followed in memory by the
// record's offset in its file. The fields named here are those of tunnel records; bolt and
// drainage records reuse the same bytes with their own layout, read and written through the
// accessors below (bolt number at 136; drain point number at 56, point chainage at 80, drain
// number at 116; a drain's start and end chainage are `sekt` and `sekt2`).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#pragma pack(push, 1)

struct todbtype {
    int16_t typ;         // record kind 1..19 (7: position along the tunnel); 0 when deleted
    int16_t kod2;        // number, written on the .LAT line
    uint8_t aktiv;       // nonzero: live; 0: deleted
    uint8_t reserv1[11]; // not used by tunnel records
    double sekt;         // chainage (m), the sort key
    double sekt2;        // not used by tunnel records (drainage: end of the drain)
    int16_t kod3;        // number, written on the .LAT line
    uint8_t reserv2[2];
    char tvnamn[10]; // cross-section type that applies from this chainage on
    int16_t ival1;
    int16_t ival2;
    uint8_t reserv3[2];
    double tval1;
    double tval2;
    char ttext1[16];
    char ttext2[16];
    // A double in files of version below 1.19, six small integers from 1.19 on.
    union {
        double tval3;
        int8_t tflagg[6]; // the two bytes behind them are not used
    };
    double tval4;
    double tval5;
    double tval6;
    double tval7;
    uint8_t reserv4[4];
    int32_t filpos; // memory only: offset in the file; 0 not yet written; < 0 delete on Save

    // Bolt records: the bolt's serial number; 0 = not yet numbered.
    int32_t bnr() const { return get<int32_t>(kBnr); }
    void setBnr(int32_t v) { put(kBnr, v); }
    // Drain points: the point's 1-based place in its drain (1 opens a drain), the point's
    // chainage and its serial number (0 = not yet numbered).
    int32_t lnr() const { return get<int32_t>(kLnr); }
    void setLnr(int32_t v) { put(kLnr, v); }
    double psekt() const { return get<double>(kPsekt); }
    void setPsekt(double v) { put(kPsekt, v); }
    int32_t dnr() const { return get<int32_t>(kDnr); }
    void setDnr(int32_t v) { put(kDnr, v); }

    // Offsets of the bolt and drainage fields, which lie over tunnel fields.
    static constexpr std::size_t kLnr = 56, kPsekt = 80, kDnr = 116, kBnr = 136;

private:
    template <class V> V get(std::size_t at) const {
        V v;
        std::memcpy(&v, reinterpret_cast<const char*>(this) + at, sizeof v);
        return v;
    }
    template <class V> void put(std::size_t at, V v) {
        std::memcpy(reinterpret_cast<char*>(this) + at, &v, sizeof v);
    }
};

#pragma pack(pop)

constexpr int kTodbRecordSize = 144;

static_assert(offsetof(todbtype, typ) == 0);
static_assert(offsetof(todbtype, kod2) == 2);
static_assert(offsetof(todbtype, aktiv) == 4);
static_assert(offsetof(todbtype, sekt) == 16);
static_assert(offsetof(todbtype, sekt2) == 24);
static_assert(offsetof(todbtype, kod3) == 32);
static_assert(offsetof(todbtype, tvnamn) == 36);
static_assert(sizeof(todbtype::tvnamn) == 10);
static_assert(offsetof(todbtype, ival1) == 46);
static_assert(offsetof(todbtype, ival2) == 48);
static_assert(offsetof(todbtype, tval1) == 52);
static_assert(offsetof(todbtype, tval2) == 60);
static_assert(offsetof(todbtype, ttext1) == 68);
static_assert(offsetof(todbtype, ttext2) == 84);
static_assert(offsetof(todbtype, tval3) == 100);
static_assert(offsetof(todbtype, tflagg) == 100);
static_assert(sizeof(todbtype::tflagg) == 6);
static_assert(offsetof(todbtype, tval4) == 108);
static_assert(offsetof(todbtype, tval5) == 116);
static_assert(offsetof(todbtype, tval6) == 124);
static_assert(offsetof(todbtype, tval7) == 132);
static_assert(offsetof(todbtype, filpos) == kTodbRecordSize);
static_assert(sizeof(todbtype) == kTodbRecordSize + 4);
