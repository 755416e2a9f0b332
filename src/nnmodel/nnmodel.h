// Nearest-neighbour free energy of one RNA secondary structure (Turner 2004 model),
// computed the way ViennaRNA's RNAeval 2.7.1 computes and prints it.
//
// All arithmetic is in integers of dcal/mol (0.01 kcal/mol); only the convenience
// function energy() converts to kcal/mol.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace nnmodel {

// "Impossible" sentinel used by the parameter tables (hairpins with < 3 unpaired bases).
constexpr int kInf = 10000000;
// Last tabulated loop length; longer loops are extrapolated logarithmically.
constexpr int kMaxLoop = 30;
// Coefficient of the logarithmic loop-length extrapolation at 37 C (dcal/mol).
constexpr double kLxc37 = 107.856;
// Loop lengths below this bound have their logarithmic growth tabulated in the set.
constexpr int kGrowthLengths = 1024;
// 0 C in kelvin; the temperature range a set can be rescaled to is [-kKelvin, kMaxCelsius].
constexpr double kKelvin = 273.15;
constexpr double kMaxCelsius = 100.0;

// Pair-type axis: 0 unused, 1 CG, 2 GC, 3 GU, 4 UG, 5 AU, 6 UA, 7 non-standard.
constexpr int kPairSlots = 8;
// Base axis: 0 unknown, 1 A, 2 C, 3 G, 4 U.
constexpr int kBaseSlots = 5;

struct SpecialHairpin {
    std::string loop;  // closing pair included, e.g. "CUUCGG"
    int energy = 0;    // dcal/mol; the whole loop energy
};

struct ParamSource;

// One complete parameter set, in dcal/mol, indexed as in the ViennaRNA 2.0 file format.
struct ParamSet {
    int stack[kPairSlots][kPairSlots];
    int mismatch_hairpin[kPairSlots][kBaseSlots][kBaseSlots];
    int mismatch_interior[kPairSlots][kBaseSlots][kBaseSlots];
    int mismatch_interior_1n[kPairSlots][kBaseSlots][kBaseSlots];
    int mismatch_interior_23[kPairSlots][kBaseSlots][kBaseSlots];
    int mismatch_multi[kPairSlots][kBaseSlots][kBaseSlots];
    int mismatch_exterior[kPairSlots][kBaseSlots][kBaseSlots];
    int dangle5[kPairSlots][kBaseSlots];
    int dangle3[kPairSlots][kBaseSlots];
    int int11[kPairSlots][kPairSlots][kBaseSlots][kBaseSlots];
    int int21[kPairSlots][kPairSlots][kBaseSlots][kBaseSlots][kBaseSlots];
    int int22[kPairSlots][kPairSlots][kBaseSlots][kBaseSlots][kBaseSlots][kBaseSlots];
    int hairpin[kMaxLoop + 1];
    int bulge[kMaxLoop + 1];
    int interior[kMaxLoop + 1];
    int ml_base = 0;                         // per unpaired base in a multiloop
    int ml_closing = 0;                      // per multiloop
    int ml_intern = 0;                       // per stem of a multiloop (closing stem included)
    int ninio = 0;                           // per base of interior-loop asymmetry
    int max_ninio = 0;                       // cap of the asymmetry term
    int duplex_init = 0;                     // read but unused (single strands only)
    int terminal_au = 0;                     // penalty for a helix end of type > 2
    std::vector<SpecialHairpin> triloops;    // 5 letters
    std::vector<SpecialHairpin> tetraloops;  // 6 letters
    std::vector<SpecialHairpin> hexaloops;   // 8 letters
    double celsius = 37.0;                   // temperature at which the free energies above hold
    double lxc = kLxc37;                     // loop extrapolation coefficient at that temperature (dcal/mol)
    // trunc(lxc * ln(L / 30)) for L < kGrowthLengths (0 up to 30): the growth of a loop
    // beyond the last tabulated length. Derived from lxc; set together with it.
    int loop_growth[kGrowthLengths];
    // The values the parameter file gave, from which params_at() rescales. Shared and never
    // modified; empty for a set assembled without a file.
    std::shared_ptr<const ParamSource> source;
};

// A parameter file as read: its 37 C free energies before the loading adjustments
// (clamped dangles, derived int22 slots) and its enthalpies (the "_enthalpies" sections and
// the enthalpy columns of ML_params, NINIO, Misc and the special loops), both in dcal/mol
// in the layout of ParamSet. Slots a file leaves out keep the Turner 2004 value.
struct ParamSource {
    ParamSet dg37;
    ParamSet dh;
};

// Reads a parameter file in the ViennaRNA 2.0 format. Values the file does not set keep
// the compiled-in Turner 2004 defaults. Throws std::runtime_error on malformed input.
ParamSet read_parameter_file(std::istream& in);
// Same; throws std::runtime_error if the file cannot be opened.
ParamSet read_parameter_file(const std::string& path);
// Variants that also report the reader's non-fatal warnings (one line each, no newline),
// e.g. unknown sections or a missing "## RNAfold parameter file v2.0" first line.
ParamSet read_parameter_file(std::istream& in, std::vector<std::string>* warnings);
ParamSet read_parameter_file(const std::string& path, std::vector<std::string>* warnings);

// The compiled-in default set (Turner 2004, 37 C).
const ParamSet& turner2004();

// The set p.source describes, at `celsius` degrees: every free energy g with enthalpy h
// becomes h - (h - g) * (celsius + 273.15) / 310.15, truncated towards zero to dcal/mol,
// and the loading adjustments are applied afterwards; lxc scales by the same factor.
// MAX_NINIO stays as read. At 37 C the result equals the set read at 37 C. Meant to be
// called once per set and temperature, not per evaluation (it copies the whole tables).
// Throws std::invalid_argument when celsius is not a number, below -273.15 or above 100,
// or when p has no source.
ParamSet params_at(const ParamSet& p, double celsius);

// The compiled-in default set at `celsius` (params_at(turner2004(), celsius)).
ParamSet turner2004_at(double celsius);

// A sequence prepared once for many evaluations.
struct EncodedSequence {
    std::string letters;        // upper case, T read as U (unless kept by encode_sequence)
    std::vector<int8_t> codes;  // size length()+2: codes[1..n] are 0..4, codes[0]=codes[n+1]=0
    int length() const { return static_cast<int>(letters.size()); }
};

// Letters: case is ignored, T/t count as U, every other letter is "unknown" (code 0).
// With convert_t == false, T keeps its letter (so it never matches a special hairpin)
// but still counts as U in every table.
EncodedSequence encode_sequence(const std::string& seq, bool convert_t = true);

// The sequence as RNAeval echoes it: T -> U and t -> u, case preserved.
std::string echo_sequence(const std::string& seq);

// Energy in dcal/mol, exactly as RNAeval prints it times 100, including the arithmetic of
// the INF sentinel for hairpins with fewer than 3 unpaired bases and the single-precision
// rounding RNAeval applies to very large totals. Only '(' and ')' pair; every other
// character is unpaired. dangles must be 0, 1 or 2.
// Each warning RNAeval would print on stderr for this structure is appended (full line
// text, e.g. "[WARNING] Bases 3 and 9 (GA) can't pair!", no newline) when warnings is set.
// Throws std::invalid_argument when the structure's length differs from the sequence's,
// when its brackets are unbalanced, or when dangles is not 0, 1 or 2.
int energy_dcal(const ParamSet& p, const EncodedSequence& s, const std::string& structure, int dangles,
                std::vector<std::string>* warnings = nullptr);

// Convenience: kcal/mol (= energy_dcal / 100.0) with the default parameter set.
double energy(const std::string& seq, const std::string& structure, int dangles);

// The text RNAeval prints between the parentheses for a value returned by energy_dcal:
// printf("%6.2f") of value / 100, e.g. -450 -> " -4.50", 0 -> "  0.00", -12345 -> "-123.45".
std::string format_energy(int dcal);

// Index of the first position (0-based) at which the brackets of structure stop being
// balanced: a ')' without partner, or structure.size() when a '(' stays open.
// Returns -1 when the brackets are balanced.
long unbalanced_at(const std::string& structure);

}  // namespace nnmodel
