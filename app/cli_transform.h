// karvin transform SRC DST OP[:ARGS]...: reads an image file, runs one operation or a chain
// of them on it, and writes the result; no display needed. The file formats are those of
// the extensions of SRC and DST.
#pragma once

#include "imaging/dib_graphic.h"

#include <functional>
#include <stdexcept>
#include <string>

// An operation or argument the command does not know; the text says which and why.
class ETransformUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TTransformOperation {
    std::string Text; // as given on the command line
    std::function<void(TDibGraphic&)> Run;
};

// One operation as written on the command line: "gray", "rotate:30", "crop:0,0,10,10",
// "convert:color256:optimise", ... Throws ETransformUsage.
TTransformOperation ParseTransformOperation(const std::string& text);

// The command; argv[0] is "transform". Exit code 0 on success, 1 when the image cannot be
// read, transformed or written, 2 for a wrong command line.
int RunTransformCommand(int argc, char** argv);

inline constexpr const char* TransformCommandUsage =
    "karvin transform SRC DST OP[:ARGS]...   run image operations on a file";
