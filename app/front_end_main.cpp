// "karvin": the image commands without the toolkit; everything else in the desktop program
// (app/command_line.h).
#include "app/command_line.h"

int main(int argc, char** argv) {
    if (auto exitCode = RunFrontEndCommand(argc, argv))
        return *exitCode;
    return StartDesktopProgram(argv);
}
