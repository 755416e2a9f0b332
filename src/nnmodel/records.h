// Records of the RNAeval command: the input split into records, each evaluated and printed in
// the record format of ViennaRNA's RNAeval. Energies are printed in kcal/mol.
//
//   >name                (optional header)
//   SEQUENCE
//   STRUCTURE            -> "STRUCTURE ( -4.50)"
#pragma once

#include <string>

#include "nnmodel/nnmodel.h"

namespace nnmodel {

struct RecordOptions {
    int dangles = 2;      // dangle model 0, 1 or 2
    bool noconv = false;  // keep T in the echoed sequence and in special hairpins
};

// Receives what the evaluation prints, in order.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    // One evaluated record: its lines, each ending in '\n' (standard output of the command).
    virtual void record(const std::string& text) = 0;
    // One warning line of the energy model, without newline (standard error of the command).
    virtual void warning(const std::string& line) = 0;
};

// "[ERROR]   text": a message line of the command with its level tag.
std::string message_line(const char* level, const std::string& text);

// Splits `input` into records and evaluates them in order. Throws FatalError (standard error,
// status 1) at the first record that cannot be evaluated; the records before it have been
// handed to `sink`.
void evaluate_records(const std::string& input, const ParamSet& params, const RecordOptions& opt, RecordSink& sink);

}  // namespace nnmodel
