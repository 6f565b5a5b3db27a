// Making the pictures of a thumbnail grid on worker threads, so that a window stays responsive
// while hundreds of screen-sized images are read: TThumbnailMaker runs a picture function over
// a list of files and hands each picture to its owner on the owner's (the GUI) thread as soon
// as it is made. The WebLink viewer and the thumbnail viewer each give their own function.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TThumbnailMaker : public QObject {
    Q_OBJECT
public:
    // Makes the picture of one file; runs on a worker thread, so it may touch nothing but its
    // argument. Throws (EImageError, EFileError, ...) when the file cannot be read.
    using TPictureFunction = std::function<QImage(const std::string& path)>;

    struct TJob {
        quint64 Id; // whatever the caller knows the picture by
        std::string Path;
    };

    explicit TThumbnailMaker(TPictureFunction picture, QObject* parent = nullptr);
    // Stops the workers, waiting for the pictures they are at.
    ~TThumbnailMaker() override;

    // Drops the work in hand and makes the pictures of `jobs`, taken in their order by
    // `threads` workers (0: one per processor).
    void Start(std::vector<TJob> jobs, int threads = 0);
    // The picture function of the next Start (the work in hand keeps its own).
    void SetPictureFunction(TPictureFunction picture) { Picture = std::move(picture); }
    // Drops the work in hand: nothing more of it is reported.
    void Stop();
    // Between Start and Finished.
    bool Busy() const { return Batch != nullptr; }

signals:
    // On the maker's thread, one for each job in the order they are made: the picture, or a
    // null picture and the reason when the file could not be read.
    void Made(quint64 id, const QImage& thumbnail, const QString& error);
    // Every job of the last Start has been reported.
    void Finished();

private:
    struct TBatch;
    void Work(const std::shared_ptr<TBatch>& batch);
    void Report(const std::shared_ptr<TBatch>& batch, quint64 id, const QImage& thumbnail,
                const QString& error);

    TPictureFunction Picture;
    std::shared_ptr<TBatch> Batch;
};
