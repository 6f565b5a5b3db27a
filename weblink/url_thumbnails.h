// The pictures of the WebLink viewer's grid: each linked image fitted by its aspect ratio into
// a 120 x 90 cell with the Hermite filter, centred on white.
//
// They are made on worker threads, so that the viewer stays responsive while hundreds of
// screen-sized images are read: TThumbnailMaker reads and fits the files and hands each cell
// picture to the viewer on its own (the GUI) thread as soon as it is made. The fitting is the
// same code on every thread, so a thumbnail is the same whichever thread made it.
#pragma once

#include "imaging/dib_graphic.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

inline constexpr int WebLinkThumbWidth = 120;
inline constexpr int WebLinkThumbHeight = 90;

// The cell picture of an image: white, with the image fitted into it (FitThumbnail, Hermite)
// at the margins that centre it. An empty image throws "Source bitmap too small".
QImage WebLinkThumbnail(const TDibGraphic& picture);
// The cell picture of an image file, read through the format of its extension. Throws the
// reader's error (EImageError, EFileError) when the file cannot be read.
QImage LoadWebLinkThumbnail(const std::string& path);

class TThumbnailMaker : public QObject {
    Q_OBJECT
public:
    struct TJob {
        quint64 Id; // whatever the caller knows the picture by
        std::string Path;
    };

    explicit TThumbnailMaker(QObject* parent = nullptr);
    // Stops the workers, waiting for the pictures they are at.
    ~TThumbnailMaker() override;

    // Drops the work in hand and makes the pictures of `jobs`, taken in their order by
    // `threads` workers (0: one per processor).
    void Start(std::vector<TJob> jobs, int threads = 0);
    // Drops the work in hand: nothing more of it is reported.
    void Stop();
    // Between Start and Finished.
    bool Busy() const { return Batch != nullptr; }

signals:
    // On the maker's thread, one for each job in the order they are made: the cell picture,
    // or a null picture and the reason when the file could not be read.
    void Made(quint64 id, const QImage& thumbnail, const QString& error);
    // Every job of the last Start has been reported.
    void Finished();

private:
    struct TBatch;
    void Work(const std::shared_ptr<TBatch>& batch);
    void Report(const std::shared_ptr<TBatch>& batch, quint64 id, const QImage& thumbnail,
                const QString& error);

    std::shared_ptr<TBatch> Batch;
};
