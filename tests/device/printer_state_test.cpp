// What a printer's own state objects say, read as the Basic tab and the
// follow-up after a send take them. The SNMP rows are the Printer MIB's own
// table of how hrDeviceStatus, hrPrinterStatus and hrPrinterDetectedErrorState
// combine (RFC 3805, "Host Resources MIB Printer Status"), with the error bits
// as the MIB numbers them: "the most significant bit of the first byte being
// bit 0, the least significant bit of the first byte being bit 7, the most
// significant bit of the second byte being bit 8". The octets are written as
// an agent serves them (snmpd's `octet_str 0x0400` is jammed, see the bench).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/printer_state.h"

namespace {

SnmpStateValue Int(int value) { return {0x02, {static_cast<std::uint8_t>(value)}}; }
SnmpStateValue Bits(std::vector<std::uint8_t> octets) { return {0x04, std::move(octets)}; }

struct SnmpCase {
    const char* what;
    SnmpStateObjects objects;
    PrinterCondition condition;
    bool stopsJob, idle;
    const char* reported;
};

TEST(PrinterState, SnmpObjectsAsThePrinterMibCombinesThem) {
    const SnmpStateValue none;
    const SnmpCase kCases[] = {
        {"idle: running, idle, none set", {Int(2), Int(3), Bits({0x00, 0x00}), none},
         PrinterCondition::kReady, false, true, ""},
        {"busy: running, printing", {Int(2), Int(4), Bits({0x00}), none}, PrinterCondition::kPrinting, false, false, ""},
        {"non-critical alert: warning, idle, lowToner", {Int(3), Int(3), Bits({0x20}), none},
         PrinterCondition::kTonerLow, false, true, "lowToner"},
        {"non-critical alert while printing: lowPaper", {Int(3), Int(4), Bits({0x80}), none},
         PrinterCondition::kPrinting, false, false, "lowPaper"},
        {"critical alert: down, other, jammed", {Int(5), Int(1), Bits({0x04, 0x00}), none},
         PrinterCondition::kPaperJam, true, false, "jammed"},
        {"critical alert: noPaper", {Int(5), Int(1), Bits({0x40}), none}, PrinterCondition::kOutOfPaper, true, false,
         "noPaper"},
        {"critical alert: doorOpen with noToner, the door first", {Int(5), Int(1), Bits({0x18}), none},
         PrinterCondition::kDoorOpen, true, false, "noToner, doorOpen"},
        {"unavailable: down, other, no bit", {Int(5), Int(1), Bits({0x00}), none}, PrinterCondition::kOffline, true,
         false, ""},
        {"off-line: down, other, offline", {Int(5), Int(1), Bits({0x02}), none}, PrinterCondition::kOffline, true,
         false, "offline"},
        {"moving on-line: down, warmup", {Int(5), Int(5), Bits({0x00}), none}, PrinterCondition::kPrinting, false,
         false, ""},
        {"standby: running, other", {Int(2), Int(1), Bits({0x00}), none}, PrinterCondition::kReady, false, true, ""},
        {"second octet: inputTrayMissing is bit 8", {Int(5), Int(1), Bits({0x00, 0x80}), none},
         PrinterCondition::kInputTrayMissing, true, false, "inputTrayMissing"},
        {"second octet: overduePreventMaint is bit 14, no line", {Int(2), Int(3), Bits({0x00, 0x02}), none},
         PrinterCondition::kReady, false, true, "overduePreventMaint"},
        {"a bit beyond the MIB's is traced by number", {Int(2), Int(3), Bits({0x00, 0x01}), none},
         PrinterCondition::kReady, false, true, "bit 15"},
        {"the error bits alone", {none, none, Bits({0x04}), none}, PrinterCondition::kPaperJam, true, false, "jammed"},
        {"no state object at all", {none, none, none, none}, PrinterCondition::kUnknown, false, false, ""},
        {"a value of another type is no answer", {{0x04, {2}}, {0x05, {}}, none, none}, PrinterCondition::kUnknown,
         false, false, ""},
    };
    for (const SnmpCase& c : kCases) {
        const PrinterState state = DecodeSnmpPrinterState(c.objects);
        EXPECT_EQ(c.condition, state.condition) << c.what;
        EXPECT_EQ(c.stopsJob, state.stopsJob) << c.what;
        EXPECT_EQ(c.idle, state.idle) << c.what;
        EXPECT_EQ(c.reported, state.reported) << c.what;
        EXPECT_EQ(-1, state.pageCount) << c.what;
    }
}

TEST(PrinterState, PageCounterAsAgentsEncodeACounter32) {
    struct {
        SnmpStateValue value;
        long long count;
    } const kCases[] = {
        {{0x41, {0x00, 0x80}}, 128},                         // a leading zero keeps the top bit clear
        {{0x41, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}}, 4294967295},  // Counter32's largest
        {{0x02, {0x04, 0xD2}}, 1234},                        // an agent that sends an INTEGER
        {{0x02, {0xFF}}, -1},                                // a negative count is none
        {{0x04, {'1', '2'}}, -1},                            // text is no counter
        {{0x80, {}}, -1},                                    // noSuchObject
    };
    for (const auto& c : kCases) {
        SnmpStateObjects objects;
        objects.printerStatus = Int(3);
        objects.lifeCount = c.value;
        EXPECT_EQ(c.count, DecodeSnmpPrinterState(objects).pageCount);
    }
}

TEST(PrinterState, IppReasonsBySeverity) {
    struct {
        IppStateAttributes attributes;
        PrinterCondition condition;
        bool stopsJob, idle;
        const char* reported;
    } const kCases[] = {
        {{3, {"none"}, ""}, PrinterCondition::kReady, false, true, ""},
        {{4, {"none"}, "Printing page 2"}, PrinterCondition::kPrinting, false, false, "Printing page 2"},
        // No suffix means error (RFC 8011): the printer keeps the job.
        {{5, {"media-jam"}, "Jam in tray 2"}, PrinterCondition::kPaperJam, true, false, "media-jam; Jam in tray 2"},
        {{4, {"media-empty-error"}, ""}, PrinterCondition::kOutOfPaper, true, false, "media-empty-error"},
        {{3, {"media-empty-warning"}, ""}, PrinterCondition::kOutOfPaper, false, true, "media-empty-warning"},
        {{3, {"media-empty-report"}, ""}, PrinterCondition::kReady, false, true, "media-empty-report"},
        {{4, {"toner-low-report", "door-open-error"}, ""}, PrinterCondition::kDoorOpen, true, false,
         "toner-low-report, door-open-error"},
        {{3, {"toner-low"}, ""}, PrinterCondition::kTonerLow, false, true, "toner-low"},
        {{4, {"marker-supply-low-warning"}, ""}, PrinterCondition::kPrinting, false, false,
         "marker-supply-low-warning"},
        {{5, {"offline-report"}, ""}, PrinterCondition::kOffline, true, false, "offline-report"},
        {{5, {"none"}, ""}, PrinterCondition::kOffline, true, false, ""},
        {{3, {"TONER-EMPTY-ERROR"}, ""}, PrinterCondition::kTonerEmpty, true, false, "TONER-EMPTY-ERROR"},
        {{3, {"spool-area-full"}, ""}, PrinterCondition::kReady, false, true, "spool-area-full"},
        {{0, {}, ""}, PrinterCondition::kUnknown, false, false, ""},
    };
    for (const auto& c : kCases) {
        const PrinterState state = DecodeIppPrinterState(c.attributes);
        const std::string what = c.reported;
        EXPECT_EQ(c.condition, state.condition) << what << " in state " << c.attributes.state;
        EXPECT_EQ(c.stopsJob, state.stopsJob) << what;
        EXPECT_EQ(c.idle, state.idle) << what;
        EXPECT_EQ(c.reported, state.reported);
    }
}

}  // namespace
