// Command lines against the PJL header they produce. The expected headers are
// written out as the printer receives them (the header the tabs produce for the
// same choices, as the window's own test compares it), never derived from the
// option mapper.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_modes.h"
#include "app/job_options.h"
#include "base/localized_text.h"
#include "job/pjl_envelope.h"
#include "settings/param_mngr.h"

namespace {

// The header's option lines with the start-up defaults, one per line.
const std::vector<std::string> kDefaultLines = {
    "@PJL SET COLORMODE=COLOR",       "@PJL SET PRINTQUALITY=NORMAL", "@PJL SET JOBATTR=\"@ZOOM=100\"",
    "@PJL SET COPIES=1",              "@PJL SET ORIENTATION=PORTRAIT", "@PJL SET JOBATTR=\"@FSTP=0\"",
    "@PJL SET JOBATTR=\"@LSTP=0\"",    "@PJL SET PAPER=AUTO",          "@PJL SET PAPERTYPE=OFF",
};

// The default option lines with `changed` put in place of the line of the same
// command ("@PJL SET COPIES=3" replaces "@PJL SET COPIES=1"; FSTP, LSTP and ZOOM by their attribute).
std::string Expected(const std::vector<std::string>& changed) {
    std::string header = "\x1b%-12345X@PJL\r\n";
    for (const std::string& line : kDefaultLines) {
        std::string use = line;
        std::size_t eq = line.find('=');
        if (line.find("JOBATTR") != std::string::npos) eq = line.find('=', eq + 1);  // "@ZOOM=", "@FSTP=", ...
        const std::string key = line.substr(0, eq + 1);
        for (const std::string& c : changed)
            if (c.compare(0, key.size(), key) == 0) use = c;
        header += use + "\r\n";
    }
    return header + "@PJL SET JOBATTR=\"@FILESIZE=2048\"\r\n@PJL ENTER LANGUAGE=JPEG\r\n";
}

class JobOptions : public ::testing::Test {
protected:
    void SetUp() override {
        gszLocalFileName[0] = '\0';
        CParamMngr::release();
        settings_ = CParamMngr::create();
        settings_->ApplyStartupDefaults();
    }
    void TearDown() override { CParamMngr::release(); }

    // The command line's options applied as -P applies them: the header for a
    // 2048-byte photo.JPG, or the refusal's message.
    bool Run(const std::string& commandLine, std::string& headerOrMessage) {
        std::vector<std::string> files;
        std::string printer;
        CommandLineSwitches switches;
        ParseCommandLine(commandLine.c_str(), files, printer, &switches);
        headerOrMessage = MisplacedSwitches(switches);
        if (!headerOrMessage.empty()) return false;
        if (!ApplyJobOptions(switches.jobOptions, *settings_, headerOrMessage)) return false;
        headerOrMessage = BuildPjlHeader(PjlSettingsFrom(*settings_), 2048, "photo.JPG");
        return true;
    }
    CParamMngr* settings_ = nullptr;
};

}  // namespace

TEST_F(JobOptions, CommandLinesGiveTheTabsHeader) {
    struct Case {
        const char* commandLine;
        std::vector<std::string> changed;  // lines that differ from the start-up header
    } cases[] = {
        {"-P photo.JPG", {}},
        // The window's worked example through the tabs, written as lp would.
        {"-P -o print-color-mode=monochrome -o print-quality=draft -o fit-to-page -n 3 -o landscape "
         "-o page-ranges=2-5 -o media=A4 -o media-type=thick photo.JPG",
         {"@PJL SET COLORMODE=MONO", "@PJL SET PRINTQUALITY=DRAFT", "@PJL SET JOBATTR=\"@ZOOM=0\"",
          "@PJL SET COPIES=3", "@PJL SET ORIENTATION=LANDSCAPE", "@PJL SET JOBATTR=\"@FSTP=2\"",
          "@PJL SET JOBATTR=\"@LSTP=5\"", "@PJL SET PAPER=A4", "@PJL SET PAPERTYPE=THICK"}},
        // Attached values, the next word, any letter case, numbers for enums.
        {"-P -ocopies=2 -o ORIENTATION-REQUESTED=4 /o Print-Quality=3 -n99 photo.JPG",
         {"@PJL SET COPIES=99", "@PJL SET ORIENTATION=LANDSCAPE", "@PJL SET PRINTQUALITY=DRAFT"}},
        {"-P -o orientation-requested=3 -o print-color-mode=COLOR -o print-quality=normal photo.JPG", {}},
        {"-P -o page-ranges=7 photo.JPG", {"@PJL SET JOBATTR=\"@FSTP=7\"", "@PJL SET JOBATTR=\"@LSTP=7\""}},
        {"-P -o page-ranges=1-9999 photo.JPG",
         {"@PJL SET JOBATTR=\"@FSTP=1\"", "@PJL SET JOBATTR=\"@LSTP=9999\""}},
        // Paper: PWG self-describing names, short names, the catalogue's names.
        {"-P -o media=iso_a4_210x297mm photo.JPG", {"@PJL SET PAPER=A4"}},
        {"-P -o media=na_letter_8.5x11in photo.JPG", {"@PJL SET PAPER=LETTER"}},
        {"-P -o media=legal photo.JPG", {"@PJL SET PAPER=LEGAL"}},
        {"-P -o media=na_number-10_4.125x9.5in photo.JPG", {"@PJL SET PAPER=COM10"}},
        {"-P -o \"media=Envelope #10\" photo.JPG", {"@PJL SET PAPER=COM10"}},
        {"-P -o media=B5(JIS) photo.JPG", {"@PJL SET PAPER=JISB5"}},
        {"-P -o media=jis_b4_257x364mm photo.JPG", {"@PJL SET PAPER=JISB4"}},
        {"-P -o media=iso_b5_176x250mm photo.JPG", {"@PJL SET PAPER=B5"}},
        {"-P -o media=EnvMonarch photo.JPG", {"@PJL SET PAPER=MONARCH"}},
        {"-P -o media=iso_a3_297x420mm -o media=A5 photo.JPG", {"@PJL SET PAPER=A5"}},  // the last one counts
        // Media type: the catalogue's names and PWG keywords.
        {"-P -o media-type=labels photo.JPG", {"@PJL SET PAPERTYPE=LABEL"}},
        {"-P -o media-type=Transparency photo.JPG", {"@PJL SET PAPERTYPE=OHP"}},
        {"-P -o media-type=stationery-heavyweight photo.JPG", {"@PJL SET PAPERTYPE=THICK"}},
        {"-P -o media-type=card photo.JPG", {"@PJL SET PAPERTYPE=CARD"}},
        // Zoom: fit, a percentage; the later of the two wins.
        {"-P -o print-scaling=fit photo.JPG", {"@PJL SET JOBATTR=\"@ZOOM=0\""}},
        {"-P -o scaling=150 photo.JPG", {"@PJL SET JOBATTR=\"@ZOOM=150\""}},
        {"-P -o fit-to-page -o scaling=50 photo.JPG", {"@PJL SET JOBATTR=\"@ZOOM=50\""}},
        {"-P -o scaling=200 -o fit-to-page=true photo.JPG", {"@PJL SET JOBATTR=\"@ZOOM=0\""}},
    };
    for (const Case& c : cases) {
        SetUp();
        std::string header;
        ASSERT_TRUE(Run(c.commandLine, header)) << c.commandLine << ": " << header;
        EXPECT_EQ(header, Expected(c.changed)) << c.commandLine;
    }
}

TEST_F(JobOptions, RefusedCommandLinesNameTheOptionAndChangeNothing) {
    struct Case {
        const char* commandLine;
        std::vector<const char*> saying;  // parts of the message
    } cases[] = {
        {"-P -o copies=0 a.pdf", {"copies=0", "1 to 99"}},
        {"-P -n 100 a.pdf", {"copies=100", "1 to 99"}},
        {"-P -n two a.pdf", {"copies=two", "whole number"}},
        {"-P -o page-ranges=5-3 a.pdf", {"page-ranges=5-3", "A-B"}},
        {"-P -o page-ranges=0 a.pdf", {"page-ranges=0", "1 <= A <= B <= 9999"}},
        {"-P -o page-ranges=1-10000 a.pdf", {"page-ranges=1-10000"}},
        {"-P -o page-ranges=1-2,5 a.pdf", {"page-ranges=1-2,5"}},
        {"-P -o orientation-requested=5 a.pdf", {"orientation-requested=5", "3 or portrait, 4 or landscape"}},
        {"-P -o print-color-mode=auto a.pdf", {"print-color-mode=auto", "color or monochrome"}},
        {"-P -o print-quality=high a.pdf", {"print-quality=high", "3 or draft, 4 or normal"}},
        {"-P -o media=A7 a.pdf", {"media=A7", "Letter, Legal", "Envelope #10", "iso_a4_210x297mm"}},
        {"-P -o media-type=glossy a.pdf", {"media-type=glossy", "Plain Paper", "Labels"}},
        {"-P -o scaling=49 a.pdf", {"scaling=49", "50 to 200"}},
        {"-P -o print-scaling=fill a.pdf", {"print-scaling=fill", "fit or none"}},
        {"-P -o sides=two-sided-long-edge a.pdf", {"unknown option \"sides=two-sided-long-edge\"", "copies, page-ranges"}},
        {"-P -o duplex a.pdf", {"unknown option \"duplex\""}},
        {"-P a.pdf -o", {"-o needs name=value"}},
        {"-P -o copies=2 -o copies=0 a.pdf", {"copies=0"}},  // one bad option refuses all
        {"-o copies=2 a.pdf", {"-o and -n go with -P"}},
        {"-J a.pdf", {"-J goes with -P, -L or -C"}},
    };
    const std::string defaults = Expected({});
    for (const Case& c : cases) {
        SetUp();
        std::string message;
        EXPECT_FALSE(Run(c.commandLine, message)) << c.commandLine;
        for (const char* part : c.saying)
            EXPECT_NE(message.find(part), std::string::npos) << c.commandLine << ": " << message;
        EXPECT_EQ(BuildPjlHeader(PjlSettingsFrom(*settings_), 2048, "photo.JPG"), defaults) << c.commandLine;
    }
}

// -o and -n take their value as -M does; the console switches are whole words only.
TEST(CommandLineSwitches, ConsoleModesAndOptionWords) {
    struct Case {
        const char* text;
        std::vector<std::string> files, options;
        bool list, check, json, usage;
    } cases[] = {
        {"-L -C -J", {}, {}, true, true, true, false},
        {"/l /c /j", {}, {}, true, true, true, false},
        {"/?", {}, {}, false, false, false, true},
        {"-? a.pdf", {"a.pdf"}, {}, false, false, false, true},
        {"-List.pdf", {"ist.pdf"}, {}, false, false, false, false},
        {"-ocopies=2 -o media=A4 -n 3 a.pdf", {"a.pdf"}, {"copies=2", "media=A4", "copies=3"}, false, false, false,
         false},
        {"/opt/a.pdf /o copies=2", {"pt/a.pdf"}, {"copies=2"}, false, false, false, false},
        {"-order.pdf", {}, {"rder.pdf"}, false, false, false, false},
        {"\"-o\" copies=2", {"-o", "copies=2"}, {}, false, false, false, false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> files;
        std::string printer;
        CommandLineSwitches s;
        ParseCommandLine(c.text, files, printer, &s);
        EXPECT_EQ(files, c.files) << c.text;
        EXPECT_EQ(s.jobOptions, c.options) << c.text;
        EXPECT_EQ(std::vector<bool>({s.bList, s.bCheck, s.bJson, s.bUsage}),
                  std::vector<bool>({c.list, c.check, c.json, c.usage}))
            << c.text;
    }
}
