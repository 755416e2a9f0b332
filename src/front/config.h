// Run configuration: key=value file with the search parameters and the ViennaRNA directory.
#pragma once

#include <string>

#include "search/config.h"

// Dangling-end option handed to RNAeval and used by the built-in model.
extern const std::string RNAevalOption;

// The search settings with the file they are read from.
struct Config : SearchConfig {
    std::string ViennaRNAPath;
    // Degrees Celsius (key TEMPERATURE): the built-in model's temperature, and "-T" for a
    // configured RNAeval when it is not 37.
    double TEMPERATURE = 37.0;
    std::string temperature_text;  // TEMPERATURE as written, handed on to RNAeval

    // Energy model choices, for the built-in model and passed on to RNAeval as -dN and -P FILE.
    int DANGLES = 1;           // 0, 1 or 2
    std::string ENERGYPARAMS;  // parameter file (ViennaRNA 2.0 format); empty: compiled-in Turner 2004

    // Reads the file at `path`; throws FatalError on an unusable file or entry (a TEMPERATURE
    // that is not a number in [-273.15, 100] included). Then makes DANGLES, ENERGYPARAMS and
    // TEMPERATURE the energy choice of every evaluation (set_energy_choice).
    void setConfig(std::string path);
    // True for the keys of the energy model block (DANGLES, ENERGYPARAMS); sets the field.
    bool energy_key(const std::string& key, const std::string& value);
    // Without leading blanks/tabs and trailing blanks/tabs/newlines.
    static std::string trim(std::string s);
    // The integer field that `key` sets, or nullptr for any other key.
    int* numeric_field(const std::string& key);
    // Checks that RNAeval is present (when configured) and reports the settings.
    void selfcheck();
};
