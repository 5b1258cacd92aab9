// CFile and CStdioFile (open flags, reading, writing, seeking, exceptions of disk errors,
// exclusive opening, text lines) and the fault injector that every file operation passes.
#include "platform/CFile.h"
#include "platform/CStdioFile.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

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
    // "y" or "n" for each of `n` opens: whether it succeeded.
    std::string opens(int n) {
        std::string out;
        for (CFile f; n-- > 0; f.Abort())
            out += f.Open(path("A").c_str(), CFile::modeRead) ? "y" : "n";
        return out;
    }
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
    UINT create = CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary;
    ASSERT_TRUE(f.Open(path("a.dbs").c_str(), create));
    EXPECT_EQ(f.GetFilePath(), CString(path("a.dbs").c_str()));
    EXPECT_EQ(f.GetFileName(), CString("a.dbs"));
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
    EXPECT_FALSE(f.IsOpen());
    f.Close(); // closing a closed file does nothing
    EXPECT_EQ(readBytes(dir.file("A.DBS")), std::string("01234\n\r789\0\0s", 13));
    // No-truncate keeps what is there and creates what is not.
    UINT keep = CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite;
    for (const char* name : {"A.DBS", "NEW.DAT"}) {
        ASSERT_TRUE(f.Open(path(name).c_str(), keep));
        f.SeekToEnd();
        f.Write("+", 1);
        f.Close();
    }
    EXPECT_EQ(readBytes(dir.file("A.DBS")).size(), 14u);
    EXPECT_EQ(readBytes(dir.file("NEW.DAT")), "+");
}

TEST_F(CFileTest, DiskErrorsRaiseAndExclusiveOpenShutsOut) {
    writeBytes(dir.file("R.DAT"), "0123");
    CFile f;
    char buf[4];
    EXPECT_THROW(f.Read(buf, 1), CFileException); // not open
    EXPECT_THROW(f.Write("x", 1), CFileException);
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
    second.Close();
    ASSERT_TRUE(first.Open(path("NY.DBS").c_str(),
                           CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive));
    EXPECT_FALSE(second.Open(path("NY.DBS").c_str(), flags));
}

TEST_F(CFileTest, StdioFileWritesCrLfAndReadsEitherEnd) {
    CStdioFile w;
    ASSERT_TRUE(w.Open(path("T.TXT").c_str(), CFile::modeCreate | CFile::modeWrite));
    w.WriteString("rad 1\n\nsista");
    w.Close();
    EXPECT_EQ(readBytes(dir.file("T.TXT")), "rad 1\r\n\r\nsista");
    for (std::string bytes : {"rad 1\r\n\r\nsista", "rad 1\n\nsista", "rad 1\r\n\nsista"}) {
        for (UINT mode : {0u, unsigned(CFile::typeBinary)}) {
            writeBytes(dir.file("T.TXT"), bytes);
            CStdioFile f(path("t.txt").c_str(), CFile::modeRead | mode);
            CString line("skräp"), all;
            while (f.ReadString(line))
                all += line + "|";
            EXPECT_EQ(all, CString("rad 1||sista|")) << bytes << mode;
            EXPECT_TRUE(line.IsEmpty());
        }
    }
    writeBytes(dir.file("F.TXT"), "abcdef\r\ng\r\n");
    CStdioFile f(path("F.TXT").c_str(), CFile::modeRead);
    char buf[5];
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "abcd"); // like fgets
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "ef\n");
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "g\n");
    EXPECT_EQ(f.ReadString(buf, sizeof buf), nullptr);
}

TEST_F(CFileTest, NthOperationFailsOnceOrFromThenOnAndChangesNothing) {
    writeBytes(dir.file("A"), "0123456789");
    EXPECT_EQ(opens(1), "y"); // counting starts at the arming
    FaultInjector::failNth(FileOp::Open, 2);
    EXPECT_EQ(opens(3), "yny");
    FaultInjector::failNth(FileOp::Open, 2, true);
    EXPECT_EQ(opens(3), "ynn");
    EXPECT_EQ(FaultInjector::count(FileOp::Open), 7);
    FaultInjector::reset();
    writeBytes(dir.file("B1.TMP"), "ny");
    // Each kind armed on its own fails its next call and changes nothing.
    std::string back;
    FaultInjector::failNth(FileOp::Read, 1);
    EXPECT_FALSE(platform::readFile(path("A").c_str(), back));
    FaultInjector::failNth(FileOp::Write, 1);
    EXPECT_FALSE(platform::writeFile(path("W.DAT").c_str(), "abc"));
    FaultInjector::failNth(FileOp::Remove, 1);
    EXPECT_EQ(platform::remove(path("A").c_str()), -1);
    FaultInjector::failNth(FileOp::Rename, 1);
    EXPECT_EQ(platform::rename(path("B1.TMP").c_str(), path("B").c_str()), -1);
    FaultInjector::failNth(FileOp::Rename, 1);
    EXPECT_EQ(platform::replaceFile(path("B1.TMP").c_str(), path("A").c_str()), -1);
    EXPECT_EQ(testing_support::listNames(dir.path()),
              (std::vector<std::string>{"A", "B1.TMP", "W.DAT"}));
    EXPECT_EQ(readBytes(dir.file("A")), "0123456789");
    // In CFile a failed read raises, once; a failed write raises at flush and at close.
    CFile f;
    ASSERT_TRUE(f.Open(path("A").c_str(), CFile::modeRead));
    FaultInjector::failNth(FileOp::Read, 1);
    char buf[4];
    EXPECT_THROW(f.Read(buf, 4), CFileException);
    f.SeekToBegin();
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
