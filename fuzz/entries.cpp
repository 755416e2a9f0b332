#include "entries.h"

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "energy/evaluator.h"
#include "error/fatal_error.h"
#include "front/config.h"
#include "front/run.h"
#include "nnmodel/nnmodel.h"
#include "nnmodel/records.h"
#include "random/random_stream.h"
#include "search/config.h"
#include "search/driver.h"

namespace fuzzentry {
namespace {

// A private directory for the files the readers and the search need; emptied at exit.
class Scratch {
public:
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/zentrola_fuzz_XXXXXX";
        if (mkdtemp(&tmpl[0]) == nullptr) throw std::runtime_error("can not make a scratch directory");
        dir_ = tmpl + "/";
    }
    ~Scratch() {
        for (const char* f : kFiles) std::remove((dir_ + f).c_str());
        ::rmdir(dir_.c_str());
    }
    std::string path(const char* name) const { return dir_ + name; }
    // Writes the bytes to the file `name` and returns its path.
    std::string write(const char* name, const uint8_t* data, std::size_t size) const {
        const std::string p = path(name);
        std::ofstream out(p.c_str(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) throw std::runtime_error("can not write " + p);
        return p;
    }
    const std::string& dir() const { return dir_; }

private:
    static constexpr const char* kFiles[] = {"input", "result.txt", "log.txt"};
    std::string dir_;
};

const Scratch& scratch() {
    static const Scratch s;
    return s;
}

// Standard output and error go nowhere while it lives: the readers report as they go.
class Quiet {
public:
    Quiet() : out_(std::cout.rdbuf(&null_)), err_(std::cerr.rdbuf(&null_)) {}
    ~Quiet() {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
        std::cout.clear();
        std::cerr.clear();
    }

private:
    struct NullBuf : std::streambuf {
        int overflow(int c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    } null_;
    std::streambuf* out_;
    std::streambuf* err_;
};

// A rejected input is fine; a broken invariant is not.
void rejected(const FatalError& e) {
    if (e.status() == kInvariantStatus) throw;
}

std::string text_of(const uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Pairs of a dot-bracket structure (i < j), or a finding when the brackets do not balance.
std::set<std::pair<int, int>> pairs_of(const std::string& s) {
    std::set<std::pair<int, int>> pairs;
    std::vector<int> open;
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        if (s[i] == '(') {
            open.push_back(i);
        } else if (s[i] == ')') {
            if (open.empty()) throw FuzzFinding("unbalanced structure on the path: " + s);
            pairs.insert({open.back(), i});
            open.pop_back();
        } else if (s[i] != '.') {
            throw FuzzFinding("stray character on the path: " + s);
        }
    }
    if (!open.empty()) throw FuzzFinding("unbalanced structure on the path: " + s);
    return pairs;
}

bool near(double printed, double exact) { return std::fabs(printed - exact) <= 0.01 + 1e-5 * std::fabs(exact); }

// The last path report of the log: "the barrier energy is X", the sequence, then one
// "structure   (energy)" line per step.
void check_best_path(const std::string& log, const std::string& seq, const std::string& A, const std::string& B) {
    const std::string head = "the barrier energy is ";
    const std::string::size_type at = log.rfind(head);
    if (at == std::string::npos) throw FuzzFinding("the log holds no path");
    std::istringstream in(log.substr(at + head.size()));
    std::string line;
    std::getline(in, line);
    const double barrier = std::stod(line);
    std::getline(in, line);
    if (line != seq) throw FuzzFinding("the path is not of the sequence: " + line);

    const nnmodel::EncodedSequence enc = nnmodel::encode_sequence(seq);
    std::vector<std::string> structs;
    double first = 0, top = 0;
    // The block ends at the first line that is not "structure   (energy)".
    while (std::getline(in, line) && line.size() > seq.size() + 4 && line.compare(seq.size(), 4, "   (") == 0 &&
           line.find_first_not_of("().") >= seq.size()) {
        const std::string s = line.substr(0, seq.size());
        const double e = std::stod(line.substr(seq.size() + 4));
        if (!near(e, nnmodel::energy_dcal(nnmodel::turner2004(), enc, s, 1) / 100.0))
            throw FuzzFinding("wrong energy on the path: " + line);
        if (structs.empty()) first = top = e;
        top = std::max(top, e);
        if (!structs.empty()) {
            const std::set<std::pair<int, int>> a = pairs_of(structs.back()), b = pairs_of(s);
            std::size_t changed = 0;
            for (const auto& p : a) changed += b.count(p) == 0;
            for (const auto& p : b) changed += a.count(p) == 0;
            if (changed != 1) throw FuzzFinding("a step does not add or remove exactly one pair: " + s);
        }
        structs.push_back(s);
    }
    if (structs.empty() || structs.front() != A || structs.back() != B)
        throw FuzzFinding("the path does not lead from A to B");
    if (!near(barrier, top - first)) throw FuzzFinding("barrier " + std::to_string(barrier) + " is not max - E(A)");
}

// Records that reach every loop type: stacks, bulge, interior 1x1/2x1/2x2/larger, a
// multiloop, hairpins longer than the tables, and a tetraloop.
std::string probe_records() {
    const char* const shapes[] = {"((((....))))",
                                  "(((.((....)))))",
                                  "((.((....)).))",
                                  "((..((....)).))",
                                  "((..((....))..))",
                                  "((....((....))......))",
                                  "((((....))((....))((....))))",
                                  "(((........................................)))"};
    std::string in;
    for (const char* s : shapes) {
        std::string seq;
        for (const char* c = s; *c; ++c) seq += *c == '(' ? 'G' : *c == ')' ? 'C' : 'A';
        in += std::string(">p\n") + seq + "\n" + s + "\n";
    }
    in += "GGCAACGGCC\n(((....)))\nGGAUCUUCGGAUCC\n(((((....)))))\n";
    return in;
}

struct DiscardSink : nnmodel::RecordSink {
    void record(const std::string&) override {}
    void warning(const std::string&) override {}
};

}  // namespace

void input_file(const uint8_t* data, std::size_t size) {
    const std::string path = scratch().write("input", data, size);
    Quiet quiet;
    std::ifstream in(path.c_str());
    std::string name, seq, a, b;
    try {
        readin(in, name, seq, a, b);
    } catch (const FatalError& e) {
        rejected(e);
    }
}

void config_file(const uint8_t* data, std::size_t size) {
    const std::string path = scratch().write("input", data, size);
    Quiet quiet;
    Config c;
    try {
        c.setConfig(path);
    } catch (const FatalError& e) {
        rejected(e);
    }
}

void rnaeval_output(const uint8_t* data, std::size_t size) {
    const std::string path = scratch().write("input", data, size);
    try {
        for (double v : readEnergyfromFile(path))
            if (!std::isfinite(v)) throw FuzzFinding("a non-finite energy was accepted");
    } catch (const FatalError& e) {
        rejected(e);
    }
}

void param_file(const uint8_t* data, std::size_t size) {
    std::istringstream in(text_of(data, size));
    std::vector<std::string> warnings;
    nnmodel::ParamSet p;
    try {
        p = nnmodel::read_parameter_file(in, &warnings);
    } catch (const FatalError& e) {
        rejected(e);
        return;
    } catch (const std::runtime_error&) {
        return;
    }
    static const std::string records = probe_records();
    DiscardSink sink;
    for (int d = 0; d <= 2; ++d) {
        nnmodel::RecordOptions opt;
        opt.dangles = d;
        try {
            nnmodel::evaluate_records(records, p, opt, sink);
        } catch (const FatalError& e) {
            rejected(e);
        }
    }
}

void rnaeval_records(const uint8_t* data, std::size_t size) {
    if (size == 0) return;
    nnmodel::RecordOptions opt;
    opt.dangles = data[0] % 3;
    opt.noconv = (data[0] & 4) != 0;
    DiscardSink sink;
    try {
        nnmodel::evaluate_records(text_of(data + 1, size - 1), nnmodel::turner2004(), opt, sink);
    } catch (const FatalError& e) {
        rejected(e);
    }
}

void search(const uint8_t* data, std::size_t size) {
    std::istringstream in(text_of(data, size));
    std::string seq, A, B, warnings;
    std::getline(in, seq);
    std::getline(in, A);
    std::getline(in, B);
    if (seq.empty() || seq.size() > kSearchMaxLength || !check_input(seq, A, B, warnings).empty()) return;

    SearchConfig cf;
    cf.MAXPOP = 4;
    cf.MAXGEN = 2;
    cf.MAXNOIMPROVE = 1;
    cf.OFFSPRINGNUM = 8;
    cf.PRESERVETOPNUM = 2;
    cf.PRESERVERANNUM = 2;
    const std::string log = scratch().path("log.txt");
    seed_random(static_cast<unsigned int>(size));
    {
        Quiet quiet;
        GenericAlgorithm(RPath(seq, A, B), scratch().path("result.txt"), log, scratch().dir(), cf);
    }
    std::ifstream f(log.c_str());
    std::ostringstream text;
    text << f.rdbuf();
    check_best_path(text.str(), seq, A, B);
}

bool run(const std::string& target, const uint8_t* data, std::size_t size) {
    using Entry = void (*)(const uint8_t*, std::size_t);
    static const std::pair<const char*, Entry> kEntries[] = {
        {"input_file", input_file},           {"config", config_file},
        {"rnaeval_output", rnaeval_output},   {"param_file", param_file},
        {"rnaeval_records", rnaeval_records}, {"search", search}};
    for (const auto& e : kEntries) {
        if (target == e.first) {
            e.second(data, size);
            return true;
        }
    }
    return false;
}

}  // namespace fuzzentry
