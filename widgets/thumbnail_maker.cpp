#include "widgets/thumbnail_maker.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

struct TThumbnailMaker::TBatch {
    std::vector<TJob> Jobs;
    TPictureFunction Picture; // the batch's own copy: the maker's may change meanwhile
    std::atomic<std::size_t> Next = 0;
    std::atomic<bool> Stopped = false;
    std::vector<std::thread> Workers;
    std::size_t Reported = 0; // on the maker's thread only
};

TThumbnailMaker::TThumbnailMaker(TPictureFunction picture, QObject* parent)
    : QObject(parent), Picture(std::move(picture)) {}

TThumbnailMaker::~TThumbnailMaker() {
    Stop();
}

void TThumbnailMaker::Start(std::vector<TJob> jobs, int threads) {
    Stop();
    if (jobs.empty()) {
        emit Finished();
        return;
    }
    auto batch = std::make_shared<TBatch>();
    batch->Jobs = std::move(jobs);
    batch->Picture = Picture;
    const int processors = std::max(QThread::idealThreadCount(), 1);
    const std::size_t workers =
        std::min<std::size_t>(threads > 0 ? threads : processors, batch->Jobs.size());
    Batch = batch;
    for (std::size_t i = 0; i < workers; ++i)
        batch->Workers.emplace_back([this, batch] { Work(batch); });
}

void TThumbnailMaker::Stop() {
    if (!Batch)
        return;
    // The batch is forgotten first: what its workers have posted and not yet delivered is
    // dropped on arrival.
    const std::shared_ptr<TBatch> batch = std::move(Batch);
    batch->Stopped = true;
    for (std::thread& worker : batch->Workers)
        worker.join();
}

void TThumbnailMaker::Work(const std::shared_ptr<TBatch>& batch) {
    for (;;) {
        const std::size_t index = batch->Next++;
        if (index >= batch->Jobs.size() || batch->Stopped)
            return;
        const TJob& job = batch->Jobs[index];
        QImage thumbnail;
        QString error;
        try {
            thumbnail = batch->Picture(job.Path);
        } catch (const std::exception& failure) {
            error = QString::fromStdString(failure.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, batch, id = job.Id, thumbnail, error] { Report(batch, id, thumbnail, error); },
            Qt::QueuedConnection);
    }
}

void TThumbnailMaker::Report(const std::shared_ptr<TBatch>& batch, quint64 id,
                             const QImage& thumbnail, const QString& error) {
    if (batch != Batch)
        return;
    emit Made(id, thumbnail, error);
    // A receiver of Made may have stopped the batch or started another.
    if (batch != Batch)
        return;
    if (++batch->Reported == batch->Jobs.size()) {
        Stop();
        emit Finished();
    }
}
