// Run configuration: key=value file with the search parameters and the ViennaRNA directory.
#pragma once

#include <string>

#include "energy/fileutil.h"

// Dangling-end option handed to RNAeval and used by the built-in model.
extern const std::string RNAevalOption;

struct Config {
    int MAXPOP;
    int MAXGEN;
    int MAXNOIMPROVE;
    int OFFSPRINGNUM;
    int MINSTRATEGYOFFSPRINGNUM;
    int PRESERVETOPNUM;
    int PRESERVERANNUM;
    bool SAVEGENE;
    std::string ViennaRNAPath;
    std::string RNAevalCmd;  // empty: energies come from the built-in model

    Config();

    // Reads the file at `path`; throws FatalError on an unusable file or entry.
    void setConfig(std::string path);
    // Without leading blanks/tabs and trailing blanks/tabs/newlines.
    static std::string trim(std::string s);
    // The integer field that `key` sets, or nullptr for any other key.
    int* numeric_field(const std::string& key);
    // Checks that RNAeval is present (when configured) and reports the settings.
    void selfcheck();
};
