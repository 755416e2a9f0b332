#include "front/config.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "energy/evaluator.h"
#include "error/fatal_error.h"
#include "files/files.h"
#include "nnmodel/nnmodel.h"

const std::string RNAevalOption = "d1";

std::string Config::trim(std::string s) {
    std::string::size_type b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
    s.erase(0, b);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n')) s.pop_back();
    return s;
}

namespace {

const char* const kConfigHint = "in your configuration file (by default: config).";

// Reads a leading decimal integer of `value`; text after it is ignored.
void read_int(const std::string& key, const std::string& value, int& field) {
    std::istringstream in(value);
    int v = 0;
    if (!(in >> v)) {
        throw FatalError({"Can not read the value of " + key + " = " + value + " as an integer " + kConfigHint,
                          "Please update it."});
    }
    field = v;
}

// Degrees Celsius, the whole value a number within the range the energy model covers.
double read_temperature(const std::string& value) {
    char* end = nullptr;
    const double t = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(t))
        throw FatalError({"TEMPERATURE = " + value + " is not a number " + kConfigHint, "Please update it."});
    if (t < -nnmodel::kKelvin || t > nnmodel::kMaxCelsius) {
        throw FatalError({"TEMPERATURE = " + value + " is outside -273.15 to 100 (degrees Celsius) " + kConfigHint,
                          "Please update it."});
    }
    return t;
}

}  // namespace

bool Config::energy_key(const std::string& key, const std::string& value) {
    if (key == "DANGLES") {
        if (value != "0" && value != "1" && value != "2")
            throw FatalError({"Can not recognize DANGLES = " + value,
                              "Please specify 0, 1 or 2 in your configuration file (by default: config)."});
        DANGLES = value[0] - '0';
        return true;
    }
    if (key == "ENERGYPARAMS") {
        ENERGYPARAMS = value;
        return true;
    }
    return false;
}

int* Config::numeric_field(const std::string& key) {
    if (key == "MAXPOP") return &MAXPOP;
    if (key == "MAXGEN") return &MAXGEN;
    if (key == "MAXNOIMPROVE") return &MAXNOIMPROVE;
    if (key == "OFFSPRINGNUM") return &OFFSPRINGNUM;
    if (key == "MINSTRATEGYOFFSPRINGNUM") return &MINSTRATEGYOFFSPRINGNUM;
    if (key == "PRESERVETOPNUM") return &PRESERVETOPNUM;
    if (key == "PRESERVERANNUM") return &PRESERVERANNUM;
    return nullptr;
}

void Config::setConfig(std::string path) {
    if (!fexists(path.c_str())) {
        throw FatalError({"The specified config file does not exist."});
    }
    std::ifstream in(path.c_str());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::string::size_type eqpos = line.find('=');
        if (eqpos == std::string::npos) continue;
        const std::string key = trim(line.substr(0, eqpos));
        const std::string value = trim(line.substr(eqpos + 1));

        if (key.find("ViennaRNAPackage") != std::string::npos) {
            ViennaRNAPath = trim(value);
            if (ViennaRNAPath.empty()) {
                // No directory given: the built-in model is used.
                RNAevalCmd.clear();
                continue;
            }
            if (ViennaRNAPath.back() != '/') ViennaRNAPath += "/";
            RNAevalCmd = ViennaRNAPath + "RNAeval -" + RNAevalOption + " ";
        } else if (energy_key(key, value)) {
            continue;
        } else if (int* field = numeric_field(key)) {
            read_int(key, value, *field);
        } else if (key == "SAVEGENE") {
            if (value == "YES" || value == "yes" || value == "Yes") {
                SAVEGENE = true;
            } else if (value == "NO" || value == "No" || value == "no") {
                SAVEGENE = false;
            } else {
                throw FatalError({"Can not recognize SAVEGENE = " + value,
                                  "Please specify YES or NO in your configuration file (by default: config)."});
            }
        } else if (key == "THREADS") {
            read_int(key, value, THREADS);
            if (THREADS < 1)
                throw FatalError({"THREADS = " + value + " is not a positive integer " + kConfigHint,
                                  "Please update it."});
        } else if (key == "TEMPERATURE") {
            TEMPERATURE = read_temperature(value);
            temperature_text = value;
        } else {
            throw FatalError({"Can not analysis " + line + kConfigHint, "Please update it."});
        }
    }
    // Energy model block: known only after the whole file, as the keys may come in any order.
    EnergyChoice choice;
    choice.dangles = DANGLES;
    choice.params_file = ENERGYPARAMS;
    choice.temperature = TEMPERATURE;
    try {
        set_energy_choice(choice);
    } catch (const std::exception& e) {
        throw FatalError({"Can not use ENERGYPARAMS = " + ENERGYPARAMS + ": " + e.what(),
                          "Please name a parameter file in the ViennaRNA 2.0 format, e.g. data/rna_turner1999.par, "
                          "in your configuration file (by default: config)."});
    }
    if (!RNAevalCmd.empty()) {
        if (DANGLES != 1) RNAevalCmd = ViennaRNAPath + "RNAeval -d" + std::to_string(DANGLES) + " ";
        if (TEMPERATURE != 37.0) RNAevalCmd += "-T" + temperature_text + " ";
        std::cout << "RNAeval is " << RNAevalCmd << (ENERGYPARAMS.empty() ? "" : "-P " + ENERGYPARAMS) << std::endl;
    }
}

void Config::selfcheck() {
    if (RNAevalCmd.empty()) {
        std::cout << "Free energies: built-in nearest-neighbour model" << std::endl;
    } else {
        std::string program = ViennaRNAPath;
        if (ViennaRNAPath.find("RNAeval") == std::string::npos) {
            std::cerr << "ViennaRNAPath=" << ViennaRNAPath << std::endl;
            program += "RNAeval";
        }
        if (!fexists(program.c_str())) {
            throw FatalError({"Can not find RNAeval at " + program});
        }
    }
    if (SAVEGENE)
        std::cout << "Individuals of each generation will be saved to outdir/generation/gen_i." << std::endl;
    else
        std::cout << "Individuals of each generation will not be saved." << std::endl;
}
