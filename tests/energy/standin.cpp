// Stand-in for the energy command, built once per behaviour (STANDIN_MODE). It reads
// sequence/structure line pairs on stdin like the real command and answers with
// energy = 1.0 - 0.5 * pairs (minus 10 for "-d2"), or misbehaves as its mode says.
// Every run appends "records <n> args <words...>" to standin.log in the working directory.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::string mode = STANDIN_MODE;
    std::vector<std::string> seqs, structs;
    std::string a, b;
    while (std::getline(std::cin, a) && std::getline(std::cin, b)) {
        seqs.push_back(a);
        structs.push_back(b);
    }
    std::ofstream log("standin.log", std::ios::app);
    log << "records " << seqs.size() << " args";
    for (int i = 1; i < argc; ++i) log << " " << argv[i];
    log << "\n";
    log.close();

    if (mode == "fail") return 3;
    if (mode == "signal") raise(SIGKILL);
    if (mode == "unlink") {
        char path[4096];
        const ssize_t n = readlink("/proc/self/fd/1", path, sizeof path - 1);
        if (n <= 0) return 4;
        path[n] = '\0';
        return unlink(path) == 0 ? 0 : 5;
    }
    const std::size_t count = mode == "short" && !seqs.empty() ? seqs.size() - 1 : seqs.size();
    const bool d2 = argc == 2 && std::strcmp(argv[1], "-d2") == 0;
    for (std::size_t k = 0; k < count; ++k) {
        int pairs = 0;
        for (char c : structs[k]) pairs += c == '(';
        std::printf("%s\n%s", seqs[k].c_str(), structs[k].c_str());
        if (mode == "garbage")
            std::printf(" (  abc)\n");
        else
            std::printf(" (%6.2f)\n", 1.0 - 0.5 * pairs - (d2 ? 10.0 : 0.0));
    }
    bool options_only = argc >= 2;  // the program name never reaches here as an argument
    for (int i = 1; i < argc; ++i) options_only = options_only && argv[i][0] == '-';
    return options_only ? 0 : 2;
}
