// Converting image files into another format, one file or many into one folder. Plain C++, for
// the command line and any other front end: files are read and written through the format
// layer (format_registry.h), many of them at once on the processors this process may use.
//
// A batch is planned first (PlanBatchConversion): the target of each source is its name with
// the new extension in the target folder; the same file named twice is converted once, and a
// second source that would give a file already given by another one (a.bmp and a.gif to
// a.png) fails instead of overwriting it. Then RunBatchConversion converts the plan and
// reports each file in the plan's order.
#pragma once

#include "imaging/image_codecs.h"

#include <functional>
#include <string>
#include <vector>

// Reads `source` and writes it as `target` in the format of target's extension (JPEG from
// true colour, GIF reduced to 256 colours). With `replace` false nothing is read or written
// when an entry named `target` exists, also one that appears while the file is being written,
// and false is returned. Throws EImageError when the file cannot be read or written.
bool ConvertImageFile(const std::string& source, const std::string& target,
                      const TJpegOptions& jpeg, bool replace);

// Throws EImageError, saying why, unless `folder` is a folder this process may make files in.
void CheckTargetFolder(const std::string& folder);

struct TBatchItem {
    std::string Source;
    std::string Target;
    // Why the item fails without being read (its target is another source's); empty for one
    // to convert.
    std::string Problem;
};

// The items for `sources` converted into `folder` under their names with `extension` (given
// with its dot, as it is to appear: ".png", ".PNG"). Sources that name the same file (by
// identity, however they are spelt) give one item, the first.
std::vector<TBatchItem> PlanBatchConversion(const std::vector<std::string>& sources,
                                            const std::string& folder,
                                            const std::string& extension);

struct TBatchOptions {
    TJpegOptions Jpeg;
    bool Overwrite = false; // replace existing targets; otherwise they are left as they are
    unsigned Threads = 0;   // files converted at once; 0 for one per processor
};

enum class TBatchOutcome { Converted, Exists, Failed };

struct TBatchResult {
    const TBatchItem* Item = nullptr;
    TBatchOutcome Outcome = TBatchOutcome::Failed;
    std::string Message; // why it failed
};

struct TBatchSummary {
    int Converted = 0;
    int Exists = 0;
    int Failed = 0;
};

// Converts the items, several at once. Every item is reported once, in the order of `items`,
// as soon as it and those before it are done; `report` runs on one thread at a time. A file
// that fails does not stop the others.
TBatchSummary RunBatchConversion(const std::vector<TBatchItem>& items, const TBatchOptions& options,
                                 const std::function<void(const TBatchResult&)>& report);
