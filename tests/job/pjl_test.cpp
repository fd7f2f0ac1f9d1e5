// The PJL envelope byte for byte: both worked examples, the option edges, the
// language line by extension, the size from the directory entry, and PJL names
// from a language file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/localized_text.h"
#include "job/job_sender.h"
#include "job/pjl_envelope.h"
#include "settings/english_locale.h"
#include "settings/param_mngr.h"

namespace fs = std::filesystem;

namespace {

const std::string kUEL = "\x1b%-12345X";

class PjlTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orvane-pjl-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::create_directories(dir_);
        gszLocalFileName[0] = '\0';
        CParamMngr::release();
        settings_ = CParamMngr::create();
        settings_->ApplyStartupDefaults();
    }
    void TearDown() override {
        CParamMngr::release();
        gszLocalFileName[0] = '\0';
        fs::remove_all(dir_);
    }
    std::string MakeFile(const std::string& relative, std::size_t size) {
        fs::path p = dir_ / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(size, 'x');
        return p.string();
    }
    fs::path dir_;
    CParamMngr* settings_ = nullptr;
};

}  // namespace

TEST_F(PjlTest, WorkedExampleOneStartupDefaults) {
    std::string path = MakeFile("Report.pdf", 123456);
    EXPECT_EQ(SendStartPJLCommand(path.c_str(), 123456),
              kUEL + "@PJL\r\n"
                     "@PJL SET COLORMODE=COLOR\r\n"
                     "@PJL SET PRINTQUALITY=NORMAL\r\n"
                     "@PJL SET JOBATTR=\"@ZOOM=100\"\r\n"
                     "@PJL SET COPIES=1\r\n"
                     "@PJL SET ORIENTATION=PORTRAIT\r\n"
                     "@PJL SET JOBATTR=\"@FSTP=0\"\r\n"
                     "@PJL SET JOBATTR=\"@LSTP=0\"\r\n"
                     "@PJL SET PAPER=AUTO\r\n"
                     "@PJL SET PAPERTYPE=OFF\r\n"
                     "@PJL SET JOBATTR=\"@FILESIZE=123456\"\r\n"
                     "@PJL ENTER LANGUAGE=PDF\r\n");
    std::string trailer = SendEndPJLCommand();
    EXPECT_EQ(trailer, std::string("\x1b\x25\x2d\x31\x32\x33\x34\x35\x58", 9));
    EXPECT_EQ(trailer.find("@PJL"), std::string::npos);
}

TEST_F(PjlTest, WorkedExampleTwoEveryOptionChanged) {
    std::string path = MakeFile("photo.JPG", 2048);
    ASSERT_TRUE(settings_->SetColorMode(1) && settings_->SetResolution(0) && settings_->SetZoomFit(1) &&
                settings_->SetCopies(3) && settings_->SetOrientation(1) && settings_->SetPrintRange(1) &&
                settings_->SetPageRange(2, 5) && settings_->SetPaperSize(4) && settings_->SetPaperType(2));
    EXPECT_EQ(SendStartPJLCommand(path.c_str(), 2048),
              kUEL + "@PJL\r\n"
                     "@PJL SET COLORMODE=MONO\r\n"
                     "@PJL SET PRINTQUALITY=DRAFT\r\n"
                     "@PJL SET JOBATTR=\"@ZOOM=0\"\r\n"
                     "@PJL SET COPIES=3\r\n"
                     "@PJL SET ORIENTATION=LANDSCAPE\r\n"
                     "@PJL SET JOBATTR=\"@FSTP=2\"\r\n"
                     "@PJL SET JOBATTR=\"@LSTP=5\"\r\n"
                     "@PJL SET PAPER=A4\r\n"
                     "@PJL SET PAPERTYPE=THICK\r\n"
                     "@PJL SET JOBATTR=\"@FILESIZE=2048\"\r\n"
                     "@PJL ENTER LANGUAGE=JPEG\r\n");
}

TEST_F(PjlTest, OptionEdges) {
    struct Case {
        const char* name;
        PjlSettings s;
        std::uint64_t size;
        const char* expectedPiece;
    } cases[] = {
        {"zoom fit 2 is not fit", {0, 1, 2, 150}, 0, "@PJL SET JOBATTR=\"@ZOOM=150\"\r\n"},
        {"range 1 to 1", {0, 1, 0, 100, 1, 0, 1, 1, 1}, 0,
         "@PJL SET JOBATTR=\"@FSTP=1\"\r\n@PJL SET JOBATTR=\"@LSTP=1\"\r\n"},
        {"range 0 ignores pages", {0, 1, 0, 100, 1, 0, 0, 7, 9}, 0,
         "@PJL SET JOBATTR=\"@FSTP=0\"\r\n@PJL SET JOBATTR=\"@LSTP=0\"\r\n"},
        {"colour mode 2 is colour", {2}, 0, "@PJL SET COLORMODE=COLOR\r\n"},
        {"resolution 5 is normal", {0, 5}, 0, "@PJL SET PRINTQUALITY=NORMAL\r\n"},
        {"orientation 2 is portrait", {0, 1, 0, 100, 1, 2}, 0, "@PJL SET ORIENTATION=PORTRAIT\r\n"},
        {"2 GiB is not negative", {}, 0x80000000u, "@PJL SET JOBATTR=\"@FILESIZE=2147483648\"\r\n"},
        {"4 GiB + 1 is not 1", {}, 0x100000001u, "@PJL SET JOBATTR=\"@FILESIZE=4294967297\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string header = BuildPjlHeader(c.s, c.size, "a.pdf");
        EXPECT_NE(header.find(c.expectedPiece), std::string::npos) << header;
    }
}

TEST_F(PjlTest, LanguageLineByExtension) {
    struct Case { const char* path; const char* line; } cases[] = {
        {"C:\\Docs\\file.Pdf", "@PJL ENTER LANGUAGE=PDF\r\n"},
        {"C:\\Docs\\FILE.PDF", "@PJL ENTER LANGUAGE=PDF\r\n"},
        {"photo.jpg", "@PJL ENTER LANGUAGE=JPEG\r\n"},
        {"scan.TIF", "@PJL ENTER LANGUAGE=TIFF\r\n"},
        {"a.png", "@PJL ENTER LANGUAGE=PNG\r\n"},
        {"b.bMp", "@PJL ENTER LANGUAGE=BMP\r\n"},
        {"C:\\my docs\\x.pdf", "@PJL ENTER LANGUAGE=PDF\r\n"},
        {".pdf", "@PJL ENTER LANGUAGE=PDF\r\n"},
        {"image.jpeg", "@PJL ENTER LANGUAGE=JPEG\r\n"},
        {"image.JPE", "@PJL ENTER LANGUAGE=JPEG\r\n"},
        {"scan.tiff", "@PJL ENTER LANGUAGE=TIFF\r\n"},
        {"map.tifw", ""},
        {"C:\\my.folder\\noext", ""},
        {"C:\\v1.2\\archive.pdf\\README", ""},
        {"report.pdf.bak", ""},
        {"odd. pdf", ""},  // a blank ends the extension, as the shell sees it
        {"file.", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(PjlLanguageLine(c.path), c.line);
        std::string header = BuildPjlHeader(PjlSettings(), 10, c.path);
        std::string tail = "@PJL SET JOBATTR=\"@FILESIZE=10\"\r\n" + std::string(c.line);
        EXPECT_EQ(header.substr(header.size() - tail.size()), tail);
    }
}

// A file found behind a dotted folder gets no language line.
TEST_F(PjlTest, DottedFolderGivesNoLanguage) {
    EXPECT_EQ(SendStartPJLCommand(MakeFile("my.folder/noext", 1).c_str(), 1).find("LANGUAGE"), std::string::npos);
}

TEST_F(PjlTest, PjlNamesFromALanguageFile) {
    fs::path file = dir_ / "LOCAL_XX.dat";
    std::ofstream(file, std::ios::binary) << "[PAPER_INFO_LETTER]\r\nPJLCMD=LTR\r\n"
                                             "[PAPER_INFO_ORIGINAL]\r\nPJLCMD=ANY\r\n"
                                             "[PAPERTYPE_INFO_OFF]\r\nPJLCMD=NONE\r\n";
    std::strncpy(gszLocalFileName, file.string().c_str(), kPathSize - 1);
    CParamMngr::release();
    settings_ = CParamMngr::create();
    settings_->ApplyStartupDefaults();
    std::string header = SendStartPJLCommand("x.pdf", 0);
    EXPECT_NE(header.find("@PJL SET PAPER=ANY\r\n@PJL SET PAPERTYPE=NONE\r\n"), std::string::npos);
    settings_->SetPaperSize(1);
    EXPECT_NE(SendStartPJLCommand("x.pdf", 0).find("@PJL SET PAPER=LTR\r\n"), std::string::npos);
}

TEST(FileNameTest, DocumentNamesAndDoubleByteNames) {
    EXPECT_EQ(JobDocumentName("C:\\Docs\\Report.pdf"), "QEL_Report.pdf");
    EXPECT_EQ(JobDocumentName("Report.pdf"), "QEL_Report.pdf");
    EXPECT_EQ(JobDocumentName("C:\\a.b\\c d.jpg"), "QEL_c d.jpg");
    // Shift-JIS: 0x95 0x5C is one character whose second byte looks like a backslash.
    auto sjisLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    const char* path = "C:\\d\\\x95\x5c.pdf";
    EXPECT_STREQ(FindFileNamePart(path, sjisLead), "\x95\x5c.pdf");
    EXPECT_STREQ(FindFileNamePart(path), ".pdf");
    EXPECT_STREQ(FindPathExtension("C:\\d\\a.\x95\x5c", sjisLead), ".\x95\x5c");
    EXPECT_STREQ(FindPathExtension("C:\\d\\a.\x95\x5c"), "");
}
