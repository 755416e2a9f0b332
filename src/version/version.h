// Name, version and build of the program, for --version, log headers and picture notes.
#pragma once

#include <string>

// The version number alone, e.g. "1.0.0" (static storage; never null).
const char* zentrola_version();

// The lines --version prints, each ending in '\n': name and version, energy model and
// compiled-in parameter set, build type.
std::string version_text();
