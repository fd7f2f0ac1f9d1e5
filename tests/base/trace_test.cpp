#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <thread>
#include <vector>

#include "base/debug_log.h"

namespace {

std::string Format(std::size_t size, const char* format, ...) {
    std::vector<char> buffer(size + 8, '#');
    va_list args;
    va_start(args, format);
    std::size_t n = FormatTraceLine(buffer.data(), size, format, args);
    va_end(args);
    // Nothing may be written past the buffer's end.
    for (std::size_t i = size; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '#') << "overrun at " << i;
    std::string out(buffer.data());
    EXPECT_EQ(out.size(), n);
    return out;
}

std::vector<std::string> g_lines;
void Capture(const char* text) { g_lines.emplace_back(text); }

struct SinkGuard {
    DebugSink previous;
    unsigned short oldSwitch;
    explicit SinkGuard(unsigned short logSwitch) : previous(SetDebugSink(Capture)), oldSwitch(gwLogSwitch) {
        g_lines.clear();
        gwLogSwitch = logSwitch;
    }
    ~SinkGuard() {
        SetDebugSink(previous);
        gwLogSwitch = oldSwitch;
    }
};

}  // namespace

TEST(TraceFormat, ConversionsOfTheTraceLines) {
    EXPECT_EQ(Format(512, "[CPrtControl] Port : %s", "USB001"), "[CPrtControl] Port : USB001");
    EXPECT_EQ(Format(512, "%d|%d|%u|%x|%X", -42, 0, 4000000000u, 0xbeefu, 0xbeefu),
              "-42|0|4000000000|beef|BEEF");
    EXPECT_EQ(Format(512, "%8.8X|%08x|%5d|%-5d|%c%c", 0x1Fu, 0xABu, 42, 42, 'o', 'k'),
              "0000001F|000000ab|   42|42   |ok");
    EXPECT_EQ(Format(512, "%ld %lu %.3s %5s|%-3s|", -7L, 7UL, "abcdef", "ab", "x"), "-7 7 abc    ab|x  |");
    EXPECT_EQ(Format(512, "100%% %s", static_cast<const char*>(nullptr)), "100% (null)");
    EXPECT_EQ(Format(512, "odd %q end %"), "odd %q end %");
    EXPECT_EQ(Format(512, "%d", -2147483647 - 1), "-2147483648");
}

TEST(TraceFormat, LongLinesAreCutNeverOverrun) {
    std::string big(2000, 'x');
    EXPECT_EQ(Format(512, "%s", big.c_str()).size(), 511u);
    EXPECT_EQ(Format(512, "head %s tail", big.c_str()).substr(0, 6), "head x");
    EXPECT_EQ(Format(10, "%s and %d", "abcdefgh", 12345), "abcdefgh ");
    EXPECT_EQ(Format(1, "%s", "abc"), "");
    EXPECT_EQ(Format(8, "%600d", 5).size(), 7u);
}

TEST(TraceSwitch, ValueBytesToSwitch) {
    struct Case { std::vector<unsigned char> bytes; unsigned short expected; } cases[] = {
        {{1, 0, 0, 0}, 1},          // REG_DWORD 1: lines and banner
        {{2, 0, 0, 0}, 2},          // REG_DWORD 2: lines, no banner
        {{0, 0, 1, 0}, 0},          // 0x10000: low 16 bits are 0
        {{'1', 0}, 0x31},           // the string "1"
        {{}, 0},                    // empty value
        {{1, 2, 3, 4, 5}, 0},       // longer than 4 bytes counts as missing
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogSwitchFromValue(c.bytes.data(), c.bytes.size()), c.expected);
}

TEST(TraceSwitch, LogFollowsTheSwitchDirectWritesDoNot) {
    {
        SinkGuard guard(0);
        DebugLog("[QEL] hidden %s", "line");
        DebugWrite("DAT");
        EXPECT_EQ(g_lines, std::vector<std::string>{"DAT"});
    }
    {
        SinkGuard guard(0x31);
        DebugLog("[QEL] shown %d", 7);
        std::string big(700, 'y');
        DebugLog("%s", big.c_str());
        ASSERT_EQ(g_lines.size(), 2u);
        EXPECT_EQ(g_lines[0], "[QEL] shown 7");
        EXPECT_EQ(g_lines[1].size(), 511u);
    }
}

// A worker's lines are held for the thread that started it, and only the worker's.
TEST(TraceSwitch, HeldLinesStayOffTheSinkOfTheirThreadOnly) {
    SinkGuard guard(1);
    std::vector<std::string> held;
    std::thread worker([&] {
        HeldTrace trace;
        DebugLog("PortName is %s", "CUPS:Q1");
        DebugLog("Check Result is %d", 3);
        held = trace.Take();
    });
    worker.join();
    DebugLog("after");
    EXPECT_EQ(held, (std::vector<std::string>{"PortName is CUPS:Q1", "Check Result is 3"}));
    EXPECT_EQ(g_lines, std::vector<std::string>{"after"});
}
