// Run configuration: key=value file with the search parameters and the ViennaRNA directory.
#pragma once

#include <string>

#include "search/config.h"

// Dangling-end option handed to RNAeval and used by the built-in model.
extern const std::string RNAevalOption;

// The search settings with the file they are read from.
struct Config : SearchConfig {
    std::string ViennaRNAPath;

    // Reads the file at `path`; throws FatalError on an unusable file or entry.
    void setConfig(std::string path);
    // Without leading blanks/tabs and trailing blanks/tabs/newlines.
    static std::string trim(std::string s);
    // The integer field that `key` sets, or nullptr for any other key.
    int* numeric_field(const std::string& key);
    // Checks that RNAeval is present (when configured) and reports the settings.
    void selfcheck();
};
