// The questions the lookup asks at a candidate's address, and how each
// answer reads: the maker's private SNMP object, and behind it the standard
// means by which printers of every maker publish their device ID (two SNMP
// objects, IPP's Get-Printer-Attributes over HTTP or over TLS). The batch
// (batch.h) asks them all at once; each is a row of kQuestions, one question
// per target, so a further question about the printer is one more row.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "device/lookup/candidate.h"
#include "snmp/snmp.h"

class IppAsk;
class SecureIpp;

// Object of the printer maker's private MIB that holds the 1284 device ID.
extern const char kDeviceIdOid[];

// What one GET of the private object learned: the library's code (0 = the
// agent answered) and whether the answer was an octet string, with its text.
struct DeviceIdAnswer {
    int code = 0;
    bool octetString = false;
    std::string text;
};

// What a question of kQuestions gave for one target: a device ID, or why
// not. Only an ID with a command set is found; one without is still an answer.
struct QuestionAnswer {
    bool answered = false;
    bool found = false;
    std::string id;
    std::string failure;
    std::string note;   // for the trace: how the ID was come by (not given whole, over unverified TLS)
};

// The exchanges of one batch, and what its IPP questions need. Declared in
// this order so that the SNMP batch, whose loop talks to the IPP questions,
// is gone before they are.
struct Exchanges {
    explicit Exchanges(SecureIpp& tls);
    ~Exchanges();
    SecureIpp& tls;
    std::vector<std::unique_ptr<IppAsk>> ipp;
    SNMPGetBatch batch;
};

// The private object at `candidate`: one GET (timeout 1 s, asked again once
// when silent). Returns its index in `batch`.
std::size_t AskPrivateObject(SNMPGetBatch& batch, const Candidate& candidate);
DeviceIdAnswer ReadPrivateObject(SNMPGetBatch& batch, std::size_t index);
// Whether the answer is a device ID with a command set.
bool HasDeviceId(const DeviceIdAnswer& answer);

// One row: a question asked of every target. `start` returns the question's
// index for `read` and `exchange` (the batch's exchange that carries it, or
// SNMPGetBatch::kNoExchange).
struct Question {
    const char* name;    // for the trace
    bool perCommunity;   // an SNMP object: one question per community (IPP knows none), none of a print server
    std::size_t (*start)(Exchanges& asks, const Candidate& target);
    QuestionAnswer (*read)(Exchanges& asks, std::size_t index);
    std::size_t (*exchange)(Exchanges& asks, std::size_t index);
};
// In the order they decide: the two SNMP objects, then IPP.
extern const Question kQuestions[];
extern const std::size_t kQuestionCount;
