#include "files/files.h"

#include <fstream>

bool fexists(const char* path) {
    std::ifstream f(path);
    return f.good();
}
