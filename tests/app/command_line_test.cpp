#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/localized_text.h"

namespace {
struct Parsed {
    std::vector<std::string> files;
    std::string printer;
};
Parsed Parse(const std::string& text) {
    Parsed p;
    ParseCommandLine(text.c_str(), p.files, p.printer);
    return p;
}
using Files = std::vector<std::string>;
}  // namespace

TEST(CommandLine, FilesAndPrinterSwitch) {
    struct Case { const char* text; Files files; const char* printer; } cases[] = {
        {"", {}, ""},
        {"   ", {}, ""},
        {" \"C:\\My Files\\a.pdf\" \"C:\\b.tif\"", {"C:\\My Files\\a.pdf", "C:\\b.tif"}, ""},
        {"a.pdf  b.pdf", {"a.pdf", "b.pdf"}, ""},
        {"\"C:\\x.pdf", {"C:\\x.pdf"}, ""},
        {"\"\"", {""}, ""},
        {"\"a b\"c", {"a b", "c"}, ""},
        {"-MLaser1 a.pdf", {"a.pdf"}, "Laser1"},
        {"/m Laser1 a.pdf", {"a.pdf"}, "Laser1"},
        {"-M\"Office Laser\" a.pdf", {"a.pdf"}, "Office Laser"},
        {"-p a.pdf", {"a.pdf"}, ""},
        {"-print a.pdf", {"rint", "a.pdf"}, ""},
        {"a.pdf -M", {"a.pdf"}, ""},
        {"a.pdf -M   ", {"a.pdf"}, ""},
        {"a.pdf -", {"a.pdf"}, ""},
        {"a.pdf - b.pdf", {"a.pdf", "b.pdf"}, ""},
        {"-MA -MB x.pdf", {"x.pdf"}, "B"},
        {"\"/tmp/x.pdf\" /tmp/y.pdf", {"/tmp/x.pdf", "mp/y.pdf"}, ""},
        {"a.pdf a.pdf", {"a.pdf", "a.pdf"}, ""},
        {"tab\there", {"tab\there"}, ""},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.text);
        EXPECT_EQ(p.files, c.files) << "for: " << c.text;
        EXPECT_EQ(p.printer, c.printer) << "for: " << c.text;
    }
}

TEST(CommandLine, NextTokenConsumesTheTerminator) {
    char buffer[kPathSize] = "untouched";
    EXPECT_EQ(NextToken("    ", buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(NextToken("  ab cd", buffer), 5);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(NextToken("\"a b\"c", buffer), 5);
    EXPECT_STREQ(buffer, "a b");
    EXPECT_EQ(NextToken("\"open", buffer), 5);
    EXPECT_STREQ(buffer, "open");
}

TEST(CommandLine, OverlongTokensAreRefusedNotCut) {
    const std::string fits(259, 'a');
    const std::string tooLong(260, 'b');
    Parsed p;
    CommandLineSwitches switches;
    ParseCommandLine((fits + " \"" + tooLong + "\" c.pdf -M" + std::string(300, 'P')).c_str(), p.files, p.printer,
                     &switches);
    EXPECT_EQ(p.files, (Files{fits, "c.pdf"}));  // the cut path could name another file
    EXPECT_EQ(p.printer, "");
    EXPECT_EQ(switches.nTooLongFiles, 1u);  // printing without the window reports them
    EXPECT_TRUE(switches.bTooLongPrinterName);

    char buffer[kPathSize];
    bool tooLongFlag = false;
    EXPECT_EQ(NextToken(tooLong.c_str(), buffer, &tooLongFlag), 260);
    EXPECT_TRUE(tooLongFlag);
    EXPECT_STREQ(buffer, "");
}

TEST(CommandLine, PrintSwitchSetsOnlyTheMode) {
    struct Case { const char* text; bool print; Files files; const char* printer; bool wait = false; } cases[] = {
        {"-P a.pdf", true, {"a.pdf"}, ""},
        {"-P -W a.pdf", true, {"a.pdf"}, "", true},
        {"/w /P a.pdf", true, {"a.pdf"}, "", true},
        {"-P -wait.pdf", true, {"ait.pdf"}, ""},   // only the whole word -W is the switch
        {"/p -M Laser1 a.pdf", true, {"a.pdf"}, "Laser1"},
        {"-print a.pdf", false, {"rint", "a.pdf"}, ""},  // only the whole word -P is the switch
        {"-poster.pdf b.pdf", false, {"oster.pdf", "b.pdf"}, ""},
        {"/pictures/a.pdf b.pdf", false, {"ictures/a.pdf", "b.pdf"}, ""},
        {"-p\"x.pdf\"", false, {"x.pdf"}, ""},
        {"a.pdf -p", true, {"a.pdf"}, ""},
        {"\"-P\" a.pdf", false, {"-P", "a.pdf"}, ""},  // quoted: a file
        {"-M -P a.pdf", false, {"a.pdf"}, "-P"},        // the printer's name
        {"-MP a.pdf", false, {"a.pdf"}, "P"},
        {"-x a.pdf", false, {"a.pdf"}, ""},
    };
    for (const Case& c : cases) {
        Parsed p;
        CommandLineSwitches switches;
        ParseCommandLine(c.text, p.files, p.printer, &switches);
        EXPECT_EQ(switches.bPrintWithoutWindow, c.print) << "for: " << c.text;
        EXPECT_EQ(switches.bWaitForFate, c.wait) << "for: " << c.text;
        EXPECT_EQ(p.files, c.files) << "for: " << c.text;
        EXPECT_EQ(p.printer, c.printer) << "for: " << c.text;
    }
}

TEST(CommandLine, UnicodeArgumentsKeepEveryCharacterAndCountOverlongPaths) {
    struct Skip { const wchar_t* line; const wchar_t* arguments; } const skips[] = {
        {L"\"C:\\Program Files\\Orvex.exe\"  a.pdf", L"a.pdf"},
        {L"Orvex.exe\t\"b c.pdf\"", L"\"b c.pdf\""},
        {L"Orvex.exe", L""},
        {L"\"C:\\unterminated a.pdf", L""},
    };
    for (const Skip& s : skips) EXPECT_EQ(std::wstring(SkipProgramName(s.line)), s.arguments);

    std::vector<std::wstring> files;
    std::wstring printer;
    CommandLineSwitches switches;
    const std::wstring overlong(260, L'x');
    ParseCommandLine((L"\"C:\\\u03A9mega.pdf\" -M\u0394ruck " + overlong + L" b.pdf \"" + overlong + L"\"").c_str(),
                     files, printer, &switches);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"C:\\\u03A9mega.pdf", L"b.pdf"}));
    EXPECT_EQ(printer, L"\u0394ruck");
    EXPECT_EQ(switches.nTooLongFiles, 2u);
}
