#include <gtest/gtest.h>

#include "contextmenu/selection.h"

namespace {

TEST(Selection, SupportedFileTest) {
    struct Case { const char* path; bool offered; };
    const Case cases[] = {
        {"C:\\Docs\\a.pdf", true},
        {"C:\\Docs\\c.PDF", true},
        {"C:\\Docs\\mixed.PdF", true},
        {"C:\\Docs\\b.jpg", false},
        {"C:\\Docs\\a.pdfx", false},
        {"C:\\Docs\\Photos", false},            // a folder without a dot
        {"C:\\Docs\\noextension", false},
        {"C:\\Docs\\x.pdf", true},              // a folder named like a PDF counts as one
        {"C:\\Docs\\a.pd", false},              // Orvex refuses parts of ".pdf"
        {"C:\\Docs\\a.p", false},
        {"C:\\Docs\\bare.", false},
        {"C:\\Docs.pdf\\inside", false},        // the dot belongs to a directory
        {"C:\\Docs\\a.pdf.jpg", false},         // only the last extension counts
        {"C:\\Docs\\a.jpg.pdf", true},
        {"C:\\Docs\\report.pdf copy", false},   // a space starts the search anew
        {"C:\\Docs\\.pdf", true},
        {"C:\\Docs\\a.df", false},
        {"C:\\Docs\\a.pdf/", false},
        {"C:\\Docs\\a./", false},
        {"", false},
        {"C:\\Docs\\a.\xC4\x90", false},        // bytes above 0x7F never match
    };
    for (const Case& c : cases) EXPECT_EQ(IsSupportedFile(c.path), c.offered) << c.path;
}

TEST(Selection, CommandParameters) {
    EXPECT_EQ(BuildCommandParameters({}), "");
    EXPECT_EQ(BuildCommandParameters({"C:\\Docs\\a.pdf", "C:\\Docs\\b.pdf"}),
              " \"C:\\Docs\\a.pdf\" \"C:\\Docs\\b.pdf\"");
    // Nothing is escaped: a name with spaces or a quote goes through as it is.
    EXPECT_EQ(BuildCommandParameters({"C:\\My Docs\\it's \"x\".pdf"}), " \"C:\\My Docs\\it's \"x\".pdf\"");
}

TEST(Selection, ModulePaths) {
    struct Case { const char* path; const char* directory; const char* base; };
    const Case cases[] = {
        {"C:\\Dir\\Tilmar.dll", "C:\\Dir\\", "Tilmar"},
        {"C:\\Program Files\\Orvane\\Tilmar64.dll", "C:\\Program Files\\Orvane\\", "Tilmar64"},
        {"C:\\a.b\\Tilmar64", "C:\\a.b\\", "Tilmar64"},
        {"Tilmar.dll", "", "Tilmar"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DirectoryOfModulePath(c.path), c.directory) << c.path;
        EXPECT_EQ(ModuleBaseName(c.path), c.base) << c.path;
    }
}

}  // namespace
