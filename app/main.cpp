#include "app/command_line.h"

int main(int argc, char** argv) {
    if (auto exitCode = RunCommandLine(argc, argv))
        return *exitCode;
    return 0;
}
