// Settings of the evolutionary search (read by the front end from the configuration file).
#pragma once

#include <string>

struct SearchConfig {
    int MAXPOP = 100;                 // population size
    int MAXGEN = 20;                  // generations before only improving ones continue
    int MAXNOIMPROVE = 5;             // generations without a lower barrier before the stop
    int OFFSPRINGNUM = 100;           // offspring per parent, shared among the operators
    int MINSTRATEGYOFFSPRINGNUM = 3;  // least offspring of any operator slot
    int PRESERVETOPNUM = 10;          // best chains carried into the next pool
    int PRESERVERANNUM = 10;          // random chains carried into the next pool
    bool SAVEGENE = false;            // write outdir/generation/gen_* files
    int THREADS = 0;                  // threads of the search; 0: all the machine has (results do not depend on it)
    std::string RNAevalCmd;           // command prefix for energies; empty: the built-in model
};
