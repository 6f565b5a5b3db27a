// A print host without a window: image "files" held in memory, a view and a clipboard that
// are plain pictures, and a record of everything the layouts told the user.
#pragma once

#include "output/print_layouts.h"

#include <deque>
#include <map>
#include <utility>
#include <vector>

class TFakePrintHost : public IPrintHost {
public:
    std::map<QString, TDibGraphic> Files; // a path not in here does not exist
    TDibGraphic View;
    TDibGraphic Clipboard;
    QStringList Loaded;
    int ClipboardPasses = 0;
    QStringList Refused;
    QStringList Failures;
    std::deque<std::optional<QString>> Captions; // answers of the input box; none left: cancel
    QStringList CaptionTitles;
    std::vector<double> Waits;
    std::vector<std::pair<int, int>> Progress; // position, maximum
    int ProgressEnded = 0;

    const TDibGraphic* LoadImage(const QString& path) override {
        const auto file = Files.find(path);
        if (file == Files.end())
            return nullptr;
        Loaded << path;
        View = file->second;
        return &View;
    }
    TDibGraphic ViewPicture() override { return View; }
    void ShowInView(const TDibGraphic& picture) override { View = picture; }
    const TDibGraphic& PassThroughClipboard(const TDibGraphic& picture) override {
        ++ClipboardPasses;
        Clipboard = picture;
        View = picture;
        return View;
    }
    void ProcessEvents() override {}
    void WaitSeconds(double seconds) override { Waits.push_back(seconds); }
    void RefuseImage(const QString& path) override { Refused << path; }
    void ShowPrinterFailure(const QString& detail) override { Failures << detail; }
    std::optional<QString> AskCaption(const QString& title) override {
        CaptionTitles << title;
        if (Captions.empty())
            return std::nullopt;
        auto answer = Captions.front();
        Captions.pop_front();
        return answer;
    }
    void SetProgress(int position, int maximum) override {
        Progress.emplace_back(position, maximum);
    }
    void EndProgress() override { ++ProgressEnded; }
};
