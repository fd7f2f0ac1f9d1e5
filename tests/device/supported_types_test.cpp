// The supported-language parser and the decisions the Basic tab applies.
#include <gtest/gtest.h>

#include "device/lookup/device_id_pairs.h"
#include "device/file_language.h"
#include "device/printer_state_text.h"
#include "device/supported_types.h"
#include "tests/device/device_doubles.h"

TEST(SupportedTypes, ParsesTheCmdEntry) {
    struct Case {
        const char* id;
        int expected;
    };
    const Case cases[] = {
        {"MFG:Acme;CMD:PJL,PCL,PDF,JPEG;MDL:Model 5;", 3},
        {"CMD:PDF,JPEG,BMP,PNG,TIFF;", 31},
        {"MDL:X;CMD:pdf,tiff", 0},
        {"cmd:PDF;", 0},
        {"CMD:PCL;MDL:PDF Writer;", 0},
        {"CMD:Pdf,Jpg,Tif;", 0},
        {"CMD:PostScript,XPDF;", 1},
        {"", 0},
        {"CMD:JPEG2000;", 2},
        {"CMD:pdf,jpeg,bmp,png,tiff;", 31},
        {"CMD:TIF,JPG;", 0},
        {"CMD:PNG;CMD:PDF;", 8},
        {"CMD:;", 0},
        {"COMMAND SET:PDF;", 1},
        // The standard's own long key, and blanks around keys and values.
        {"MANUFACTURER:Acme;COMMAND SET:PDF,JPEG;MODEL:Model 9;", 3},
        {"MFG:Acme;CMD :PDF,JPEG;MDL:Model 9;", 3},
        {"MFG:Acme; CMD:PDF,JPEG; MDL:Model 9;", 3},
        // Only a pair's key opens the command set, not the same letters in another value.
        {"MFG:Acme;DES:Acme CMD:PDF bridge;CMD:PCL,PJL;", 0},
        {"XCMD:PDF;CMD:PNG;", 8},
        {"MFG:Acme;COMMAND SET:PCL;CMD:PDF;", 0},
        {"CMD:PDF,PDF,pdf;", 1},
        {"MFG:X;CMD:BMP,TIFF", 0},
        {"CMD:PDF", 0},
        {"CMD:BMP;", 16},
        {"CMD:TIFF,PNG;", 12},
        {";CMD:PDF;", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseSupportedTypes(c.id), c.expected) << c.id;
}

// What every source's "found" test asks: a closed command set with something in it.
TEST(SupportedTypes, CompleteIdsHaveACommandSet) {
    struct Case {
        const char* id;
        bool complete;
        const char* value;   // the first command set's value; nullptr: none
    };
    const Case cases[] = {
        {"MFG:Acme;CMD:PDF;MDL:X;", true, "PDF"},
        {"MANUFACTURER:Acme;COMMAND SET: PDF , JPEG ;MODEL:9;", true, "PDF , JPEG"},
        {"MFG:Acme;MDL:Model 9;", false, nullptr},
        {"", false, nullptr},
        {"MFG:Acme;CMD:;", false, ""},
        {"MFG:Acme;CMD:PDF", false, "PDF"},
        {"cmd:PDF;", false, nullptr},
        {"DES:see CMD:PDF;", false, nullptr},
        {"\r\n CMD\t:PDF;", true, "PDF"},
        {";;noise;CMD:PDF:JPEG;", true, "PDF:JPEG"},
    };
    for (const auto& c : cases) {
        const std::string id = c.id;
        EXPECT_EQ(HasCommandSet(id), c.complete) << id;
        DeviceIdPair pair;
        ASSERT_EQ(FindCommandSet(id, &pair), c.value != nullptr) << id;
        if (c.value) {
            EXPECT_EQ(pair.value, c.value) << id;
        }
    }
}

TEST(SupportedTypes, TracesPositionsSectionAndResult) {
    TraceCapture trace;
    ParseSupportedTypes("MFG:A;CMD:PDF;");
    ParseSupportedTypes("MFG:A;");
    ParseSupportedTypes("MFG:A; COMMAND SET:JPEG;");
    ParseSupportedTypes("MFG:A;CMD:PDF");
    const std::vector<std::string> expected = {
        "CheckSupportedTypes : /Start : 6 / End : 13", "CheckSupportedTypes : CMD : CMD:PDF",
        "Check Result is 1",
        "CheckSupportedTypes : /Start : -1 / End : -1", "CheckSupportedTypes : CMD : ", "Check Result is 0",
        "CheckSupportedTypes : /Start : 7 / End : 23", "CheckSupportedTypes : CMD : COMMAND SET:JPEG",
        "Check Result is 2",
        "CheckSupportedTypes : /Start : 6 / End : -1", "CheckSupportedTypes : CMD : ", "Check Result is 0"};
    EXPECT_EQ(trace.lines(), expected);
    EXPECT_EQ(SupportedTypesFromDeviceID(0, "CMD:PDF;"), -1);
    // An ID read as empty is "not supported", not "busy".
    EXPECT_EQ(SupportedTypesFromDeviceID(1, ""), 0);
}

TEST(SupportedTypes, DecidesTheTabState) {
    struct Case {
        int set;
        CheckSite site;
        unsigned timer;
        unsigned delay;
        bool print;
        bool browse;
        bool list;
        bool drop;
        const char* log;
    };
    const auto init = CheckSite::kInitialise;
    const auto change = CheckSite::kPrinterChange;
    const Case cases[] = {
        {-2, init, 1002, 2000, false, false, false, false, nullptr},
        {-1, init, 1004, 1300, false, false, true, false, nullptr},
        {0, init, 1003, 1300, false, false, true, false, nullptr},
        {1, init, 0, 0, true, true, true, true, nullptr},  // Default drops what the printer refuses
        {31, init, 0, 0, true, true, true, true, nullptr},
        {-1, change, 1004, 500, false, false, true, false, "OnSelchangeComboPrinterlist / No support(Busy)"},
        {0, change, 1003, 500, false, false, true, false, "OnSelchangeComboPrinterlist / No support"},
        {1, change, 0, 0, true, true, true, true, nullptr},
        {24, change, 0, 0, true, true, true, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.set << (c.site == init ? " init" : " change"));
        CheckDecision d = DecideSupportedTypes(c.set, c.site);
        EXPECT_EQ(d.nTimerId, c.timer);
        EXPECT_EQ(d.nTimerDelay, c.delay);
        EXPECT_EQ(d.bShowPrint, c.print);
        EXPECT_EQ(d.bEnableBrowse, c.browse);
        EXPECT_EQ(d.bEnablePrinterList, c.list);
        EXPECT_EQ(d.bDropRefusedFiles, c.drop);
        EXPECT_STREQ(d.pszLogLine ? d.pszLogLine : "", c.log ? c.log : "");
    }
}

// The file check and the envelope's language line decide by the same whole extension.
TEST(SupportedTypes, FileNamesAgainstTheSupportedSet) {
    // Shift-JIS: 0x95 0x5C is one character whose second byte looks like a backslash.
    auto sjisLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    struct Case {
        const char* path;
        int types;
        bool accepted;
        const char* language;  // the envelope's line, without "@PJL ENTER LANGUAGE=" and CR LF
    } const cases[] = {
        {"C:\\docs\\a.pdf", 1, true, "PDF"},
        {"C:\\docs\\A.PDF", 1, true, "PDF"},
        {"C:\\docs\\a.Pdf", 1, true, "PDF"},
        {"C:\\docs\\b.jpg", 1, false, "JPEG"},
        {"C:\\docs\\b.jpg", 3, true, "JPEG"},
        {"C:\\docs\\b.JPEG", 2, true, "JPEG"},
        {"C:\\docs\\b.jpe", 3, true, "JPEG"},
        {"C:\\docs\\c.tiff", 4, true, "TIFF"},
        {"C:\\docs\\c.tiff", 27, false, "TIFF"},
        {"C:\\docs\\c.tifw", 31, false, ""},  // a world file: text, whatever its first letters say
        {"C:\\docs\\c.tif", 4, true, "TIFF"},
        {"C:\\docs\\d.png", 8, true, "PNG"},
        {"C:\\docs\\e.bmp", 16, true, "BMP"},
        {"C:\\docs\\e.bmp", 15, false, "BMP"},
        {"C:\\docs\\a.pdf", 0, false, "PDF"},
        {"C:\\docs\\a.pdf", -1, false, "PDF"},
        {"C:\\docs\\a.pdf", -2, false, "PDF"},
        // Only the whole extension counts: pieces of one, and no extension, are refused.
        {"C:\\docs\\noextension", 31, false, ""},
        {"C:\\docs\\x.pd", 1, false, ""},
        {"C:\\docs\\x.df", 1, false, ""},
        {"C:\\docs\\x.", 1, false, ""},
        {"C:\\docs.pdf\\file", 1, false, ""},    // a dot in a folder is no extension
        {"C:\\docs\\a.p df", 1, false, ""},      // a space after the dot cancels it
        {"C:\\docs\\a.pdf.jpg", 1, false, "JPEG"},
        {"C:\\d\\\x95\x5c.pdf", 1, true, "PDF"},  // double-byte name, read whole
        {"C:\\d\\a.\x95\x5c", 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " / " + std::to_string(c.types));
        EXPECT_EQ(IsSupportedFileName(c.path, c.types, sjisLead), c.accepted);
        const std::string line = *c.language ? "@PJL ENTER LANGUAGE=" + std::string(c.language) + "\r\n" : "";
        EXPECT_EQ(PjlLanguageLine(c.path, sjisLead), line);
    }
}

TEST(SupportedTypes, DropsRefusedRowsFromTheLastOne) {
    const std::vector<std::string> rows = {"a.pdf", "b.jpg", "c.pdf", "d.png"};
    auto pdfOnly = [](const std::string& p) { return p.size() > 4 && p.substr(p.size() - 4) == ".pdf"; };
    EXPECT_EQ(RowsToDrop(rows, pdfOnly), (std::vector<int>{3, 1}));
    EXPECT_EQ(RowsToDrop({}, pdfOnly), std::vector<int>{});
    std::string seen;
    RowsToDrop({std::string(300, 'x')}, [&](const std::string& p) { seen = p; return true; });
    EXPECT_EQ(seen.size(), 259u);

    EXPECT_EQ(TrimPrinterName("  Office Jet  "), "Office Jet");
    EXPECT_EQ(TrimPrinterName("   "), "");
    EXPECT_EQ(TrimPrinterName("\tTab "), "\tTab");
}

// The line under the printer and the question before Print say what the printer
// reported; only a condition that keeps the job asks.
TEST(SupportedTypes, PrinterStateWordsAndQuestion) {
    struct Case {
        PrinterCondition condition;
        bool stopsJob;
        const char* reported;
        const char* word;         // the line; "" for none
        const char* description;  // what the question says the printer reports
    } const cases[] = {
        {PrinterCondition::kUnknown, false, "", "", ""},
        {PrinterCondition::kReady, false, "", "Ready", "Ready"},
        {PrinterCondition::kPrinting, false, "printing", "Printing", "Printing (printing)"},
        {PrinterCondition::kOutOfPaper, true, "media-empty", "Out of paper", "Out of paper (media-empty)"},
        {PrinterCondition::kPaperJam, true, "Paper jam", "Paper jam", "Paper jam"},
        {PrinterCondition::kDoorOpen, true, "doorOpen", "Door open", "Door open (doorOpen)"},
        {PrinterCondition::kTonerEmpty, true, "", "Toner empty", "Toner empty"},
        {PrinterCondition::kTonerLow, false, "lowToner", "Toner low", "Toner low (lowToner)"},
        {PrinterCondition::kOffline, true, "offline", "Offline", "Offline (offline)"},
        // A reason without a word of its own is told by the printer's report alone.
        {PrinterCondition::kInputTrayMissing, true, "inputTrayMissing", "", "inputTrayMissing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        PrinterState state;
        state.condition = c.condition;
        state.stopsJob = c.stopsJob;
        state.reported = c.reported;
        const ConditionWords words = WordsFor(c.condition);
        EXPECT_STREQ(words.english ? words.english : "", c.word);
        EXPECT_EQ(words.key == nullptr, *c.word == '\0');
        EXPECT_EQ(DescribeState(state, c.word), c.description);
        EXPECT_EQ(AsksBeforePrint(state), c.stopsJob);
    }
}
