// Every file operation of packing, Uppdat, Delete and the outline save failing in turn, once
// or from then on: the file on disk is always the old or the new one, complete, and no
// temporary file is left beside it.
#include "platform/FailureLog.h"
#include "tests/tunnel/TunnelFixture.h"

#include <memory>
#include <string>
#include <vector>

using testing_support::readBytes;
using testing_support::writeBytes;
using tvtest::head;
using tvtest::record;

namespace {

class TvFaults : public tvtest::TunnelTest {};

const std::string kHoled = head("1.5", 2, 1, 508) + record("A") + record("X", true) + record("B");

} // namespace

// Packing on reading: a failure leaves the holes and a list whose offsets are those of that
// file, so the next Uppdat writes where the records are.
TEST_F(TvFaults, Packing) {
    std::unique_ptr<CTvarsnitt> lib;
    sweep(
        index(), [&] { writeBytes(index(), kHoled); },
        [&] {
            lib = std::make_unique<CTvarsnitt>(&proj);
            const int r = lib->Init(0);
            if (r != 0)
                return r;
            // The list matches the file on disk, whichever it is.
            const std::string disk = readBytes(index());
            if (lib->Home() == 0) {
                do {
                    const int32_t at = lib->Get_aktel()->filpos;
                    EXPECT_EQ(disk.substr(static_cast<size_t>(at), 136),
                              std::string(reinterpret_cast<const char*>(lib->Get_aktel()), 136));
                } while ((*lib)++);
            }
            return disk == kHoled ? 1 : 0;
        },
        true);
}

TEST_F(TvFaults, UppdatOfANewRecord) {
    sweep(
        index(), [&] { writeBytes(index(), head("1.5", 1, 0, 236) + record("A")); },
        [&] {
            CTvarsnitt lib(&proj);
            if (lib.Init(0) != 0)
                return -9;
            const std::string r = record("B");
            tvtytype t{};
            std::memcpy(&t, r.data(), 136);
            lib.Ny(1, &t);
            const int result = lib.Uppdat(0);
            // A failed write leaves the record new and the head as it was.
            if (result != 0) {
                EXPECT_EQ(lib.Get_aktel()->filpos, 0);
                EXPECT_EQ(lib.m_hd.slut, 236);
            }
            return result;
        },
        false);
}

// Delete with a loaded outline touches no file.
TEST_F(TvFaults, Delete) {
    sweep(
        index(),
        [&] {
            writeBytes(index(), head("1.5", 1, 0, 236) + record("A"));
            writeBytes(file("A.ttv"), "*\nA\n\n\n\n\n\n*\n0 0 0\n*\n");
        },
        [&] {
            CTvarsnitt lib(&proj);
            platform::FailureLog::reset();
            if (lib.Init(0) != 0 || lib.FindKoord("A") != 0)
                return -9;
            // An outline that could not be read is reported, not passed off as empty.
            int points = 0;
            lib.Outline()->Where(&points);
            EXPECT_EQ(points == 0, platform::FailureLog::count() == 1);
            platform::FailureLog::reset();
            return lib.Delete() == -1 ? 0 : -8;
        },
        false);
}

TEST_F(TvFaults, OutlineSave) {
    sweep(
        file("A.ttv"),
        [&] { writeBytes(file("A.ttv"), "*\nA\n1 2\n\n\n\n\n*\n0 0 0\n4 0 0\n*\n"); },
        [&] {
            CTvarsnitt lib(&proj);
            tvtytype t{};
            std::strcpy(t.tvnamn, "A");
            t.anfstart = 1, t.anfslut = 2;
            lib.Ny(1, &t);
            CTvarKoord k;
            if (k.Init((winFolder() + "A.ttv").c_str(), nullptr, nullptr, nullptr) != 0)
                return -9;
            return k.Save(&lib);
        },
        true);
}
