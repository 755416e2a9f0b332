// Reading what the program writes: lines, tab-separated fields, time stamps.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Fields of `text` between separators.
inline std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> v;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, sep)) v.push_back(field);
    return v;
}

inline std::vector<std::string> lines_of(const std::string& text) { return split(text, '\n'); }

// The rows of a tab-separated file after its header line, as fields.
inline std::vector<std::vector<std::string>> read_tsv(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) rows.push_back(split(line, '\t'));
    if (!rows.empty()) rows.erase(rows.begin());
    return rows;
}

// An asctime() stamp without its newline: "Mon Dec  7 02:08:03 2026".
inline bool is_time_line(const std::string& s) {
    return s.size() == 24 && s[3] == ' ' && s[7] == ' ' && s[10] == ' ' && s[13] == ':' && s[16] == ':' &&
           s[19] == ' ' && s.find_first_not_of("0123456789", 20) == std::string::npos;
}

inline std::string without_time_lines(const std::string& text) {
    std::string out;
    for (const std::string& line : lines_of(text))
        if (!is_time_line(line)) out += line + "\n";
    return out;
}
