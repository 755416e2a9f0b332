// Energy of one secondary structure: one left-to-right pass over the brackets of the
// dot-bracket string (found eight characters at a time, so runs of unpaired positions cost
// nothing).
//
// A stack holds the open pairs; a second stack holds the stems found so far, so that when a
// pair (i,j) closes, the stems pushed since i was opened are exactly the branches of the
// loop closed by (i,j). The loop's energy is computed at that moment, its branches are
// popped and (i,j) is pushed as a branch of the enclosing loop. At the end the stem stack
// holds the stems of the exterior loop.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "nnmodel/loops_internal.h"
#include "nnmodel/nnmodel.h"

namespace nnmodel {
namespace {

using detail::kNever;
using detail::pair_type;
using detail::Stem;
struct Open {
    int i;             // position of '('
    int first;         // size of the stem stack when it was opened
    int8_t code;       // nucleotide code at i
    int8_t next_code;  // nucleotide code at i + 1
};

struct Workspace {
    std::vector<Open> open;
    std::vector<Stem> stems;
    std::vector<int> loop_energy;                    // energy of the loop closed by the pair opened at i
    std::vector<uint64_t> bracket_words;             // bit k set when structure[k] is '(' or ')'
    std::vector<std::pair<int, std::string>> notes;  // (position, warning) for sorting
};

Workspace& workspace() {
    thread_local Workspace ws;
    return ws;
}

// Sets bit k of words[k / 64] when d[k] is '(' or ')', eight characters at a time, so that
// the pass can jump from bracket to bracket over the unpaired positions. Returns the number
// of words written.
int bracket_bits(const char* d, int n, uint64_t* words) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr uint64_t kParens = 0x2929292929292929ULL;  // ')'; '(' differs only in bit 0
    constexpr uint64_t kGather = 0x0102040810204080ULL;  // moves bit 8i to bit 56+i
    const int nwords = (n + 63) / 64;
    for (int w = 0; w < nwords; ++w) words[w] = 0;
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t x;
        std::memcpy(&x, d + k, 8);
        const uint64_t t = (x | kOnes) ^ kParens;                 // zero byte <=> '(' or ')'
        const uint64_t z = ~(((t & kLow7) + kLow7) | t | kLow7);  // 0x80 exactly in zero bytes
        const uint64_t bits = ((z >> 7) * kGather) >> 56;
        words[k >> 6] |= bits << (k & 63);
    }
    for (; k < n; ++k)
        if ((d[k] | 1) == ')') words[k >> 6] |= uint64_t{1} << (k & 63);
    return nwords;
}

class Evaluator {
public:
    Evaluator(const ParamSet& p, const EncodedSequence& s, Workspace& ws, bool want_notes)
        : P(p), S(s.codes.data()), letters(s.letters.data()), n(s.length()), ws_(ws), want_notes_(want_notes) {}

    int au(int t) const { return detail::terminal_au(P, t); }

    void note(int pos, std::string text) {
        if (want_notes_) ws_.notes.emplace_back(pos, std::move(text));
    }

    void check_pair(int i, int j, int t) {
        if (t == 7 && want_notes_) {
            std::string msg = "[WARNING] Bases " + std::to_string(i) + " and " + std::to_string(j) + " (" +
                              letters[i - 1] + letters[j - 1] + ") can't pair!";
            note(i, std::move(msg));
        }
    }

    int hairpin(int i, int j) {
        const int u = j - i - 1;
        if (u < 3 && want_notes_) {
            static const char kLetter[] = "_ACGU";
            std::string msg = "[WARNING] Hairpin loop closed by " + std::to_string(i) + " and " + std::to_string(j) +
                              " (" + kLetter[S[i]] + "," + kLetter[S[j]] + ") too short";
            note(i, std::move(msg));
        }
        return detail::hairpin_energy(P, S, letters, i, j);
    }

    int interior(int i, int j, int k, int l) const { return detail::interior_energy(P, S, i, j, k, l); }

    using Contact = detail::Contact;
    Contact contact(const int (*mm)[kBaseSlots][kBaseSlots], int t, int x, int y, bool avail5, bool avail3) const {
        return detail::contact(P, mm, t, x, y, avail5, avail3);
    }

    int multiloop(int i, int j, const Stem* br, int m, int dangles) const {
        const int tc = pair_type(S[j], S[i]);
        int unpaired = j - i - 1;
        int fixed = P.ml_closing + (m + 1) * P.ml_intern + au(tc);
        for (int r = 0; r < m; ++r) {
            unpaired -= br[r].q - br[r].p + 1;
            fixed += au(pair_type(S[br[r].p], S[br[r].q]));
        }
        fixed += unpaired * P.ml_base;
        if (dangles == 0) return fixed;
        const auto& mm = P.mismatch_multi;
        if (dangles == 2) {
            int e = mm[tc][S[j - 1]][S[i + 1]];
            for (int r = 0; r < m; ++r) {
                const int p = br[r].p, q = br[r].q;
                e += mm[pair_type(S[p], S[q])][S[p - 1]][S[q + 1]];
            }
            return fixed + e;
        }
        // d1: exact minimisation around the ring of stems. Two line scans run side by side,
        // one for a closing stem that leaves i+1 alone (state 0), one for a closing stem that
        // takes it (state 1). free/taken: best totals given the previous stem does not / does
        // use its 3' neighbour.
        const bool avail5c = j - 1 > br[m - 1].q;
        const bool avail3c = i + 1 < br[0].p;
        const Contact cc = contact(mm, tc, S[j - 1], S[i + 1], avail5c, avail3c);
        int free0 = 0, taken0 = kNever;
        int free1 = kNever, taken1 = avail3c ? 0 : kNever;
        int prev_q = i;
        for (int r = 0; r < m; ++r) {
            const int p = br[r].p, q = br[r].q;
            const int next_p = r + 1 < m ? br[r + 1].p : j;
            const bool avail5 = p - 1 > prev_q;
            const bool avail3 = q + 1 < next_p;
            const Contact c = contact(mm, pair_type(S[p], S[q]), S[p - 1], S[q + 1], avail5, avail3);
            const bool shared = prev_q + 2 == p;
            step(free0, taken0, c, shared);
            step(free1, taken1, c, shared);
            prev_q = q;
        }
        const bool shared_last = br[m - 1].q + 2 == j;
        int best = std::min(free0, taken0) + cc.c00;              // closing: none
        best = std::min(best, std::min(free1, taken1) + cc.c01);  // closing: 3' only
        if (avail5c) {
            best = std::min(best, (shared_last ? free0 : std::min(free0, taken0)) + cc.c10);
            best = std::min(best, (shared_last ? free1 : std::min(free1, taken1)) + cc.c11);
        }
        return fixed + best;
    }

    static void step(int& free, int& taken, const Contact& c, bool shared, bool keep_shared = false) {
        detail::step(free, taken, c, shared, keep_shared);
    }

    int exterior(const Stem* st, int m, int dangles) const {
        int e = 0;
        for (int r = 0; r < m; ++r) e += au(pair_type(S[st[r].p], S[st[r].q]));
        if (dangles == 0 || m == 0) return e;
        const auto& mm = P.mismatch_exterior;
        if (dangles == 2) {
            for (int r = 0; r < m; ++r) {
                const int p = st[r].p, q = st[r].q;
                const int t = pair_type(S[p], S[q]);
                if (p > 1 && q < n)
                    e += mm[t][S[p - 1]][S[q + 1]];
                else if (p > 1)
                    e += P.dangle5[t][S[p - 1]];
                else if (q < n)
                    e += P.dangle3[t][S[q + 1]];
            }
            return e;
        }
        int free = 0, taken = kNever;
        int prev_q = 0;
        for (int r = 0; r < m; ++r) {
            const int p = st[r].p, q = st[r].q;
            const int next_p = r + 1 < m ? st[r + 1].p : n + 1;
            const bool avail5 = p - 1 > prev_q;
            const bool avail3 = q < n && q + 1 < next_p;
            const Contact c = contact(mm, pair_type(S[p], S[q]), S[p - 1], S[q + 1], avail5, avail3);
            step(free, taken, c, r > 0 && prev_q + 2 == p, true);
            prev_q = q;
        }
        return e + std::min(free, taken);
    }

    const ParamSet& P;
    const int8_t* S;
    const char* letters;
    const int n;
    Workspace& ws_;
    const bool want_notes_;
};

inline int64_t absorb(int64_t a, int64_t b) { return (a == kInf || b == kInf) ? kInf : a + b; }

// Exact total when some loop is the INF sentinel (or large enough that a partial sum could
// reach it): helices are summed with absorbing addition, the branches of a multiloop with
// ordinary addition.
class SentinelSum {
public:
    SentinelSum(const std::string& db, const std::vector<int>& loop_energy)
        : db_(db), e_(loop_energy), partner_(db.size() + 2, 0) {
        std::vector<int> st;
        for (int k = 1; k <= static_cast<int>(db.size()); ++k) {
            if (db[k - 1] == '(') {
                st.push_back(k);
            } else if (db[k - 1] == ')') {
                partner_[k] = st.back();
                partner_[st.back()] = k;
                st.pop_back();
            }
        }
    }

    void branches(int i, int j, std::vector<Stem>& out) const {
        out.clear();
        for (int k = i + 1; k < j; ++k) {
            if (partner_[k] > k) {
                out.push_back({k, partner_[k]});
                k = partner_[k];
            }
        }
    }

    int64_t stem(int p, int q) const {
        int64_t acc = 0;
        int i = p, j = q;
        std::vector<Stem> br;
        for (;;) {
            branches(i, j, br);
            if (br.size() == 1) {
                acc = absorb(acc, e_[i]);
                i = br[0].p;
                j = br[0].q;
                continue;
            }
            if (br.empty()) return absorb(acc, e_[i]);
            for (const Stem& b : br) acc += stem(b.p, b.q);
            return absorb(acc, e_[i]);
        }
    }

    int64_t total(int exterior_energy) const {
        std::vector<Stem> st;
        branches(0, static_cast<int>(db_.size()) + 1, st);
        int64_t t = 0;
        for (const Stem& s : st) t = absorb(t, stem(s.p, s.q));
        return absorb(exterior_energy, t);
    }

private:
    const std::string& db_;
    const std::vector<int>& e_;
    std::vector<int> partner_;
};

// RNAeval prints float(total) / 100.0 rounded to float with "%6.2f". For |total| up to
// 13107200 that is the integer's own digits; beyond, the float rounding shows.
int printed_value(int total) {
    if (total >= -13107200 && total <= 13107200) return total;
    const float value = static_cast<float>(static_cast<double>(static_cast<float>(total)) / 100.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(value));
    std::string digits;
    for (const char* c = buf; *c; ++c)
        if (*c != '.') digits += *c;
    return static_cast<int>(std::strtoll(digits.c_str(), nullptr, 10));
}

int wrap32(int64_t v) { return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

}  // namespace

namespace detail {

int loop_energy(const ParamSet& p, const EncodedSequence& s, int i, int j, const Stem* br, int m, int dangles) {
    static Workspace untouched;  // without notes the evaluator never writes to it
    Evaluator ev(p, s, untouched, false);
    if (i == 0) return ev.exterior(br, m, dangles);
    if (m == 0) return ev.hairpin(i, j);
    if (m == 1) return ev.interior(i, j, br[0].p, br[0].q);
    return ev.multiloop(i, j, br, m, dangles);
}

int loop_growth(const ParamSet& p, int length) {
    return detail::loop_length_energy(p, p.hairpin, length) - p.hairpin[kMaxLoop];
}

}  // namespace detail

EncodedSequence encode_sequence(const std::string& seq, bool convert_t) {
    EncodedSequence s;
    const std::size_t n = seq.size();
    s.letters.resize(n);
    s.codes.assign(n + 2, 0);
    for (std::size_t k = 0; k < n; ++k) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(seq[k])));
        if (c == 'T' && convert_t) c = 'U';
        s.letters[k] = c;
        int8_t code = 0;
        switch (c) {
            case 'A': code = 1; break;
            case 'C': code = 2; break;
            case 'G': code = 3; break;
            case 'U':
            case 'T': code = 4; break;
            default: code = 0;
        }
        s.codes[k + 1] = code;
    }
    return s;
}

std::string echo_sequence(const std::string& seq) {
    std::string out = seq;
    for (char& c : out) {
        if (c == 'T')
            c = 'U';
        else if (c == 't')
            c = 'u';
    }
    return out;
}

long unbalanced_at(const std::string& structure) {
    long depth = 0;
    for (std::size_t k = 0; k < structure.size(); ++k) {
        if (structure[k] == '(') {
            ++depth;
        } else if (structure[k] == ')') {
            if (depth == 0) return static_cast<long>(k);
            --depth;
        }
    }
    return depth == 0 ? -1 : static_cast<long>(structure.size());
}

int energy_dcal(const ParamSet& p, const EncodedSequence& s, const std::string& db, int dangles,
                std::vector<std::string>* warnings) {
    const int n = s.length();
    if (static_cast<long>(db.size()) != n) {
        throw std::invalid_argument("structure length " + std::to_string(db.size()) + " differs from sequence length " +
                                    std::to_string(n));
    }
    if (dangles < 0 || dangles > 2) {
        throw std::invalid_argument("dangle model " + std::to_string(dangles) + " is not supported (0, 1 or 2)");
    }
    Workspace& ws = workspace();
    if (ws.open.size() < static_cast<std::size_t>(n) + 1) {
        ws.open.resize(n + 1);
        ws.stems.resize(n + 2);
        ws.loop_energy.resize(n + 2);
        ws.bracket_words.resize(n / 64 + 1);
    }
    ws.notes.clear();
    Evaluator ev(p, s, ws, warnings != nullptr);
    Open* open = ws.open.data();
    Stem* stems = ws.stems.data() + 1;
    stems[-1] = {-8, -8};
    int* loop_energy = ws.loop_energy.data();
    int depth = 0, nstems = 0;
    int64_t sum = 0;
    int max_abs = 0, loops = 0;
    const int8_t* S = s.codes.data();
    const char* d = db.data();
    uint64_t* words = ws.bracket_words.data();
    const int nwords = bracket_bits(d, n, words);
    for (int w = 0; w < nwords; ++w) {
        for (uint64_t bits = words[w]; bits != 0; bits &= bits - 1) {
            const int j = (w << 6) + __builtin_ctzll(bits) + 1;
            if (d[j - 1] == '(') {
                // The codes of i and i+1 travel with the open pair: no dependent loads at its close.
                open[depth++] = {j, nstems, S[j], S[j + 1]};
                continue;
            }
            if (depth == 0) {
                throw std::invalid_argument("unbalanced brackets: ')' at position " + std::to_string(j) +
                                            " has no partner");
            }
            const Open o = open[--depth];
            const int i = o.i;
            const int t = pair_type(o.code, S[j]);
            if (t == 7) ev.check_pair(i, j, t);
            const Stem top = stems[nstems - 1];  // stems[-1] is a sentinel
            int e;
            if (top.p == i + 1 && top.q == j - 1) {
                e = p.stack[t][pair_type(S[j - 1], o.next_code)];  // stacked pairs, the common case
            } else {
                const int m = nstems - o.first;
                if (m == 0)
                    e = ev.hairpin(i, j);
                else if (m == 1)
                    e = ev.interior(i, j, stems[o.first].p, stems[o.first].q);
                else
                    e = ev.multiloop(i, j, stems + o.first, m, dangles);
            }
            loop_energy[i] = e;
            sum += e;
            max_abs = std::max(max_abs, std::abs(e));
            ++loops;
            nstems = o.first;
            stems[nstems++] = {i, j};
        }
    }
    if (depth != 0) {
        throw std::invalid_argument("unbalanced brackets: '(' at position " + std::to_string(open[depth - 1].i) +
                                    " has no partner");
    }
    const int ext = ev.exterior(stems, nstems, dangles);
    int total;
    max_abs = std::max(max_abs, std::abs(ext));
    if (static_cast<int64_t>(max_abs) * (loops + 1) < kInf) {
        // No partial sum can reach the sentinel: absorbing and plain addition agree.
        total = static_cast<int>(sum + ext);
    } else {
        total = wrap32(SentinelSum(db, ws.loop_energy).total(ext));
    }
    if (warnings && !ws.notes.empty()) {
        std::stable_sort(ws.notes.begin(), ws.notes.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& w : ws.notes) warnings->push_back(std::move(w.second));
        ws.notes.clear();
    }
    return printed_value(total);
}

double energy(const std::string& seq, const std::string& structure, int dangles) {
    return energy_dcal(turner2004(), encode_sequence(seq), structure, dangles) / 100.0;
}

std::string format_energy(int dcal) {
    const int64_t v = dcal;
    const int64_t a = v < 0 ? -v : v;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", v < 0 ? "-" : "", static_cast<long long>(a / 100),
                  static_cast<long long>(a % 100));
    std::string out(buf);
    if (out.size() < 6) out.insert(0, 6 - out.size(), ' ');
    return out;
}

}  // namespace nnmodel
