// The UCI handler fed arbitrary lines through the real command loop, after "uci".
#include "engine_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::runSession(data, size, "uci\n");
    return 0;
}
