// The beam search of direct paths alone (no proof) over a TSV of instances (columns id,
// sequence, A, B): barrier (kcal/mol), CPU seconds and parts, per row, for one setting.
//
//   direct_time FILE [WIDTH|4d] [split|whole] [SECONDS]
//
// WIDTH 0 (default) is the default width, "4d" the width of 4 x the whole distance; "whole"
// searches without splitting at shared pairs. "4d whole" is the beam as it was before the split
// and the width cap. CPU time, not wall time: it holds on a loaded machine.
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "decompose/decompose.h"
#include "methods/loop_moves.h"
#include "methods/methods.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: direct_time FILE [WIDTH|4d] [split|whole] [SECONDS]\n");
        return 1;
    }
    std::ifstream in(argv[1]);
    const std::string width = argc > 2 ? argv[2] : "0";
    const bool split = argc > 3 ? std::string(argv[3]) != "whole" : true;
    methods::Options opt;
    opt.split = split;
    opt.seconds = argc > 4 ? std::atof(argv[4]) : 3600;
    std::string line;
    std::printf("id\tlen\tbp_distance\tparts\twidth\tbarrier\tcpu_s\n");
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string id, seq, A, B;
        std::getline(f, id, '\t');
        std::getline(f, seq, '\t');
        std::getline(f, A, '\t');
        std::getline(f, B, '\t');
        if (id == "id" || B.empty()) continue;
        const auto parts = decompose::split(seq, A, B);
        const methods::PairTable pa = methods::pair_table(A), pb = methods::pair_table(B);
        int d = 0;
        for (int k = 0; k < static_cast<int>(seq.size()); ++k) d += (pa[k] > k && pb[k] != pa[k]) + (pb[k] > k && pa[k] != pb[k]);
        opt.width = width == "4d" ? 4 * d : std::atoi(width.c_str());
        const std::clock_t c0 = std::clock();
        const methods::PathResult r = methods::direct_path({seq, A, B}, opt);
        const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        std::printf("%s\t%zu\t%d\t%zu\t%d\t%.2f\t%.3f\n", id.c_str(), seq.size(), d, split ? parts.size() : 1,
                    opt.width, r.barrier_kcal(), cpu);
        std::fflush(stdout);
    }
    return 0;
}
