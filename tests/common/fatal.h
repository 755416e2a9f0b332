// Checks the FatalError that library code throws where the program would end.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "error/fatal_error.h"

// `f` must throw a FatalError whose text contains a match of `regex`, bound for `stream`
// with exit status `status`.
template <typename F>
void expect_fatal(F f, const std::string& regex, ErrorStream stream = ErrorStream::err, int status = 1) {
    try {
        f();
    } catch (const FatalError& e) {
        EXPECT_TRUE(std::regex_search(e.what(), std::regex(regex))) << e.what() << "\ndoes not match " << regex;
        EXPECT_TRUE(e.stream() == stream) << e.what();
        EXPECT_EQ(e.status(), status) << e.what();
        return;
    }
    ADD_FAILURE() << "no FatalError thrown; expected " << regex;
}
