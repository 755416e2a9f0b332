// RNAeval: free energy of RNA secondary structures read as records from standard input
// (or from files), printed in the record format of ViennaRNA's RNAeval.
//
//   >name                (optional header)
//   SEQUENCE
//   STRUCTURE            -> "STRUCTURE ( -4.50)"
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

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
  std::fprintf(stderr, "%-9s %s\n", level, text.c_str());
}

[[noreturn]] void usage_error(const std::string& text) {
  message("[ERROR]", text);
  std::fputs("Try 'RNAeval --help'.\n", stderr);
  std::exit(1);
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
      std::fputs(kUsage, stdout);
      std::exit(0);
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

class Evaluator {
 public:
  Evaluator(const nnmodel::ParamSet& params, const Options& opt) : params_(params), opt_(opt) {
    out_.reserve(1 << 20);
  }

  // Evaluates and prints one record; exits with status 1 on a record that cannot be evaluated.
  void record(long number, bool has_header, const std::string& name, const std::string& seq,
              const std::string& structure) {
    if (structure.size() != seq.size()) {
      fail("Structure and sequence part of strand 0 differ in length (" +
           std::to_string(structure.size()) + " vs. " + std::to_string(seq.size()) + ")");
    }
    if (seq.find('&') != std::string::npos) {
      fail("record " + std::to_string(number) + describe(has_header, name) +
           ": sequences of several strands ('&') are not supported");
    }
    const long bad = nnmodel::unbalanced_at(structure);
    if (bad >= 0) {
      fail("unbalanced brackets '()' in the structure of record " + std::to_string(number) +
           describe(has_header, name) +
           (static_cast<std::size_t>(bad) < structure.size()
                ? " (unmatched ')' at position " + std::to_string(bad + 1) + ")"
                : " (unclosed '(')"));
    }
    const nnmodel::EncodedSequence enc = nnmodel::encode_sequence(seq, !opt_.noconv);
    warnings_.clear();
    const int e = nnmodel::energy_dcal(params_, enc, structure, opt_.dangles, &warnings_);
    for (const std::string& w : warnings_) std::fprintf(stderr, "%s\n", w.c_str());
    if (has_header) {
      out_ += '>';
      out_ += name;
      out_ += '\n';
    }
    out_ += opt_.noconv ? seq : nnmodel::echo_sequence(seq);
    out_ += '\n';
    out_ += structure;
    out_ += " (";
    out_ += nnmodel::format_energy(e);
    out_ += ")\n";
    if (out_.size() > (1u << 20)) flush();
  }

  void flush() {
    if (!out_.empty()) std::fwrite(out_.data(), 1, out_.size(), stdout);
    std::fflush(stdout);
    out_.clear();
  }

  [[noreturn]] void fail(const std::string& text, bool blank_line = false) {
    flush();
    message("[ERROR]", text);
    if (blank_line) std::fputc('\n', stderr);
    std::exit(1);
  }

 private:
  static std::string describe(bool has_header, const std::string& name) {
    return has_header ? " (>" + name + ")" : std::string();
  }

  const nnmodel::ParamSet& params_;
  const Options& opt_;
  std::string out_;
  std::vector<std::string> warnings_;
};

// Splits the input into records and evaluates them in order.
void run(const std::string& input, Evaluator& ev) {
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
          if (has_header) state = State::Structure;
          else finish();
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

int main(int argc, char** argv) {
  const Options opt = parse_args(argc, argv);
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
    Evaluator ev(*params, opt);
    run(input, ev);
    ev.flush();
  } catch (const std::exception& e) {
    std::fflush(stdout);
    message("[ERROR]", e.what());
    return 1;
  }
  return 0;
}
