// Reading what the program writes: lines, tab-separated fields, time stamps.
#pragma once

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Fields of `text` between separators; a trailing separator gives an empty last field.
inline std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> v;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, sep)) v.push_back(field);
    if (!text.empty() && text.back() == sep && sep != '\n') v.push_back("");
    return v;
}

inline std::vector<std::string> lines_of(const std::string& text) { return split(text, '\n'); }

// The rows of a tab-separated file after its header line, as fields.
inline std::vector<std::vector<std::string>> read_tsv(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    std::vector<std::vector<std::string>> rows;
    while (std::getline(in, line)) rows.push_back(split(line, '\t'));
    return rows;
}

// An asctime() stamp without its newline: "Mon Dec  7 02:08:03 2026".
inline bool is_time_line(const std::string& s) {
    if (s.size() != 24) return false;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(s[k]);
        const bool ok = k == 3 || k == 7 || k == 19 ? c == ' '
                        : k == 13 || k == 16        ? c == ':'
                        : k == 8                    ? c == ' ' || std::isdigit(c)
                        : k >= 9                    ? std::isdigit(c) || (k == 10 && c == ' ')
                                                    : std::isalpha(c);
        if (!ok) return false;
    }
    return true;
}

inline std::string without_time_lines(const std::string& text) {
    std::string out;
    for (const std::string& line : lines_of(text))
        if (!is_time_line(line)) out += line + "\n";
    return out;
}
