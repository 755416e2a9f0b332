#include "nnmodel/records.h"

#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "error/fatal_error.h"

namespace nnmodel {

namespace {

// Kinds of input lines, by their first character.
enum class Line { Empty, Header, End, Sequence, Comment, Indented, Structure };

Line classify(const std::string& s) {
    if (s.empty()) return Line::Empty;
    const unsigned char c = static_cast<unsigned char>(s[0]);
    if (c == '>') return Line::Header;
    if (c == '@') return Line::End;
    if (std::isalpha(c)) return Line::Sequence;
    if (std::strchr("#%;/*", c)) return Line::Comment;
    if (std::isspace(c)) return Line::Indented;
    return Line::Structure;
}

std::string first_word(const std::string& s) {
    std::size_t b = 0;
    while (b < s.size() && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    std::size_t e = b;
    while (e < s.size() && !std::isspace(static_cast<unsigned char>(s[e]))) ++e;
    return s.substr(b, e - b);
}

// Evaluates one record at a time and hands the printed text to the sink.
class RecordEvaluator {
public:
    RecordEvaluator(const ParamSet& params, const RecordOptions& opt, RecordSink& sink)
        : params_(params), opt_(opt), sink_(sink) {}

    void record(long number, bool has_header, const std::string& name, const std::string& seq,
                const std::string& structure) {
        if (structure.size() != seq.size()) {
            fail("Structure and sequence part of strand 0 differ in length (" + std::to_string(structure.size()) +
                 " vs. " + std::to_string(seq.size()) + ")");
        }
        if (seq.find('&') != std::string::npos) {
            fail("record " + std::to_string(number) + describe(has_header, name) +
                 ": sequences of several strands ('&') are not supported");
        }
        const long bad = unbalanced_at(structure);
        if (bad >= 0) {
            fail("unbalanced brackets '()' in the structure of record " + std::to_string(number) +
                 describe(has_header, name) +
                 (static_cast<std::size_t>(bad) < structure.size()
                      ? " (unmatched ')' at position " + std::to_string(bad + 1) + ")"
                      : " (unclosed '(')"));
        }
        const EncodedSequence enc = encode_sequence(seq, !opt_.noconv);
        warnings_.clear();
        const int e = energy_dcal(params_, enc, structure, opt_.dangles, &warnings_);
        for (const std::string& w : warnings_) sink_.warning(w);
        text_.clear();
        if (has_header) {
            text_ += '>';
            text_ += name;
            text_ += '\n';
        }
        text_ += opt_.noconv ? seq : echo_sequence(seq);
        text_ += '\n';
        text_ += structure;
        text_ += " (";
        text_ += format_energy(e);
        text_ += ")\n";
        sink_.record(text_);
    }

    [[noreturn]] void fail(const std::string& text, bool blank_line = false) {
        std::vector<std::string> lines{message_line("[ERROR]", text)};
        if (blank_line) lines.emplace_back();
        throw FatalError(std::move(lines));
    }

private:
    static std::string describe(bool has_header, const std::string& name) {
        return has_header ? " (>" + name + ")" : std::string();
    }

    const ParamSet& params_;
    const RecordOptions& opt_;
    RecordSink& sink_;
    std::string text_;
    std::vector<std::string> warnings_;
};

// Splits the input into records and evaluates them in order.
void run(const std::string& input, RecordEvaluator& ev) {
    enum class State { Idle, Header, Sequence, Structure };
    State state = State::Idle;
    bool has_header = false;
    std::string name, seq, structure;
    long number = 0;  // 0-based number of the current record

    auto finish = [&] {
        ev.record(number, has_header, name, seq, structure);
        ++number;
        state = State::Idle;
        has_header = false;
        name.clear();
        seq.clear();
        structure.clear();
    };
    // A header or sequence line opens a record; other lines outside a record produce nothing.
    auto begin = [&](Line kind, const std::string& text) {
        if (kind == Line::Header) {
            has_header = true;
            name = text.substr(1);
            state = State::Header;
        } else if (kind == Line::Sequence) {
            seq = text;
            state = State::Sequence;
        }
    };
    auto missing_structure = [&] { ev.fail("structure missing for record " + std::to_string(number), true); };

    std::size_t pos = 0;
    bool at_end = false;
    while (!at_end) {
        std::string line;
        if (pos >= input.size()) {
            at_end = true;
        } else {
            std::size_t nl = input.find('\n', pos);
            if (nl == std::string::npos) nl = input.size();
            line.assign(input, pos, nl - pos);
            pos = nl + 1;
            while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        }
        const Line kind = at_end ? Line::End : classify(line);
        if (kind == Line::End) at_end = true;

        switch (state) {
            case State::Idle:
            case State::Header:
                begin(kind, line);  // empty lines, comments, stray structure lines and a lone header produce nothing
                break;
            case State::Sequence:
                if (kind == Line::Sequence && has_header) {
                    seq += line;  // a sequence after a header may continue over several lines
                } else if (kind == Line::Structure || kind == Line::Indented) {
                    structure = first_word(line);
                    if (has_header)
                        state = State::Structure;
                    else
                        finish();
                } else if (kind == Line::Empty || kind == Line::Comment) {
                    // skipped between sequence and structure
                } else {
                    missing_structure();  // end of input, a header, or a second sequence line
                }
                break;
            case State::Structure:
                if (kind == Line::Structure || kind == Line::Indented) {
                    structure += first_word(line);  // the structure of a headed record may be split too
                } else if (kind == Line::Empty || kind == Line::Comment) {
                    // skipped
                } else {
                    finish();
                    begin(kind, line);
                }
                break;
        }
    }
}

}  // namespace

std::string message_line(const char* level, const std::string& text) {
    std::string tag = level;
    if (tag.size() < 9) tag.resize(9, ' ');  // as printf's "%-9s"
    return tag + ' ' + text;
}

void evaluate_records(const std::string& input, const ParamSet& params, const RecordOptions& opt, RecordSink& sink) {
    RecordEvaluator ev(params, opt, sink);
    run(input, ev);
}

}  // namespace nnmodel
