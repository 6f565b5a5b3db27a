#include "imaging/batch_conversion.h"

#include "base/worker_threads.h"
#include "imaging/dib_graphic.h"
#include "imaging/format_registry.h"
#include "imaging/true_color.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name without its extension: "shot.bmp" -> "shot"; a name without a dot, or whose only
// dot starts it (".profile"), stays whole.
std::string StemOf(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool EntryExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

bool ConvertImageFile(const std::string& source, const std::string& target,
                      const TJpegOptions& jpeg, bool replace) {
    const TImageFileFormat& format = ImageFileFormatOf(target);
    // Looked at first so that an existing target costs no decoding; the write itself still
    // refuses a target that appears meanwhile.
    if (!replace && EntryExists(target))
        return false;
    TDibGraphic image = LoadImageFile(source);
    // JPEG takes grey or true colour; the program always hands it true colour.
    if (format.Codec == TImageCodec::Jpeg && image.ImageFormat() != ifTrueColor)
        image = ExpandToTrueColor(image);
    if (!replace)
        return SaveNewImageFile(image, target, jpeg);
    SaveImageFile(image, target, jpeg);
    return true;
}

void CheckTargetFolder(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        throw EImageError("Cannot write into the folder \"" + folder +
                          "\": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        throw EImageError("Cannot write into the folder \"" + folder + "\": it is not a folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw EImageError("Cannot write into the folder \"" + folder +
                          "\": " + std::strerror(errno));
}

std::vector<TBatchItem> PlanBatchConversion(const std::vector<std::string>& sources,
                                            const std::string& folder,
                                            const std::string& extension) {
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::vector<TBatchItem> items;
    std::set<std::pair<dev_t, ino_t>> filesSeen;
    std::set<std::string> namesSeen;            // sources that cannot be looked at, by their text
    std::map<std::string, std::string> targets; // target -> the source it is made from
    for (const std::string& source : sources) {
        struct stat info {};
        const bool known = ::stat(source.c_str(), &info) == 0;
        if (known ? !filesSeen.insert({info.st_dev, info.st_ino}).second
                  : !namesSeen.insert(source).second)
            continue;
        TBatchItem item{source, prefix + StemOf(FileNameOf(source)) + extension, {}};
        const auto [earlier, isNew] = targets.emplace(item.Target, source);
        if (!isNew)
            item.Problem = "\"" + item.Target + "\" is made from \"" + earlier->second +
                           "\" already; rename one of them";
        items.push_back(std::move(item));
    }
    return items;
}

TBatchSummary RunBatchConversion(const std::vector<TBatchItem>& items, const TBatchOptions& options,
                                 const std::function<void(const TBatchResult&)>& report) {
    std::vector<TBatchResult> results(items.size());
    std::vector<char> done(items.size(), 0);
    std::atomic<std::size_t> next{0};
    std::mutex lock; // guards `done`, `nextToReport`, `summary` and the calls of `report`
    std::size_t nextToReport = 0;
    TBatchSummary summary;
    std::exception_ptr reportError;

    auto work = [&] {
        for (;;) {
            const std::size_t index = next++;
            if (index >= items.size())
                return;
            const TBatchItem& item = items[index];
            TBatchResult result;
            result.Item = &item;
            if (!item.Problem.empty()) {
                result.Message = item.Problem;
            } else {
                try {
                    result.Outcome =
                        ConvertImageFile(item.Source, item.Target, options.Jpeg, options.Overwrite)
                            ? TBatchOutcome::Converted
                            : TBatchOutcome::Exists;
                } catch (const std::exception& error) {
                    result.Message = error.what();
                }
            }

            std::lock_guard guard(lock);
            results[index] = std::move(result);
            done[index] = 1;
            for (; nextToReport < items.size() && done[nextToReport]; ++nextToReport) {
                const TBatchResult& ready = results[nextToReport];
                switch (ready.Outcome) {
                case TBatchOutcome::Converted:
                    ++summary.Converted;
                    break;
                case TBatchOutcome::Exists:
                    ++summary.Exists;
                    break;
                case TBatchOutcome::Failed:
                    ++summary.Failed;
                    break;
                }
                if (!reportError) {
                    try {
                        report(ready);
                    } catch (...) {
                        // The files go on being converted; the caller learns of it at the end.
                        reportError = std::current_exception();
                    }
                }
                results[nextToReport].Message.clear();
            }
        }
    };

    const unsigned wanted = options.Threads != 0 ? options.Threads : ProcessorCount();
    const std::size_t threadCount = std::min<std::size_t>({wanted, items.size(), 64});
    RunOnThreads(threadCount, work);
    if (reportError)
        std::rethrow_exception(reportError);
    return summary;
}
