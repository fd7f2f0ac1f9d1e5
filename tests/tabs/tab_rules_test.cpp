// The Basic and Advanced tabs' rules that need no window.
#include <gtest/gtest.h>

#include <string>

#include "ui/progress_texts.h"
#include "ui/tab_rules.h"

namespace {

TEST(TabRules, BrowseFilterNamesTheSupportedLanguagesInOrder) {
    EXPECT_EQ(BrowseFilterText(3, "files"),
              "PDF files (*.PDF)|*.pdf|JPEG files (*.JPG;*.JPEG;*.JPE)|*.jpg;*.jpeg;*.jpe|");
    EXPECT_EQ(BrowseFilterText(28, "Dateien"), "TIFF Dateien (*.TIF;*.TIFF)|*.tif;*.tiff|PNG Dateien (*.PNG)|*.png|"
                                               "BMP Dateien (*.BMP)|*.bmp|");
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

// What the preview and the trace show of a label: no marker, no lost ampersand.
TEST(TabRules, PlainLabelDropsTheAccessKeyMarker) {
    const struct {
        const char *label, *plain;
    } cases[] = {
        {"&Color", "Color"},           {"C&opies", "Copies"},     {"Fr&om :", "From :"},
        {"Rock && &Roll", "Rock & Roll"}, {"&&", "&"},            {"Trailing&", "Trailing"},
        {"\x83\x4a\x83\x89\x81\x5b(&C)", "\x83\x4a\x83\x89\x81\x5b"},  // cp932 "カラー(&C)"
        {"\x8f\x49\x97\xb9(&T):", "\x8f\x49\x97\xb9:"},                    // "終了(&T):"
        {"(&&)", "(&)"},               {"No marker", "No marker"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PlainLabel(c.label), c.plain) << c.label;
}

}  // namespace

// The progress box's lines; a language file's text is never taken as a printf format.
TEST(ProgressTexts, LinesOfTheBoxAndHostileFormats) {
    BatchProgress p;
    p.fileIndex = 1;
    p.fileCount = 5;
    p.path = "C:\\Docs\\plan.pdf";
    p.fileDone = 3 << 20;
    p.fileSize = 12 << 20;
    p.batchDone = 1536ull << 20;
    p.batchSize = 2048ull << 20;
    const ProgressTexts t = MakeProgressTexts(p, ProgressFormats{});
    EXPECT_EQ(t.file, "2 of 5: plan.pdf");
    EXPECT_EQ(t.fileBytes, "This file: 3.0 MB of 12.0 MB");
    EXPECT_EQ(t.allBytes, "All files: 1.5 GB of 2.0 GB");
    EXPECT_EQ(t.permille, 750);
    EXPECT_EQ(MakeProgressTexts(p, {"%s%s%s%s%n %x 100%%", "", "", ""}).file, "25plan.pdf%n %x 100%");
    // Once cancelled, the file line says so; the counts are what the batch kept.
    p.cancelling = true;
    const ProgressTexts c = MakeProgressTexts(p, {"%d of %d: %s", "%s of %s", "%s of %s", "Cancelling %s..."});
    EXPECT_EQ(c.file, "Cancelling %s...");
    EXPECT_EQ(c.allBytes, "1.5 GB of 2.0 GB");
    EXPECT_EQ(FormatBytes(1000), "1 KB");
}
