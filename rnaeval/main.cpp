// RNAeval: free energy of RNA secondary structures read as records from standard input
// (or from files), printed in the record format of ViennaRNA's RNAeval (nnmodel/records.h).
// The only place of the command that prints a fatal error and chooses the exit status.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "error/fatal_error.h"
#include "nnmodel/nnmodel.h"
#include "nnmodel/records.h"

namespace {

const char kUsage[] =
    "Usage: RNAeval [OPTION]... [FILE]...\n"
    "Free energy of RNA secondary structures (Turner 2004 nearest-neighbour model).\n"
    "\n"
    "Records are read from the FILEs, or from standard input when none is given:\n"
    "an optional '>name' line, the sequence, then the structure in dot-bracket notation.\n"
    "Each record is printed back with the energy in kcal/mol after the structure.\n"
    "\n"
    "  -d, --dangles=N       dangle model 0, 1 or 2 (default 2); also -d0, -d1, -d2\n"
    "  -P, --paramFile=FILE  read energy parameters from FILE (ViennaRNA 2.0 format)\n"
    "  -T, --temp=DEGREES    temperature in degrees Celsius, -273.15 to 100 (default 37)\n"
    "  -i, --infile=FILE     read records from FILE\n"
    "      --noconv          do not read T as U in the echoed sequence and special hairpins\n"
    "  -h, --help            print this help and exit\n";

struct Options {
    int dangles = 2;
    std::string param_file;
    double celsius = 37.0;
    bool celsius_given = false;
    std::vector<std::string> inputs;
    bool noconv = false;
};

void message(const char* level, const std::string& text) {
    std::fprintf(stderr, "%s\n", nnmodel::message_line(level, text).c_str());
}

[[noreturn]] void usage_error(const std::string& text) {
    throw FatalError({nnmodel::message_line("[ERROR]", text), "Try 'RNAeval --help'."});
}

bool parse_int(const std::string& s, long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return *end == '\0';
}

void set_dangles(Options& o, const std::string& value) {
    long d = 0;
    if (!parse_int(value, d)) usage_error("invalid dangle model \"" + value + "\"");
    if (d == 3) usage_error("dangle model 3 (coaxial stacking) is not supported");
    if (d < 0 || d > 3) {
        message("[WARNING]", "required dangle model not implemented, falling back to default dangles=2");
        d = 2;
    }
    o.dangles = static_cast<int>(d);
}

void set_temperature(Options& o, const std::string& value) {
    char* end = nullptr;
    const double t = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(t)) usage_error("invalid temperature \"" + value + "\"");
    if (t < -nnmodel::kKelvin || t > nnmodel::kMaxCelsius) {
        usage_error("temperature " + value + " is outside the range -273.15 to 100 degrees Celsius");
    }
    o.celsius = t;
    o.celsius_given = true;
}

Options parse_args(int argc, char** argv) {
    Options o;
    auto value_of = [&](int& k, const std::string& arg, std::size_t prefix) -> std::string {
        if (arg.size() > prefix) return arg.substr(prefix);
        if (k + 1 >= argc) usage_error("option " + arg + " needs a value");
        return argv[++k];
    };
    bool only_files = false;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (only_files || arg.empty() || arg[0] != '-' || arg == "-") {
            o.inputs.push_back(arg);
        } else if (arg == "--") {
            only_files = true;
        } else if (arg == "-h" || arg == "--help") {
            throw FatalError::from_text(kUsage, ErrorStream::out, 0);
        } else if (arg.compare(0, 2, "-d") == 0) {
            set_dangles(o, value_of(k, arg, 2));
        } else if (arg.compare(0, 10, "--dangles=") == 0) {
            set_dangles(o, arg.substr(10));
        } else if (arg == "--dangles") {
            set_dangles(o, value_of(k, arg, arg.size()));
        } else if (arg.compare(0, 2, "-P") == 0) {
            o.param_file = value_of(k, arg, 2);
        } else if (arg.compare(0, 12, "--paramFile=") == 0) {
            o.param_file = arg.substr(12);
        } else if (arg == "--paramFile") {
            o.param_file = value_of(k, arg, arg.size());
        } else if (arg.compare(0, 2, "-T") == 0) {
            set_temperature(o, value_of(k, arg, 2));
        } else if (arg.compare(0, 7, "--temp=") == 0) {
            set_temperature(o, arg.substr(7));
        } else if (arg == "--temp") {
            set_temperature(o, value_of(k, arg, arg.size()));
        } else if (arg.compare(0, 2, "-i") == 0) {
            o.inputs.push_back(value_of(k, arg, 2));
        } else if (arg.compare(0, 9, "--infile=") == 0) {
            o.inputs.push_back(arg.substr(9));
        } else if (arg == "--infile") {
            o.inputs.push_back(value_of(k, arg, arg.size()));
        } else if (arg == "--noconv") {
            o.noconv = true;
        } else {
            usage_error("unknown option " + arg);
        }
    }
    return o;
}

bool read_all(std::FILE* f, std::string& out) {
    char buf[1 << 16];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
    return !std::ferror(f);
}

// Prints records as RNAeval does: standard output in blocks of about 1 MiB, warnings at once.
class PrintingSink : public nnmodel::RecordSink {
public:
    PrintingSink() { out_.reserve(1 << 20); }

    void record(const std::string& text) override {
        out_ += text;
        if (out_.size() > (1u << 20)) flush();
    }
    void warning(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

    void flush() {
        if (!out_.empty()) std::fwrite(out_.data(), 1, out_.size(), stdout);
        std::fflush(stdout);
        out_.clear();
    }

private:
    std::string out_;
};

void print_lines(const FatalError& e) {
    std::FILE* to = e.stream() == ErrorStream::out ? stdout : stderr;
    for (const std::string& line : e.lines()) std::fprintf(to, "%s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    try {
        opt = parse_args(argc, argv);
    } catch (const FatalError& e) {
        print_lines(e);
        return e.status();
    }
    try {
        nnmodel::ParamSet custom;
        const nnmodel::ParamSet* params = &nnmodel::turner2004();
        std::vector<std::string> warnings;
        if (!opt.param_file.empty()) {
            custom = nnmodel::read_parameter_file(opt.param_file, &warnings);
            params = &custom;
            for (const std::string& w : warnings) message("[WARNING]", w);
        }
        nnmodel::ParamSet rescaled;
        if (opt.celsius_given) {
            rescaled = nnmodel::params_at(*params, opt.celsius);
            params = &rescaled;
        }

        std::string input;
        if (opt.inputs.empty()) {
            if (!read_all(stdin, input)) {
                message("[ERROR]", "cannot read standard input");
                return 1;
            }
        } else {
            for (const std::string& path : opt.inputs) {
                std::FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
                if (!f) {
                    message("[ERROR]", "cannot open input file \"" + path + "\"");
                    return 1;
                }
                const bool ok = read_all(f, input);
                if (f != stdin) std::fclose(f);
                if (!ok) {
                    message("[ERROR]", "cannot read input file \"" + path + "\"");
                    return 1;
                }
                if (!input.empty() && input.back() != '\n') input += '\n';
            }
        }
        PrintingSink sink;
        nnmodel::RecordOptions ropt;
        ropt.dangles = opt.dangles;
        ropt.noconv = opt.noconv;
        try {
            nnmodel::evaluate_records(input, *params, ropt, sink);
        } catch (const FatalError& e) {
            sink.flush();  // the records before the failing one come first
            print_lines(e);
            return e.status();
        }
        sink.flush();
    } catch (const std::exception& e) {
        std::fflush(stdout);
        message("[ERROR]", e.what());
        return 1;
    }
    return 0;
}
