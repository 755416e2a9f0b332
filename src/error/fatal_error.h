// The one route for errors that end a run. Library code throws FatalError; only the two
// command mains (src/main.cpp, rnaeval/main.cpp) print it and choose the exit status, so a
// longer-lived caller (a test, the Python module) can catch it and carry on.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

enum class ErrorStream { out, err };  // where a command main prints the lines

class FatalError : public std::runtime_error {
public:
    // `lines` are printed in order, each followed by a newline, to `stream`; the program then
    // exits with `status` (0 for a requested stop such as -h).
    explicit FatalError(std::vector<std::string> lines, ErrorStream stream = ErrorStream::err, int status = 1)
        : std::runtime_error(join(lines)), lines_(std::move(lines)), stream_(stream), status_(status) {}

    // The same from a block of text whose lines end in '\n' (a last line without one counts too).
    static FatalError from_text(const std::string& text, ErrorStream stream = ErrorStream::err, int status = 1) {
        std::vector<std::string> lines;
        std::string::size_type b = 0;
        while (b < text.size()) {
            std::string::size_type e = text.find('\n', b);
            if (e == std::string::npos) e = text.size();
            lines.push_back(text.substr(b, e - b));
            b = e + 1;
        }
        return FatalError(std::move(lines), stream, status);
    }

    const std::vector<std::string>& lines() const { return lines_; }
    ErrorStream stream() const { return stream_; }
    int status() const { return status_; }

private:
    static std::string join(const std::vector<std::string>& lines) {
        std::string s;
        for (const std::string& l : lines) s += l + '\n';
        return s;
    }

    std::vector<std::string> lines_;
    ErrorStream stream_;
    int status_;
};

// Exit status of a broken internal invariant (EX_SOFTWARE).
constexpr int kInvariantStatus = 70;

[[noreturn]] inline void invariant_failed(const char* condition, const char* file, int line) {
    throw FatalError(
        {std::string("Internal error: ") + file + ":" + std::to_string(line) + ": `" + condition + "' does not hold"},
        ErrorStream::err, kInvariantStatus);
}

// An internal invariant, checked in every build type (unlike assert, NDEBUG keeps it).
#define ZENTROLA_CHECK(cond) ((cond) ? static_cast<void>(0) : invariant_failed(#cond, __FILE__, __LINE__))
