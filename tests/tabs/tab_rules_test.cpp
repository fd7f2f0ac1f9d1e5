// The Basic and Advanced tabs' rules that need no window.
#include <gtest/gtest.h>

#include <string>

#include "ui/tab_rules.h"

namespace {

TEST(TabRules, FileExtensionsAgainstTheSupportedSet) {
    struct Case {
        const char* path;
        int types;
        bool accepted;
    } const cases[] = {
        {"C:\\docs\\a.pdf", 1, true},
        {"C:\\docs\\A.PDF", 1, true},
        {"C:\\docs\\a.Pdf", 1, true},
        {"C:\\docs\\b.jpg", 1, false},
        {"C:\\docs\\b.jpg", 3, true},
        {"C:\\docs\\b.jpeg", 31, false},   // four letters never match
        {"C:\\docs\\c.tiff", 31, false},
        {"C:\\docs\\c.tif", 4, true},
        {"C:\\docs\\d.png", 8, true},
        {"C:\\docs\\e.bmp", 16, true},
        {"C:\\docs\\e.bmp", 15, false},
        {"C:\\docs\\noextension", 1, true},   // the empty extension is in every list
        {"C:\\docs\\noextension", -1, true},
        {"C:\\docs\\a.pdf", 0, false},
        {"C:\\docs\\a.pdf", -1, false},
        {"C:\\docs\\a.pdf", -2, false},
        {"C:\\docs.v2\\file", 1, true},       // a dot in a folder is no extension
        {"C:\\docs\\a.pd", 1, true},          // a piece of ".pdf/" is found in the list
        {"C:\\docs\\a.p df", 1, true},        // a space after the dot cancels it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " / " + std::to_string(c.types));
        EXPECT_EQ(IsSupportedExtension(FindPathExtension(c.path), c.types), c.accepted);
    }
    EXPECT_EQ(SupportedExtensionList(31), ".pdf/.jpg/.tif/.png/.bmp/");
    EXPECT_EQ(SupportedExtensionList(18), ".jpg/.bmp/");
    EXPECT_EQ(SupportedExtensionList(-1), "");
}

TEST(TabRules, BrowseFilterNamesTheSupportedLanguagesInOrder) {
    EXPECT_EQ(BrowseFilterText(3, "files"), "PDF files (*.PDF)|*.pdf|JPEG files (*.JPG)|*.jpg|");
    EXPECT_EQ(BrowseFilterText(28, "Dateien"),
              "TIFF Dateien (*.TIF)|*.tif|PNG Dateien (*.PNG)|*.png|BMP Dateien (*.BMP)|*.bmp|");
    for (int unusable : {0, -1, -2}) EXPECT_EQ(BrowseFilterText(unusable, "files"), "All files (*.*)|*.*|");

    const std::string list = BrowseFilterList(1, "files");
    EXPECT_EQ(list, std::string("PDF files (*.PDF)\0*.pdf\0\0", 25));

    // A long word cuts the text at 255 characters; the list still ends with a NUL of its own.
    const std::string word(100, 'w');
    EXPECT_EQ(BrowseFilterText(31, word.c_str()).size(), 255u);
    const std::string cut = BrowseFilterList(31, word.c_str());
    EXPECT_EQ(cut.size(), 256u);
    EXPECT_EQ(cut.back(), '\0');
}

TEST(TabRules, EditNumbers) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } const cases[] = {
        {"1", true, 1},       {"150", true, 150},   {"0", true, 0},        {" 12 ", true, 12},
        {"-3", true, -3},     {"+7", true, 7},      {"", false, 0},        {" ", false, 0},
        {"12a", false, 0},    {"a12", false, 0},    {"1 2", false, 0},     {"-", false, 0},
        {"2147483647", true, 2147483647},           {"2147483648", false, 0},
        {"99999999999999999999", false, 0},         {"-2147483648", true, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int value = -99;
        EXPECT_EQ(ParseEditInt(c.text, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(TabRules, AmpersandsAreDoubled) {
    EXPECT_EQ(DoubleAmpersands("Black & White"), "Black && White");
    EXPECT_EQ(DoubleAmpersands("&&"), "&&&&");
    EXPECT_EQ(DoubleAmpersands("Schwarzweiß"), "Schwarzweiß");
    EXPECT_EQ(DoubleAmpersands(""), "");
}

}  // namespace
