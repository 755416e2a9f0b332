// Reader for parameter files in the ViennaRNA 2.0 format ("## RNAfold parameter file v2.0").
//
// A file is a sequence of sections, each introduced by a line starting with '#' followed by
// the section name. Table sections are read in units (one row or block each); a unit takes
// tokens from as many lines as it needs and ignores whatever follows its last value on the
// line where it completes. The first "/* ... */" of every line is a comment.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <istream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "nnmodel/nnmodel.h"
#include "nnmodel/params_internal.h"

namespace nnmodel {
namespace detail {
namespace {

constexpr int kDef = -50;
constexpr std::size_t kMaxSpecialLoops = 40;
constexpr const char* kFileTag = "## RNAfold parameter file v2.0";

class LineSource {
public:
    LineSource(std::istream& in, const std::string& source) : in_(in), source_(source) {}

    bool next(std::string& line) {
        if (has_pending_) {
            line.swap(pending_);
            has_pending_ = false;
            return true;
        }
        if (!std::getline(in_, line)) return false;
        ++lineno_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }
    void push_back(std::string line) {
        pending_ = std::move(line);
        has_pending_ = true;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(source_ + ":" + std::to_string(lineno_) + ": " + what);
    }
    std::string where() const { return source_ + ":" + std::to_string(lineno_); }

private:
    std::istream& in_;
    std::string source_;
    int lineno_ = 0;
    std::string pending_;
    bool has_pending_ = false;
};

// Removes the first "/* ... */" of a line.
std::string cut_comment(const std::string& line, const LineSource& src) {
    std::size_t open = line.find("/*");
    if (open == std::string::npos) return line;
    std::size_t close = line.find("*/", open + 2);
    if (close == std::string::npos) src.fail("comment \"/*\" is not closed on the same line");
    return line.substr(0, open) + " " + line.substr(close + 2);
}

void split(const std::string& text, std::vector<std::string>& tokens) {
    tokens.clear();
    std::size_t i = 0, n = text.size();
    while (i < n) {
        while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        std::size_t b = i;
        while (i < n && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i > b) tokens.emplace_back(text, b, i - b);
    }
}

// Integer prefix of a token: optional sign, then digits; conversion stops at the first
// other character ("-1i40" reads as -1). Returns false when there is no digit.
bool integer_prefix(const std::string& tok, int& value) {
    std::size_t k = 0;
    if (k < tok.size() && (tok[k] == '+' || tok[k] == '-')) ++k;
    if (k >= tok.size() || !std::isdigit(static_cast<unsigned char>(tok[k]))) return false;
    errno = 0;
    long v = std::strtol(tok.c_str(), nullptr, 10);
    if (errno == ERANGE || v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

// Reads slots.size() / unit units of `unit` values each into the given slots.
void read_units(LineSource& src, const std::string& section, const std::vector<int*>& slots, std::size_t unit) {
    std::string line;
    std::vector<std::string> tokens;
    const std::size_t units = slots.size() / unit;
    for (std::size_t u = 0; u < units; ++u) {
        std::size_t k = 0;
        long last_plain = -1;  // slot index (within the unit) of the last plain integer
        int last_value = 0;
        while (k < unit) {
            if (!src.next(line)) {
                src.fail("unexpected end of input in section \"" + section + "\" (" + std::to_string(u * unit + k) +
                         " of " + std::to_string(slots.size()) + " values read)");
            }
            split(cut_comment(line, src), tokens);
            for (const std::string& tok : tokens) {
                if (k == unit) break;  // the rest of the line where a unit completes is ignored
                int* slot = slots[u * unit + k];
                int value = 0;
                if (integer_prefix(tok, value)) {
                    *slot = value;
                    last_plain = static_cast<long>(k);
                    last_value = value;
                } else if (tok[0] == '*') {
                    // keep the slot's previous value
                } else if (tok[0] == 'x') {
                    if (k == 0) src.fail("\"x\" cannot start a unit in section \"" + section + "\"");
                    if (last_plain <= 0) {
                        src.fail("\"x\" in section \"" + section +
                                 "\" needs an earlier integer at a position > 0 of the same unit");
                    }
                    double step = kLxc37 * std::log(static_cast<double>(k) / static_cast<double>(last_plain));
                    *slot = last_value + static_cast<int>(std::trunc(0.5 + step));
                } else if (tok == "INF") {
                    *slot = kInf;
                } else if (tok == "DEF") {
                    *slot = kDef;
                } else if (tok == "NST") {
                    *slot = 0;
                } else {
                    src.fail("invalid value \"" + tok + "\" in section \"" + section + "\"");
                }
                ++k;
            }
        }
    }
}

// Loop list: lines "SEQUENCE dG dH" until a line that does not give a word and two numbers.
// The free energies go to list, the enthalpies to enthalpies (0 when missing).
void read_loop_list(LineSource& src, std::vector<SpecialHairpin>& list, std::vector<SpecialHairpin>& enthalpies) {
    list.clear();
    enthalpies.clear();
    std::string line;
    std::vector<std::string> tokens;
    while (src.next(line)) {
        if (!line.empty() && line[0] == '#') {  // next section header: the list has ended
            src.push_back(line);
            return;
        }
        split(cut_comment(line, src), tokens);
        if (tokens.empty()) return;
        int dg = 0, dh = 0;
        bool has_dg = tokens.size() > 1 && integer_prefix(tokens[1], dg);
        bool has_dh = has_dg && tokens.size() > 2 && integer_prefix(tokens[2], dh);
        if (list.size() < kMaxSpecialLoops) {
            list.push_back({tokens[0], has_dg ? dg : 0});
            enthalpies.push_back({tokens[0], has_dh ? dh : 0});
        }
        if (!has_dh) return;
    }
}

std::vector<int*> length_slots(int (&a)[kMaxLoop + 1]) {
    std::vector<int*> v;
    for (int& x : a) v.push_back(&x);
    return v;
}

std::vector<int*> pair_rows(int* base, int per_type) {
    // Tables whose first axis is a pair type (1..7 in the file) followed by base axes 0..4.
    std::vector<int*> v;
    for (int t = 1; t < kPairSlots; ++t)
        for (int k = 0; k < per_type; ++k) v.push_back(base + t * per_type + k);
    return v;
}

std::vector<int*> pair_pair_rows(int* base, int per_pair) {
    std::vector<int*> v;
    for (int t1 = 1; t1 < kPairSlots; ++t1)
        for (int t2 = 1; t2 < kPairSlots; ++t2)
            for (int k = 0; k < per_pair; ++k) v.push_back(base + (t1 * kPairSlots + t2) * per_pair + k);
    return v;
}

std::vector<int*> int22_slots(ParamSet& p) {
    std::vector<int*> v;
    for (int t1 = 1; t1 <= 6; ++t1)
        for (int t2 = 1; t2 <= 6; ++t2)
            for (int w = 1; w <= 4; ++w)
                for (int x = 1; x <= 4; ++x)
                    for (int y = 1; y <= 4; ++y)
                        for (int z = 1; z <= 4; ++z) v.push_back(&p.int22[t1][t2][w][x][y][z]);
    return v;
}

std::vector<int*> scalar_slots(std::vector<int>& tmp) {
    std::vector<int*> v;
    for (int& x : tmp) v.push_back(&x);
    return v;
}

}  // namespace

// One axis at a time: after an axis is processed, every slot whose wildcards lie on
// processed axes holds the maximum over its box.
void derive_int22(ParamSet& p) {
    int* a = &p.int22[0][0][0][0][0][0];
    const int dims[6] = {kPairSlots, kPairSlots, kBaseSlots, kBaseSlots, kBaseSlots, kBaseSlots};
    int stride[6];
    stride[5] = 1;
    for (int d = 4; d >= 0; --d) stride[d] = stride[d + 1] * dims[d + 1];
    auto is_pair_axis = [](int d) { return d < 2; };
    auto wildcard = [&](int d) { return is_pair_axis(d) ? 7 : 0; };
    auto explicit_lo = [](int) { return 1; };                           // CG on pair axes, A on base axes
    auto explicit_hi = [&](int d) { return is_pair_axis(d) ? 6 : 4; };  // UA / U

    for (int axis = 0; axis < 6; ++axis) {
        int idx[6];
        // Iterate over all index combinations of the other axes in which unprocessed axes are
        // explicit and processed axes are explicit or wildcard.
        std::function<void(int)> rec;
        rec = [&](int d) {
            if (d == 6) {
                int best = INT_MIN;
                int off = 0;
                for (int e = 0; e < 6; ++e)
                    if (e != axis) off += idx[e] * stride[e];
                for (int v = explicit_lo(axis); v <= explicit_hi(axis); ++v)
                    best = std::max(best, a[off + v * stride[axis]]);
                a[off + wildcard(axis) * stride[axis]] = best;
                return;
            }
            if (d == axis) {
                rec(d + 1);
                return;
            }
            for (int v = explicit_lo(d); v <= explicit_hi(d); ++v) {
                idx[d] = v;
                rec(d + 1);
            }
            if (d < axis) {
                idx[d] = wildcard(d);
                rec(d + 1);
            }
        };
        idx[axis] = 0;
        rec(0);
    }
}

namespace {

void clamp_positive(int* a, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) a[k] = std::min(a[k], 0);
}

enum class Kind { Table, Scalars, Loops, Ignore, Unknown };

struct Section {
    Kind kind = Kind::Unknown;
    std::vector<int*> slots;
    std::size_t unit = 0;
    std::vector<SpecialHairpin>* loops = nullptr;
    std::vector<SpecialHairpin>* loop_enthalpies = nullptr;
    bool deprecated = false;
};

std::string canonical_name(const std::string& name, bool& deprecated) {
    static const char* const kOld[][2] = {
        {"interior", "internal"},
        {"mismatch_interior", "mismatch_internal"},
        {"mismatch_interior_1n", "mismatch_internal_1n"},
        {"mismatch_interior_23", "mismatch_internal_23"},
    };
    deprecated = false;
    std::string base = name;
    std::string suffix;
    const std::string enth = "_enthalpies";
    if (base.size() > enth.size() && base.compare(base.size() - enth.size(), enth.size(), enth) == 0) {
        suffix = enth;
        base.resize(base.size() - enth.size());
    }
    for (const auto& m : kOld) {
        if (base == m[0]) {
            deprecated = true;
            return std::string(m[1]) + suffix;
        }
    }
    return name;
}

// Slots of the table section `n` in t (free energies and enthalpies share the layout);
// false when n names no table.
bool table_slots(ParamSet& t, const std::string& n, std::vector<int*>& slots, std::size_t& unit) {
    const int mm = kBaseSlots * kBaseSlots;
    if (n == "stack")
        slots = pair_pair_rows(&t.stack[0][0], 1), unit = kPairSlots - 1;
    else if (n == "mismatch_hairpin")
        slots = pair_rows(&t.mismatch_hairpin[0][0][0], mm), unit = mm;
    else if (n == "mismatch_internal")
        slots = pair_rows(&t.mismatch_interior[0][0][0], mm), unit = mm;
    else if (n == "mismatch_internal_1n")
        slots = pair_rows(&t.mismatch_interior_1n[0][0][0], mm), unit = mm;
    else if (n == "mismatch_internal_23")
        slots = pair_rows(&t.mismatch_interior_23[0][0][0], mm), unit = mm;
    else if (n == "mismatch_multi")
        slots = pair_rows(&t.mismatch_multi[0][0][0], mm), unit = mm;
    else if (n == "mismatch_exterior")
        slots = pair_rows(&t.mismatch_exterior[0][0][0], mm), unit = mm;
    else if (n == "dangle5")
        slots = pair_rows(&t.dangle5[0][0], kBaseSlots), unit = kBaseSlots;
    else if (n == "dangle3")
        slots = pair_rows(&t.dangle3[0][0], kBaseSlots), unit = kBaseSlots;
    else if (n == "int11")
        slots = pair_pair_rows(&t.int11[0][0][0][0], mm), unit = mm;
    else if (n == "int21")
        slots = pair_pair_rows(&t.int21[0][0][0][0][0], mm * kBaseSlots), unit = mm * kBaseSlots;
    else if (n == "int22")
        slots = int22_slots(t), unit = 4;
    else if (n == "hairpin")
        slots = length_slots(t.hairpin), unit = kMaxLoop + 1;
    else if (n == "bulge")
        slots = length_slots(t.bulge), unit = kMaxLoop + 1;
    else if (n == "internal")
        slots = length_slots(t.interior), unit = kMaxLoop + 1;
    else
        return false;
    return true;
}

// The scalar sections list each free energy followed by its enthalpy (MAX_NINIO has none).
Section lookup(ParamSource& src, const std::string& name, std::vector<int>& scalars) {
    ParamSet& p = src.dg37;
    ParamSet& h = src.dh;
    Section s;
    const std::string n = canonical_name(name, s.deprecated);
    const std::string enth = "_enthalpies";
    const bool is_enthalpy = n.size() > enth.size() && n.compare(n.size() - enth.size(), enth.size(), enth) == 0;
    if (is_enthalpy ? table_slots(h, n.substr(0, n.size() - enth.size()), s.slots, s.unit)
                    : table_slots(p, n, s.slots, s.unit)) {
        s.kind = Kind::Table;
    } else if (n == "ML_params" || n == "NINIO" || n == "Misc") {
        if (n == "ML_params")
            scalars = {p.ml_base, h.ml_base, p.ml_closing, h.ml_closing, p.ml_intern, h.ml_intern};
        else if (n == "NINIO")
            scalars = {p.ninio, h.ninio, p.max_ninio};
        else
            scalars = {p.duplex_init, h.duplex_init, p.terminal_au, h.terminal_au};
        s.kind = Kind::Scalars;
        s.slots = scalar_slots(scalars);
        s.unit = scalars.size();
    } else if (n == "Triloops" || n == "Tetraloops" || n == "Hexaloops") {
        s.kind = Kind::Loops;
        s.loops = n == "Triloops" ? &p.triloops : n == "Tetraloops" ? &p.tetraloops : &p.hexaloops;
        s.loop_enthalpies = n == "Triloops" ? &h.triloops : n == "Tetraloops" ? &h.tetraloops : &h.hexaloops;
    } else if (n == "END") {
        s.kind = Kind::Ignore;
    }
    return s;
}

void store_scalars(ParamSource& src, const std::string& name, const std::vector<int>& v) {
    ParamSet& p = src.dg37;
    ParamSet& h = src.dh;
    if (name == "ML_params") {
        p.ml_base = v[0], h.ml_base = v[1];
        p.ml_closing = v[2], h.ml_closing = v[3];
        p.ml_intern = v[4], h.ml_intern = v[5];
    } else if (name == "NINIO") {
        p.ninio = v[0], h.ninio = v[1];
        p.max_ninio = h.max_ninio = v[2];
    } else {
        p.duplex_init = v[0], h.duplex_init = v[1];
        p.terminal_au = v[2], h.terminal_au = v[3];
    }
}

}  // namespace

std::vector<Table> tables(ParamSet& p) {
    auto t = [](auto& arr) { return Table{reinterpret_cast<int*>(&arr), sizeof(arr) / sizeof(int)}; };
    return {t(p.stack),
            t(p.mismatch_hairpin),
            t(p.mismatch_interior),
            t(p.mismatch_interior_1n),
            t(p.mismatch_interior_23),
            t(p.mismatch_multi),
            t(p.mismatch_exterior),
            t(p.dangle5),
            t(p.dangle3),
            t(p.int11),
            t(p.int21),
            t(p.int22),
            t(p.hairpin),
            t(p.bulge),
            t(p.interior)};
}

void set_loop_growth(ParamSet& p, double lxc) {
    p.lxc = lxc;
    for (int k = 0; k < kGrowthLengths; ++k)
        p.loop_growth[k] = k <= kMaxLoop ? 0 : static_cast<int>(lxc * std::log(static_cast<double>(k) / kMaxLoop));
}

void fill_blank(ParamSet& p) {
    for (const Table& t : tables(p)) std::fill(t.values, t.values + t.size, kInf);
    p.ml_base = p.ml_closing = p.ml_intern = 0;
    p.ninio = p.max_ninio = 0;
    p.duplex_init = p.terminal_au = 0;
    p.triloops.clear();
    p.tetraloops.clear();
    p.hexaloops.clear();
    p.celsius = 37.0;
    set_loop_growth(p, kLxc37);
    p.source.reset();
}

void clamp_loaded(ParamSet& p) {
    clamp_positive(&p.dangle5[0][0], sizeof(p.dangle5) / sizeof(int));
    clamp_positive(&p.dangle3[0][0], sizeof(p.dangle3) / sizeof(int));
    clamp_positive(&p.mismatch_multi[0][0][0], sizeof(p.mismatch_multi) / sizeof(int));
    clamp_positive(&p.mismatch_exterior[0][0][0], sizeof(p.mismatch_exterior) / sizeof(int));
}

ParamSet loaded_set(std::shared_ptr<const ParamSource> source) {
    ParamSet p = source->dg37;
    derive_int22(p);
    clamp_loaded(p);
    p.celsius = 37.0;
    set_loop_growth(p, kLxc37);
    p.source = std::move(source);
    return p;
}

void parse_parameters(std::istream& in, ParamSource& raw, std::vector<std::string>* warnings,
                      const std::string& source) {
    LineSource src(in, source);
    auto warn = [&](const std::string& w) {
        if (warnings) warnings->push_back(w);
    };
    std::string line;
    if (src.next(line) && line.compare(0, std::strlen(kFileTag), kFileTag) != 0) {
        warn(source + ": missing header line \"" + std::string(kFileTag) + "\"; reading it as such a file anyway");
    }
    std::vector<int> scalars;
    while (src.next(line)) {
        if (line.empty() || line[0] != '#') continue;  // outside any section
        std::size_t b = 1;
        while (b < line.size() && std::isspace(static_cast<unsigned char>(line[b]))) ++b;
        std::size_t e = b;
        while (e < line.size() && !std::isspace(static_cast<unsigned char>(line[e]))) ++e;
        const std::string name = line.substr(b, e - b);
        Section s = lookup(raw, name, scalars);
        if (s.deprecated) {
            warn(src.where() + ": section name \"" + name + "\" is deprecated; read as its \"internal\" equivalent");
        }
        switch (s.kind) {
            case Kind::Table: read_units(src, name, s.slots, s.unit); break;
            case Kind::Scalars:
                read_units(src, name, s.slots, s.unit);
                store_scalars(raw, name, scalars);
                break;
            case Kind::Loops: read_loop_list(src, *s.loops, *s.loop_enthalpies); break;
            case Kind::Ignore: break;
            case Kind::Unknown:
                warn("read_epars: Unknown field identifier in `" + line + "' (" + src.where() + ")");
                break;
        }
    }
    if (in.bad()) throw std::runtime_error(source + ": read error");

    const ParamSet& p = raw.dg37;
    for (int a = 1; a < kPairSlots; ++a) {
        for (int b = a + 1; b < kPairSlots; ++b) {
            if (p.stack[a][b] != p.stack[b][a]) {
                warn(source + ": stacking energies are not symmetric (stack[" + std::to_string(a) + "][" +
                     std::to_string(b) + "] = " + std::to_string(p.stack[a][b]) + ", stack[" + std::to_string(b) +
                     "][" + std::to_string(a) + "] = " + std::to_string(p.stack[b][a]) + ")");
            }
        }
    }
}

}  // namespace detail

namespace {

// A file is read over the Turner 2004 values, so slots it leaves out keep theirs.
ParamSet read_over_defaults(std::istream& in, std::vector<std::string>* warnings, const std::string& source) {
    auto raw = std::make_shared<ParamSource>(*turner2004().source);
    detail::parse_parameters(in, *raw, warnings, source);
    return detail::loaded_set(std::move(raw));
}

}  // namespace

ParamSet read_parameter_file(std::istream& in, std::vector<std::string>* warnings) {
    return read_over_defaults(in, warnings, "parameter file");
}

ParamSet read_parameter_file(const std::string& path, std::vector<std::string>* warnings) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open parameter file \"" + path + "\"");
    return read_over_defaults(in, warnings, path);
}

ParamSet read_parameter_file(std::istream& in) { return read_parameter_file(in, nullptr); }

ParamSet read_parameter_file(const std::string& path) { return read_parameter_file(path, nullptr); }

const ParamSet& turner2004() {
    static const ParamSet set = [] {
        auto raw = std::make_shared<ParamSource>();
        detail::fill_blank(raw->dg37);
        detail::fill_blank(raw->dh);
        std::istringstream in(std::string(detail::kTurner2004Text, detail::kTurner2004Size));
        std::vector<std::string> warnings;
        detail::parse_parameters(in, *raw, &warnings, "built-in Turner 2004 parameters");
        if (!warnings.empty()) throw std::logic_error("built-in parameters: " + warnings.front());
        return detail::loaded_set(std::move(raw));
    }();
    return set;
}

}  // namespace nnmodel
