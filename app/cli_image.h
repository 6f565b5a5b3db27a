// The image commands of the command line, which need no display:
//   karvin convert SRC DST [--quality N] [--progressive]
//   karvin convert SRC... DIR --format EXT [--quality N] [--progressive] [--overwrite]
//   karvin info FILE
// Each takes argv[0] = its own name, prints errors to stderr and returns the exit code:
// 0 done, 1 an image could not be read or written (or the folder cannot take them), 2 wrong
// arguments.
#pragma once

int RunConvertCommand(int argc, char** argv);
int RunInfoCommand(int argc, char** argv);
