// One libFuzzer target; ZENTROLA_FUZZ_TARGET names its entry function in entries.h.
#include <cstddef>
#include <cstdint>

#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzentry::run(ZENTROLA_FUZZ_TARGET, data, size);
    return 0;
}
