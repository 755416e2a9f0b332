#include "version/version.h"

#ifndef ZENTROLA_VERSION
#define ZENTROLA_VERSION "unknown"
#endif
#ifndef ZENTROLA_BUILD_TYPE
#define ZENTROLA_BUILD_TYPE "unknown"
#endif

const char* zentrola_version() { return ZENTROLA_VERSION; }

std::string version_text() {
    return std::string("zentrola ") + ZENTROLA_VERSION + "\n" +
           "energy model: nearest-neighbour loop model as in ViennaRNA RNAeval 2.7.1, 37 C, dangles d1 by default\n"
           "parameter set compiled in: Turner 2004 (rna_turner2004.par)\n"
           "build type: " ZENTROLA_BUILD_TYPE "\n";
}
