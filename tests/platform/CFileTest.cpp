// CFile and CStdioFile (open flags, reading, writing, seeking, exceptions of disk errors,
// exclusive opening, text lines) and the fault injector that every file operation passes.
#include "platform/CFile.h"
#include "platform/CStdioFile.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using platform::FaultInjector;
using platform::FileOp;
using testing_support::readBytes;
using testing_support::writeBytes;

class CFileTest : public ::testing::Test {
protected:
    platform::FaultScope faults;
    testing_support::TempDir dir;
    std::string path(const char* name) const { return dir.winPath() + "\\" + name; }
};

TEST_F(CFileTest, OpenFlagsReadWriteAndSeek) {
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(path("NONE.DBS").c_str(), CFile::modeRead | CFile::typeBinary, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, CString(path("NONE.DBS").c_str()));
    EXPECT_THROW(CFile(path("NONE.DBS").c_str(), CFile::modeRead), CFileException);
    // Create truncates the file found in another case and writes bytes as given.
    writeBytes(dir.file("A.DBS"), "old contents that are longer");
    ASSERT_TRUE(f.Open(path("a.dbs").c_str(), CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_EQ(f.GetFilePath() + "|" + f.GetFileName(), CString((path("a.dbs") + "|a.dbs").c_str()));
    f.Write("0123456789", 10);
    char buf[8] = {};
    EXPECT_EQ(f.Seek(3, CFile::begin), 3u);
    EXPECT_EQ(f.Read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(f.Seek(-2, CFile::current), 5u);
    f.Write("\n\r", 2);
    EXPECT_EQ(f.Seek(-1, CFile::end), 9u);
    EXPECT_EQ(f.Read(buf, 8), 1u); // a short read at the end is no error
    EXPECT_EQ(f.Read(buf, 8), 0u);
    f.Seek(12, CFile::begin); // writing past the end fills with zeros
    f.Write("s", 1);
    EXPECT_EQ(f.GetLength(), 13u);
    f.Close();
    f.Close(); // closing a closed file does nothing
    EXPECT_EQ(readBytes(dir.file("A.DBS")), std::string("01234\n\r789\0\0s", 13));
    // No-truncate keeps what is there and creates what is not.
    for (const char* name : {"A.DBS", "NEW.DAT"}) {
        ASSERT_TRUE(f.Open(path(name).c_str(),
                           CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
        f.SeekToEnd();
        f.Write("+", 1);
        f.Close();
    }
    EXPECT_EQ(readBytes(dir.file("A.DBS")).size() + readBytes(dir.file("NEW.DAT")).size(), 15u);
}

TEST_F(CFileTest, DiskErrorsRaiseAndExclusiveOpenShutsOut) {
    writeBytes(dir.file("R.DAT"), "0123");
    CFile f;
    char buf[4];
    EXPECT_THROW(f.Read(buf, 1), CFileException); // not open
    ASSERT_TRUE(f.Open(path("R.DAT").c_str(), CFile::modeRead));
    EXPECT_THROW(f.Seek(-5, CFile::begin), CFileException);
    EXPECT_THROW(
        {
            f.Write("x", 1); // opened for reading only
            f.Flush();
        },
        CFileException);
    f.Abort();
    EXPECT_EQ(readBytes(dir.file("R.DAT")), "0123");

    UINT flags = CFile::typeBinary | CFile::modeReadWrite | CFile::shareExclusive;
    CFile first, second;
    ASSERT_TRUE(first.Open(path("R.DAT").c_str(), flags));
    CFileException e;
    EXPECT_FALSE(second.Open(path("r.dat").c_str(), flags, &e));
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    first.Close();
    EXPECT_TRUE(second.Open(path("r.dat").c_str(), flags));
}

TEST_F(CFileTest, StdioFileWritesCrLfAndReadsEitherEnd) {
    CStdioFile w(path("T.TXT").c_str(), CFile::modeCreate | CFile::modeWrite);
    w.WriteString("rad 1\n\nsista");
    w.Close();
    EXPECT_EQ(readBytes(dir.file("T.TXT")), "rad 1\r\n\r\nsista"); // read: CStdioFileLineTest
    writeBytes(dir.file("F.TXT"), "abcdef\r\ng\r\n");
    CStdioFile f(path("F.TXT").c_str(), CFile::modeRead);
    char buf[5];
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "abcd"); // like fgets
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "ef\n");
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "g\n");
    EXPECT_EQ(f.ReadString(buf, sizeof buf), nullptr);
}

// A file far larger than any stream buffer, read in records (the last one short), at
// positions reached by seeking and again after a failed read: every byte as on disk.
TEST_F(CFileTest, RecordReadsOfALargeFileGiveItsBytes) {
    std::string bytes(200000 + 57, '\0');
    std::mt19937 rng(11);
    for (char& c : bytes)
        c = static_cast<char>(rng());
    writeBytes(dir.file("BIG.DBS"), bytes);
    for (UINT access : {unsigned(CFile::modeRead), unsigned(CFile::modeReadWrite)}) {
        SCOPED_TRACE(access);
        CFile f(path("big.dbs").c_str(), access | CFile::typeBinary);
        EXPECT_EQ(f.GetLength(), bytes.size());
        char rec[124];
        std::string read;
        UINT n;
        while ((n = f.Read(rec, sizeof rec)) == sizeof rec) {
            read.append(rec, n);
            ASSERT_EQ(f.GetPosition(), read.size());
        }
        EXPECT_EQ(n, bytes.size() % sizeof rec);
        read.append(rec, n);
        EXPECT_EQ(read, bytes);
        EXPECT_EQ(f.Read(rec, sizeof rec), 0u);
        // Forwards and backwards over the stream's buffer bounds, absolute and relative.
        for (long at : {65530L, 3L, 131070L, 200000L, 65536L * 3 - 1}) {
            EXPECT_EQ(f.Seek(at, CFile::begin), static_cast<ULONGLONG>(at));
            n = f.Read(rec, sizeof rec);
            EXPECT_EQ(std::string(rec, n), bytes.substr(static_cast<size_t>(at), sizeof rec));
            EXPECT_EQ(f.Seek(-62, CFile::current), static_cast<ULONGLONG>(at) + n - 62);
            EXPECT_EQ(f.Read(rec, 10), 10u);
            EXPECT_EQ(std::string(rec, 10), bytes.substr(static_cast<size_t>(at) + n - 62, 10));
        }
        // A failed read of the file raises once, at the record it was read for; from a
        // seek back to that record the bytes are read again.
        f.SeekToBegin();
        FaultInjector::failNth(FileOp::Read, 1);
        ULONGLONG failedAt = 0;
        int raised = 0;
        for (ULONGLONG at = 0;; at = f.GetPosition()) {
            try {
                if (f.Read(rec, sizeof rec) < sizeof rec)
                    break;
            } catch (const CFileException&) {
                ++raised;
                failedAt = at;
                break;
            }
        }
        EXPECT_EQ(raised, 1);
        f.Seek(static_cast<LONGLONG>(failedAt), CFile::begin);
        ASSERT_EQ(f.Read(rec, sizeof rec), sizeof rec);
        EXPECT_EQ(std::string(rec, sizeof rec), bytes.substr(failedAt, sizeof rec));
        f.Close();
    }
}

// Every kind of operation failed in every position is proven by the save tests of the
// borehole, database and mapping programs; here the counting and what CFile makes of it.
TEST_F(CFileTest, NthOperationFailsOnceOrFromThenOn) {
    writeBytes(dir.file("A"), "0123456789");
    auto opens = [&](int n) {
        std::string out;
        for (CFile f; n-- > 0; f.Abort())
            out += f.Open(path("A").c_str(), CFile::modeRead) ? "y" : "n";
        return out;
    };
    EXPECT_EQ(opens(1), "y"); // counting starts at the arming
    FaultInjector::failNth(FileOp::Open, 2);
    EXPECT_EQ(opens(3), "yny");
    FaultInjector::failNth(FileOp::Open, 2, true);
    EXPECT_EQ(opens(3), "ynn");
    EXPECT_EQ(FaultInjector::count(FileOp::Open), 7);
    FaultInjector::reset();
    // A failed read raises, once; a failed write raises at flush and at close.
    CFile f(path("A").c_str(), CFile::modeRead);
    FaultInjector::failNth(FileOp::Read, 1);
    char buf[4];
    EXPECT_THROW(f.Read(buf, 4), CFileException);
    EXPECT_EQ(f.Read(buf, 4), 4u);
    f.Close();
    FaultInjector::failNth(FileOp::Write, 1, true);
    ASSERT_TRUE(f.Open(path("W.DAT").c_str(), CFile::modeCreate | CFile::modeWrite));
    f.Write("abc", 3);
    EXPECT_THROW(f.Flush(), CFileException);
    EXPECT_THROW(f.Close(), CFileException);
    EXPECT_FALSE(f.IsOpen());
    FILE* stream = platform::fopen(path("S.TXT").c_str(), "w"); // a stream's close fails too
    std::fputs("text\n", stream);
    EXPECT_NE(std::fclose(stream), 0);
}

} // namespace
