// CFile and CStdioFile: open flags, reading, writing and seeking, the exceptions of disk
// errors, exclusive opening, and the text lines of CStdioFile.
#include "platform/CFile.h"
#include "platform/CStdioFile.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

class CFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path(const char* name) const { return dir.winPath() + "\\" + name; }
};

TEST_F(CFileTest, OpenMissingFileFailsWithTheCause) {
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(path("NONE.DBS").c_str(), CFile::modeRead | CFile::typeBinary, &e));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, CString(path("NONE.DBS").c_str()));
    EXPECT_FALSE(f.Open(path("NONE.DBS").c_str(), CFile::modeReadWrite));
}

TEST_F(CFileTest, ConstructorRaisesWhenTheFileCannotBeOpened) {
    try {
        CFile f(path("NONE.DBS").c_str(), CFile::modeRead);
        FAIL() << "opened";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
}

TEST_F(CFileTest, CreateWritesBinaryBytesAndTruncates) {
    writeBytes(dir.file("A.DBS"), "old contents that are longer");
    CFile f;
    ASSERT_TRUE(
        f.Open(path("a.dbs").c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
    EXPECT_TRUE(f.IsOpen());
    f.Write("1.5\0\n\r", 6);
    EXPECT_EQ(f.GetPosition(), 6u);
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(readBytes(dir.file("A.DBS")), std::string("1.5\0\n\r", 6));
}

TEST_F(CFileTest, NoTruncateKeepsWhatIsThereAndCreatesWhatIsNot) {
    writeBytes(dir.file("KEEP.DAT"), "abcdef");
    CFile f;
    ASSERT_TRUE(f.Open(path("KEEP.DAT").c_str(),
                       CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
    EXPECT_EQ(f.GetLength(), 6u);
    f.SeekToEnd();
    f.Write("gh", 2);
    f.Close();
    EXPECT_EQ(readBytes(dir.file("KEEP.DAT")), "abcdefgh");
    ASSERT_TRUE(f.Open(path("NEW.DAT").c_str(),
                       CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
    f.Write("x", 1);
    f.Close();
    EXPECT_EQ(readBytes(dir.file("NEW.DAT")), "x");
}

TEST_F(CFileTest, SeekReadAndOverwriteInPlace) {
    writeBytes(dir.file("R.DAT"), "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(path("R.DAT").c_str(), CFile::modeReadWrite | CFile::typeBinary));
    char buf[8] = {};
    EXPECT_EQ(f.Seek(3, CFile::begin), 3u);
    EXPECT_EQ(f.Read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(f.Seek(-2, CFile::current), 5u);
    f.Write("AB", 2);
    EXPECT_EQ(f.Seek(-1, CFile::end), 9u);
    EXPECT_EQ(f.Read(buf, 8), 1u); // a short read at the end is no error
    EXPECT_EQ(buf[0], '9');
    EXPECT_EQ(f.Read(buf, 8), 0u);
    EXPECT_EQ(f.GetLength(), 10u);
    f.SeekToBegin();
    EXPECT_EQ(f.GetPosition(), 0u);
    f.Flush();
    f.Close();
    EXPECT_EQ(readBytes(dir.file("R.DAT")), "01234AB789");
}

TEST_F(CFileTest, WritingPastTheEndExtendsTheFileWithZeros) {
    CFile f;
    ASSERT_TRUE(f.Open(path("G.DAT").c_str(), CFile::modeCreate | CFile::modeReadWrite));
    f.Write("h", 1);
    f.Seek(5, CFile::begin);
    f.Write("s", 1);
    f.Close();
    EXPECT_EQ(readBytes(dir.file("G.DAT")), std::string("h\0\0\0\0s", 6));
}

TEST_F(CFileTest, DiskErrorsRaiseFileExceptions) {
    writeBytes(dir.file("R.DAT"), "0123");
    CFile f;
    char buf[4];
    EXPECT_THROW(f.Read(buf, 1), CFileException);
    EXPECT_THROW(f.Write("x", 1), CFileException);
    EXPECT_THROW(f.Seek(0, CFile::begin), CFileException);
    ASSERT_TRUE(f.Open(path("R.DAT").c_str(), CFile::modeRead));
    EXPECT_THROW(f.Seek(-5, CFile::begin), CFileException);
    // Writing to a file opened for reading only.
    EXPECT_THROW(
        {
            f.Write("x", 1);
            f.Flush();
        },
        CFileException);
    f.Abort();
    EXPECT_EQ(readBytes(dir.file("R.DAT")), "0123");
}

TEST_F(CFileTest, PathAndName) {
    CFile f;
    f.SetFilePath("C:\\proj\\HARNPLAN.LCK");
    EXPECT_EQ(f.GetFilePath(), CString("C:\\proj\\HARNPLAN.LCK"));
    EXPECT_EQ(f.GetFileName(), CString("HARNPLAN.LCK"));
    EXPECT_FALSE(f.IsOpen());
    f.Close(); // closing a closed file does nothing
    writeBytes(dir.file("X.DBS"), "");
    ASSERT_TRUE(f.Open(path("x.dbs").c_str(), CFile::modeRead));
    EXPECT_EQ(f.GetFilePath(), CString(path("x.dbs").c_str()));
}

TEST_F(CFileTest, ExclusiveOpenShutsOutAnotherExclusiveOpener) {
    writeBytes(dir.file("HARNPLAN.DBS"), "db");
    UINT flags = CFile::typeBinary | CFile::modeReadWrite | CFile::shareExclusive;
    CFile first, second;
    ASSERT_TRUE(first.Open(path("HARNPLAN.DBS").c_str(), flags));
    CFileException e;
    EXPECT_FALSE(second.Open(path("harnplan.dbs").c_str(), flags, &e));
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    first.Close();
    EXPECT_TRUE(second.Open(path("harnplan.dbs").c_str(), flags));
}

TEST_F(CFileTest, ExclusiveCreateIsHeldToo) {
    UINT create = CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary;
    CFile first, second;
    ASSERT_TRUE(first.Open(path("NY.DBS").c_str(), create));
    EXPECT_FALSE(second.Open(path("NY.DBS").c_str(), CFile::modeReadWrite | CFile::shareExclusive));
    first.Write("x", 1);
    first.Close();
    EXPECT_EQ(readBytes(dir.file("NY.DBS")), "x");
}

TEST_F(CFileTest, StdioFileWritesCrLfAndReadsEitherEnd) {
    {
        CStdioFile f;
        ASSERT_TRUE(f.Open(path("T.TXT").c_str(), CFile::modeCreate | CFile::modeWrite));
        f.WriteString("rad 1\n");
        f.WriteString("\n");
        f.WriteString("sista");
        f.Close();
    }
    EXPECT_EQ(readBytes(dir.file("T.TXT")), "rad 1\r\n\r\nsista");
    for (std::string bytes : {"rad 1\r\n\r\nsista", "rad 1\n\nsista", "rad 1\r\n\nsista"}) {
        writeBytes(dir.file("T.TXT"), bytes);
        CStdioFile f(path("t.txt").c_str(), CFile::modeRead);
        CString line("skräp");
        EXPECT_TRUE(f.ReadString(line));
        EXPECT_EQ(line, CString("rad 1"));
        EXPECT_TRUE(f.ReadString(line));
        EXPECT_EQ(line, CString(""));
        EXPECT_TRUE(f.ReadString(line));
        EXPECT_EQ(line, CString("sista"));
        EXPECT_FALSE(f.ReadString(line));
        EXPECT_TRUE(line.IsEmpty());
    }
}

TEST_F(CFileTest, StdioFileInBinaryModeStillDropsTheCarriageReturn) {
    writeBytes(dir.file("B.TXT"), "a\r\nb\n");
    CStdioFile f(path("B.TXT").c_str(), CFile::modeRead | CFile::typeBinary);
    CString line;
    EXPECT_TRUE(f.ReadString(line));
    EXPECT_EQ(line, CString("a"));
    EXPECT_TRUE(f.ReadString(line));
    EXPECT_EQ(line, CString("b"));
    EXPECT_FALSE(f.ReadString(line));
}

TEST_F(CFileTest, StdioFileBufferReadIsLikeFgets) {
    writeBytes(dir.file("F.TXT"), "abcdef\r\ng\r\n");
    CStdioFile f(path("F.TXT").c_str(), CFile::modeRead);
    char buf[5];
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "abcd");
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "ef\n");
    EXPECT_STREQ(f.ReadString(buf, sizeof buf), "g\n");
    EXPECT_EQ(f.ReadString(buf, sizeof buf), nullptr);
    EXPECT_NE(f.stream(), nullptr);
}

} // namespace
