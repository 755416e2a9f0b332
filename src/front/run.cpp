#include "front/run.h"

#include <getopt.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "error/fatal_error.h"
#include "files/files.h"
#include "model/structure.h"

std::string infile;
std::string outfile;
std::string logfile;
std::string outdir;
std::string configfile = "config";
Config cf;
unsigned int seed = 0;
bool seed_given = false;
std::string method = "ea";
int beam_width = 0;
double budget_seconds = 60;
long memory_mib = 4096;
bool version_requested = false;
int threads_option = 0;

namespace {

// The usage text, one line per option; a new option adds its row here.
struct OptionLine {
    const char* flag;
    const char* text;
};
const OptionLine kOptionLines[] = {
    {"-i infile", "the input: a name, a sequence, the start structure A and the final structure B, one a line"},
    {"-d outdir", "the directory for the result file, the log file and the generation files"},
    {"-o outfile", "the barrier energy of the best pathway found in each generation; default outdir/result.txt"},
    {"-l logfile", "the best pathway from A to B of each generation; default outdir/log.txt"},
    {"-c configfile", "the search parameters (key=value lines); default config"},
    {"-s seed", "a non-negative integer that seeds the random generator; default the current time"},
    {"-m method", "ea (the evolutionary search), direct, exact or auto; default ea"},
    {"-w width", "beam width of direct, exact and auto; default 4 x base-pair distance up to 100, widened within the budget"},
    {"-t seconds", "time budget of exact and auto; default 60"},
    {"-M size", "memory cap of the exact search in exact and auto, MiB; default 4096"},
    {"-j threads", "threads of the evolutionary search (same results with any number); default THREADS, else all"},
    {"-V, --version", "print the name, version, energy model and build type, and exit"},
    {"-h, --help", "print this help and exit"},
};

}  // namespace

std::string usage_text() {
    std::string s = "Usage: zentrola -i infile -d outdir [option]...\n";
    for (const OptionLine& o : kOptionLines) {
        std::string flag = std::string("  ") + o.flag;
        flag.resize(17, ' ');
        s += flag + o.text + "\n";
    }
    return s;
}

void print_usage() { std::cout << usage_text() << std::flush; }

namespace {

// The usage text on standard output, after `first` when it is not empty; status 1.
[[noreturn]] void usage_error(const std::string& first = std::string()) {
    throw FatalError::from_text(first + usage_text(), ErrorStream::out);
}

bool parse_seed(const char* text, unsigned int& out) {
    if (text == nullptr || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > UINT_MAX) return false;
    out = static_cast<unsigned int>(v);
    return true;
}

bool parse_positive(const char* text, double& out) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(v > 0) || v > 1e9) return false;
    out = v;
    return true;
}

[[noreturn]] void option_error(const std::string& message) { usage_error(message + "\n"); }

}  // namespace

bool make_directories(const std::string& path) {
    std::string::size_type pos = 0;
    while (true) {
        pos = path.find('/', pos + 1);
        const std::string prefix = path.substr(0, pos);
        if (!prefix.empty() && ::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

void init_env(int argc, char** argv) {
    optind = 1;
    threads_option = 0;
    int c;
    bool width_given = false, budget_given = false, memory_given = false;  // -t and -M are ignored by direct
    double number = 0;
    static const option long_options[] = {{"version", no_argument, nullptr, 'V'}, {"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
    while ((c = getopt_long(argc, argv, "i:o:l:d:c:s:m:w:t:M:j:hV", long_options, nullptr)) != -1) {
        switch (c) {
            case 'i': infile = optarg; break;
            case 'o': outfile = optarg; break;
            case 'l': logfile = optarg; break;
            case 'd': outdir = optarg; break;
            case 'c': configfile = optarg; break;
            case 's':
                if (!parse_seed(optarg, seed)) {
                    usage_error("The seed must be a non-negative integer: " + std::string(optarg) + "\n");
                }
                seed_given = true;
                break;
            case 'm':
                method = optarg;
                if (method != "ea" && method != "direct" && method != "exact" && method != "auto")
                    option_error("Unknown method: " + method + " (one of ea, direct, exact, auto)");
                break;
            case 'w':
                if (!parse_positive(optarg, number) || number != static_cast<int>(number))
                    option_error(std::string("The beam width must be an integer of at least 1: ") + optarg);
                beam_width = static_cast<int>(number);
                width_given = true;
                break;
            case 't':
                if (!parse_positive(optarg, number))
                    option_error(std::string("The time budget must be a number of seconds above 0: ") + optarg);
                budget_seconds = number;
                budget_given = true;
                break;
            case 'M':
                if (!parse_positive(optarg, number) || number != static_cast<long>(number))
                    option_error(std::string("The memory cap must be an integer number of MiB of at least 1: ") +
                                 optarg);
                memory_mib = static_cast<long>(number);
                memory_given = true;
                break;
            case 'j':
                if (!parse_positive(optarg, number) || number != static_cast<int>(number))
                    option_error(std::string("The number of threads must be an integer of at least 1: ") + optarg);
                threads_option = static_cast<int>(number);
                break;
            case 'h': throw FatalError::from_text(usage_text(), ErrorStream::out, 0);
            case 'V':
                // main prints the version; nothing else is checked or made.
                version_requested = true;
                return;
            default: usage_error();
        }
    }
    if (optind < argc) {
        usage_error("Unexpected argument: " + std::string(argv[optind]) + "\n");
    }
    if (method == "ea" && (width_given || budget_given || memory_given))
        option_error("-w, -t and -M apply to -m direct, exact and auto, not to the evolutionary search");
    if (infile.empty() || outdir.empty() || configfile.empty()) usage_error();
    if (outdir.back() != '/') outdir += "/";
    if (outfile.empty()) outfile = outdir + "result.txt";
    if (logfile.empty()) logfile = outdir + "log.txt";
    if (!fexists(outdir.c_str()) && !make_directories(outdir)) {
        const int err = errno;
        throw FatalError({"Can not create the output directory " + outdir + ": " + std::strerror(err)});
    }
    std::cout << "infile=" << infile << ", outdir=" << outdir << ", outfile=" << outfile << ", logfile=" << logfile
              << std::endl;
}

namespace {

const std::size_t kMaxLine = 19999;

const char* const kLineNames[4] = {"line 1 (name)", "line 2 (sequence)", "line 3 (structure A)",
                                   "line 4 (structure B)"};

}  // namespace

std::string check_structure(const std::string& seq, const std::string& s, const std::string& what,
                            std::string& warnings) {
    if (s.size() != seq.size())
        return what + ": its length is " + std::to_string(s.size()) + " but the sequence has " +
               std::to_string(seq.size()) + " bases";
    std::vector<int> open;
    std::vector<BP> pairs;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char ch = s[i];
        if (ch == '(') {
            open.push_back(static_cast<int>(i));
        } else if (ch == ')') {
            if (open.empty())
                return what + ": the ')' at position " + std::to_string(i + 1) + " closes no '('";
            pairs.push_back(BP(open.back(), static_cast<int>(i)));
            open.pop_back();
        } else if (ch != '.') {
            return what + ": the character '" + std::string(1, ch) + "' at position " +
                   std::to_string(i + 1) + " is not one of '(', ')' and '.'";
        }
    }
    if (!open.empty())
        return what + ": the '(' at position " + std::to_string(open.back() + 1) + " is never closed";
    for (const BP& p : pairs) {
        // A pair closes a hairpin when nothing inside it is paired.
        bool inner_pair = false;
        for (int k = p.lp + 1; k < p.rp && !inner_pair; ++k) inner_pair = s[k] != '.';
        if (!inner_pair && p.rp - p.lp - 1 < 3)
            return what + ": the hairpin closed by the pair at positions " + std::to_string(p.lp + 1) +
                   " and " + std::to_string(p.rp + 1) + " has fewer than 3 unpaired bases";
        if (!match(seq[p.lp], seq[p.rp], 1))
            warnings += "Warning: " + what + ": the bases at positions " + std::to_string(p.lp + 1) +
                        " and " + std::to_string(p.rp + 1) + " (" + seq[p.lp] + "-" + seq[p.rp] + ") can not pair\n";
    }
    return "";
}

std::string check_sequence(std::string& seq, const std::string& what) {
    for (std::size_t i = 0; i < seq.size(); ++i) {
        const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(seq[i])));
        if (up != 'A' && up != 'C' && up != 'G' && up != 'U' && up != 'T' && up != 'N')
            return what + ": the character '" + std::string(1, seq[i]) + "' at position " + std::to_string(i + 1) +
                   " is not one of A, C, G, U, T and N";
        seq[i] = up;
    }
    return seq.empty() ? what + ": the sequence is empty" : "";
}

std::string check_input(std::string& seq, const std::string& A, const std::string& B, std::string& warnings) {
    std::string err = check_sequence(seq, kLineNames[1]);
    if (err.empty()) err = check_structure(seq, A, kLineNames[2], warnings);
    if (err.empty()) err = check_structure(seq, B, kLineNames[3], warnings);
    return err;
}

void readin(std::ifstream& in, std::string& name, std::string& seq, std::string& A, std::string& B) {
    std::string* lines[4] = {&name, &seq, &A, &B};
    std::string problem;
    if (!in.is_open()) problem = "the input file can not be opened";
    for (int k = 0; k < 4; ++k) {
        std::string& line = *lines[k];
        line.clear();
        if (in.good()) std::getline(in, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (problem.empty() && line.size() > kMaxLine)
            problem =
                std::string(kLineNames[k]) + ": the line is longer than " + std::to_string(kMaxLine) + " characters";
        if (problem.empty() && line.empty()) problem = std::string(kLineNames[k]) + ": the line is empty or missing";
    }
    std::string warnings;
    if (problem.empty()) problem = check_input(seq, A, B, warnings);
    if (!problem.empty()) {
        throw FatalError({"infile format error", problem}, ErrorStream::out);
    }
    std::cerr << warnings;
}
