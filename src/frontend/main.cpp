// The engine program: start-up, the command loop, and quitting.
#include "frontend/command_loop.h"
#include "frontend/startup.h"

int main() {
    StartUp();
    CommandLoop();
    QuitEngine();
    return 0;
}
