#include "methods/common.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "nnmodel/move.h"

namespace methods {

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void check_problem(const Problem& pb) {
    const std::size_t n = pb.sequence.size();
    if (n == 0) throw std::invalid_argument("the sequence is empty");
    for (const std::string* s : {&pb.A, &pb.B}) {
        const char* name = s == &pb.A ? "A" : "B";
        if (s->size() != n)
            throw std::invalid_argument(std::string("structure ") + name + " is not as long as the sequence");
        for (char c : *s)
            if (c != '.' && c != '(' && c != ')')
                throw std::invalid_argument(std::string("structure ") + name + " has a character other than . ( )");
        const PairTable pt = pair_table(*s);
        for (std::size_t k = 0; k < n; ++k)
            if (pt[k] > static_cast<int>(k) && pt[k] - static_cast<int>(k) - 1 < 3)
                throw std::invalid_argument(std::string("structure ") + name + " has a hairpin shorter than 3");
    }
}

Prepared prepare(const Problem& pb) {
    check_problem(pb);
    Prepared pr;
    pr.params = &model_params();
    pr.dangles = model_dangles();
    pr.seq = nnmodel::encode_sequence(pb.sequence);
    pr.ptA = pair_table(pb.A);
    pr.ptB = pair_table(pb.B);
    pr.EA = nnmodel::energy_dcal(model_params(), pr.seq, pb.A, model_dangles());
    pr.EB = nnmodel::energy_dcal(model_params(), pr.seq, pb.B, model_dangles());
    pr.bpdist = static_cast<int>(pairs_missing(pr.ptA, pr.ptB).size() + pairs_missing(pr.ptB, pr.ptA).size());
    return pr;
}

std::vector<Move> pairs_missing(const PairTable& a, const PairTable& b) {
    std::vector<Move> out;
    for (int k = 0; k < static_cast<int>(a.size()); ++k)
        if (a[k] > k && b[k] != a[k]) out.push_back({false, k, a[k]});
    return out;
}

void replay(const Problem& pb, const Prepared& pr, PathResult& r, bool keep) {
    std::string s = pb.A;
    PairTable pt = pr.ptA;
    r.structures.clear();
    r.structures.reserve(keep ? r.moves.size() + 1 : 1);
    r.structures.push_back(s);
    r.energies.assign(1, pr.EA);
    for (const Move& m : r.moves) {
        s[m.i] = m.add ? '(' : '.';
        s[m.j] = m.add ? ')' : '.';
        pt[m.i] = m.add ? m.j : -1;
        pt[m.j] = m.add ? m.i : -1;
        if (keep) r.structures.push_back(s);
        r.energies.push_back(nnmodel::energy_dcal_pt(*pr.params, pr.seq, pt, pr.dangles));
    }
    if (s != pb.B) throw std::logic_error("a path does not end at B");
    r.barrier = *std::max_element(r.energies.begin(), r.energies.end()) - pr.EA;
}

std::vector<int> path_energies(const Prepared& pr, const std::vector<Move>& moves) {
    // As nnmodel::move_delta decides: local sums only with the compiled-in set, up to its length.
    static const int local = nnmodel::prepare_moves(nnmodel::turner2004()).max_length;
    const bool whole = pr.params != &nnmodel::turner2004() || pr.seq.length() > local;
    std::vector<int> energies{pr.EA};
    energies.reserve(moves.size() + 1);
    PairTable pt = pr.ptA;
    for (const Move& m : moves) {
        const int before = energies.back();
        if (!whole) energies.push_back(before + methods::move_delta(*pr.params, pr.seq, pt, m.i, m.j, pr.dangles));
        pt[m.i] = m.add ? m.j : -1;
        pt[m.j] = m.add ? m.i : -1;
        if (whole) energies.push_back(nnmodel::energy_dcal_pt(*pr.params, pr.seq, pt, pr.dangles));
    }
    return energies;
}

std::size_t path_bytes(std::size_t n, std::size_t steps, bool keep) {
    const std::size_t structure = n + 1 + sizeof(std::string);
    return (steps + 1) * (sizeof(Move) + sizeof(int) + (keep ? structure : 0)) + (keep ? 0 : structure);
}

double path_write_seconds(const Problem& pb) {
    const PairTable a = pair_table(pb.A), b = pair_table(pb.B);
    const std::size_t moves = pairs_missing(a, b).size() + pairs_missing(b, a).size();
    return kSecondsPerPathByte * static_cast<double>(pb.sequence.size() + 1) * static_cast<double>(moves + 1);
}

void check_memory_floor(const Prepared& pr, const Options& opt) {
    const std::size_t n = pr.seq.length();
    const std::size_t need = kBaseBytes + path_bytes(n, static_cast<std::size_t>(pr.bpdist), opt.keep_structures);
    if ((opt.memory_mib << 20) >= need) return;
    char line[240];
    std::snprintf(line, sizeof line,
                  "the memory cap of %zu MiB is too small for this problem: the program and its shortest path "
                  "(%d moves on %zu bases) need %zu MiB",
                  opt.memory_mib, pr.bpdist, n, (need >> 20) + 1);
    throw std::invalid_argument(line);
}

int structure_energy(const std::string& sequence, const std::string& structure) {
    return nnmodel::energy_dcal(model_params(), nnmodel::encode_sequence(sequence), structure, model_dangles());
}

PathResult path_of(const std::string& sequence, const std::vector<std::string>& structures) {
    if (structures.empty()) throw std::invalid_argument("a path needs at least one structure");
    const Problem pb{sequence, structures.front(), structures.back()};
    const Prepared pr = prepare(pb);
    PathResult r;
    for (std::size_t k = 1; k < structures.size(); ++k) {
        const std::string& a = structures[k - 1];
        const std::string& b = structures[k];
        const PairTable pa = pair_table(a), pb2 = pair_table(b);
        std::vector<Move> del = pairs_missing(pa, pb2), add = pairs_missing(pb2, pa);
        if (del.size() + add.size() != 1)
            throw std::invalid_argument("structures " + std::to_string(k - 1) + " and " + std::to_string(k) +
                                        " are not one move apart");
        Move m = del.empty() ? add[0] : del[0];
        m.add = del.empty();
        r.moves.push_back(m);
    }
    replay(pb, pr, r);
    r.lower_bound = std::max(0, pr.EB - pr.EA);
    r.proved = r.barrier == r.lower_bound;
    if (r.proved) r.stop = StopReason::proved;
    return r;
}

const char* stop_name(StopReason s) {
    switch (s) {
        case StopReason::proved: return "proved";
        case StopReason::budget: return "budget";
        case StopReason::memory: return "memory";
        case StopReason::interrupted: return "interrupted";
    }
    return "budget";
}

bool cancelled(const Options& opt) { return opt.cancel && opt.cancel->load(std::memory_order_relaxed); }

}  // namespace methods
