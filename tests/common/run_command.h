// Runs a program in a scratch directory and captures what it writes, for end-to-end tests.
#pragma once

#include <sys/wait.h>

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct CommandResult {
    int status;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out << text;
}

// A fresh, empty directory under the system's temporary directory.
inline std::string make_scratch_dir(const std::string& tag) {
    std::string tmpl = std::string("/tmp/zentrola_") + tag + "_XXXXXX";
    char* made = mkdtemp(&tmpl[0]);
    return made ? std::string(made) : std::string();
}

// Removes a directory made by make_scratch_dir, with everything in it.
inline void remove_scratch_dir(const std::string& dir) {
    if (dir.rfind("/tmp/zentrola_", 0) == 0) {
        const std::string cmd = "rm -rf '" + dir + "'";
        if (std::system(cmd.c_str()) != 0) return;
    }
}

// Runs `command` (a shell command line) with `dir` as working directory.
inline CommandResult run_in(const std::string& dir, const std::string& command) {
    const std::string out = dir + "/.stdout", err = dir + "/.stderr";
    const std::string full = "cd '" + dir + "' && " + command + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(full.c_str());
    CommandResult r;
    r.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    r.out = read_file(out);
    r.err = read_file(err);
    return r;
}
