// The WinBoard/console command handler fed arbitrary lines through the real command loop.
#include "engine_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::runSession(data, size, "");
    return 0;
}
