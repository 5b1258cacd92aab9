// The fuzz targets: one per file reader. Each takes the input as the contents of the file
// its reader reads, runs the reader in a fresh project folder (and, where the format has a
// writer, saves and reads back) and returns 0; a broken invariant throws harn_fuzz::Failure.
#pragma once

#include <cstddef>
#include <cstdint>

namespace harn_fuzz {

// Project database HARNPLAN.DBS: CHarnDbs::Init read-only and for writing (packing).
int fuzzDbs(const uint8_t* data, std::size_t size);
// Borehole file B1.SND: the head (CHarnDbs::LasHead, SkrivHead).
int fuzzSndHead(const uint8_t* data, std::size_t size);
// Borehole file B1.SND: core drilling (CKarnborr).
int fuzzSndKarnborr(const uint8_t* data, std::size_t size);
// Borehole file B1.SND: registered drilling RB, JB1 and the head alone (CRegBorr).
int fuzzSndRegBorr(const uint8_t* data, std::size_t size);
// Borehole file B1.SND: water-loss tests (CVattenF).
int fuzzSndVattenF(const uint8_t* data, std::size_t size);
// Line file L1.LJE (CLinjeData).
int fuzzLje(const uint8_t* data, std::size_t size);
// Outcrop file H1.LAD (CHellar), and its record in a database.
int fuzzLad(const uint8_t* data, std::size_t size);
// Code file Harnkod.dat: the rock and infill lists (CBergOrMateLista).
int fuzzHarnkod(const uint8_t* data, std::size_t size);
// Library files: reinforcement systems, reinforcement types, grouting systems.
int fuzzForstSystem(const uint8_t* data, std::size_t size);
int fuzzForstTyper(const uint8_t* data, std::size_t size);
int fuzzInjSystem(const uint8_t* data, std::size_t size);
// Alignment file V1.VL (CVaglinje).
int fuzzVl(const uint8_t* data, std::size_t size);
// Tunnel database HARNDB\T1.ODB (CTunDbs), and the tunnel text file T1.LAT its save rewrites.
int fuzzOdb(const uint8_t* data, std::size_t size);
int fuzzLat(const uint8_t* data, std::size_t size);
// Bolt file T1.ODF (CTunBult) and drainage file T1.ODD (CTunDran).
int fuzzOdf(const uint8_t* data, std::size_t size);
int fuzzOdd(const uint8_t* data, std::size_t size);
// Cross-section type library TVTYP.LIS (CTvarsnitt) and outline files .ttv (CTvarKoord).
int fuzzTvtyp(const uint8_t* data, std::size_t size);
int fuzzTtv(const uint8_t* data, std::size_t size);
// Point file Harnplan.pkt as the conversion reads it, written back and read again.
int fuzzPkt(const uint8_t* data, std::size_t size);
// Alignment list HARNDB\VAGLINJE.LIS as the conversion reads it.
int fuzzVlis(const uint8_t* data, std::size_t size);
// Deviation survey B1.CRD as the core-drilling save reads it for the record's extents.
int fuzzCrd(const uint8_t* data, std::size_t size);
// A whole project folder (fuzz/ProjectImage.h) for `harn check` and for `harn convert`.
int fuzzProjectCheck(const uint8_t* data, std::size_t size);
int fuzzProjectConvert(const uint8_t* data, std::size_t size);

} // namespace harn_fuzz
