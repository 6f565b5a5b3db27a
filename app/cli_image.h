// The image commands of the command line, which need no display:
//   karvin convert SRC DST [--quality N] [--progressive]
//   karvin info FILE
// Each takes argv[0] = its own name, prints errors to stderr and returns the exit code:
// 0 done, 1 the image could not be read or written, 2 wrong arguments.
#pragma once

int RunConvertCommand(int argc, char** argv);
int RunInfoCommand(int argc, char** argv);
