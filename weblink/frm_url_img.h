// The WebLink viewer: every image of the link store as a thumbnail, the selected one at full
// size with the address of the page it was captured from; the page opened again, the image's
// note viewed or edited, the image deleted.
//
// The window reads the store when it is made. Each time it is shown, and again after the note
// window, the loading pass drops the links whose images are gone (with their notes) or that
// cannot be links at all, rewrites the store when it dropped any, says what it dropped, and
// makes the thumbnails anew on worker threads; they appear in the grid as they are made, and
// the window can be used meanwhile. A pass that leaves nothing to show closes the window a
// second later.
#pragma once

#include "platform/services.h"
#include "weblink/link_store.h"

#include <QDialog>
#include <QImage>
#include <QSet>
#include <QStringList>

#include <vector>

class IMainView;
class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPainter;
class QProgressBar;
class QTimer;
class TImageScrollBox;
class TThumbGrid;
class TThumbnailMaker;

// The launchers (the main window's File > "&WebLink Viewer" and its tool button): shows the
// viewer over the main window when the link store holds any link; says that there is nothing
// to show otherwise. `thumbnailRebuild` is given by the thumbnail viewer, whose thumbnails
// must be made again when the viewer deletes an image of the main window's list.
void StartWebImageLauncher(const TServices& services, IMainView& mainView,
                           bool* thumbnailRebuild = nullptr);

class TfrmURLImg : public QDialog {
    Q_OBJECT
public:
    // Above this many links the loading pass recommends deleting some.
    static constexpr int RecommendedLinks = 500;

    // Reads the link store (FormCreate); throws EFileError when it cannot be read.
    TfrmURLImg(const TServices& services, IMainView& mainView, QWidget* parent = nullptr);
    ~TfrmURLImg() override;

    void FormCreate();
    // The loading pass.
    void FormActivate();
    void ThumbGridDrawCell(QPainter& painter, const QRect& cell, int column, int row);
    void ThumbGridSelectCell(int column, int row);
    // Opens the selected image's page in the web browser.
    void GotoURL2Click();
    // Shows the selected image's note to read or change, or offers to write one.
    void ViewComment1Click();
    // Deletes the selected image, its note and its link, after a question.
    void DeleteSelectedImages2Click();
    void Exit1Click();
    void ShutDownTimerTimer();

    // Opened from the thumbnail viewer: `rebuild` is set when an image of the main window's
    // list is deleted here.
    void SetThumbnailRebuildFlag(bool* rebuild) { ThumbnailRebuild = rebuild; }

    // What the window holds: the links in grid order, the thumbnail of each (null while it
    // is being made or when its image cannot be read), the selected record (-1 for none).
    std::vector<TURLLink> Links() const;
    QImage Thumbnail(int record) const;
    int SelectedIndex() const { return Selected; }
    int RecordsAtCreation() const { return CreationCount; }
    // Between the start of a loading pass and the last of its thumbnails.
    bool Loading() const { return PassRunning; }

    TThumbGrid* ThumbGrid = nullptr;
    TImageScrollBox* envImage = nullptr;
    QLineEdit* txtURL = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QTimer* ShutDownTimer = nullptr;
    QMenuBar* MainMenu = nullptr;
    QMenu* PopupMenu = nullptr; // the grid's
    QAction* GotoURL2 = nullptr;
    QAction* ViewComment1 = nullptr;
    QAction* DeleteSelectedImages2 = nullptr;
    QAction* Exit1 = nullptr;

signals:
    // A loading pass has made (or failed to make) its last thumbnail.
    void LoadingFinished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct TRecord {
        TURLLink Link;
        quint64 Id = 0; // how the thumbnail maker knows it
        QImage Thumbnail;
    };

    void BuildWindow();
    // The loading pass's steps.
    void DropUnusableLinks();
    void ThumbnailMade(quint64 id, const QImage& thumbnail, const QString& error);
    void FinishLoadingPass();
    void ReportDropped();
    // The test every command on the selection begins with.
    bool HasSelection();
    void ForgetSelection();
    void RewriteStore();
    void RemoveFromMainList(const QString& imagePath);
    int RecordOfId(quint64 id) const;

    TServices Services;
    IMainView& MainView;
    std::vector<TRecord> Records;
    int CreationCount = 0;
    int Selected = -1;
    int SelectedRow = -1;
    int SelectedColumn = -1;
    quint64 NextId = 1;
    bool* ThumbnailRebuild = nullptr;

    TThumbnailMaker* Maker = nullptr;
    bool PassRunning = false;
    bool FirstShow = true;
    bool WarnedAboutCount = false;
    int ThumbnailsMade = 0;
    // What the current pass dropped or could not read, told once at its end.
    QStringList MissingImages;
    int BrokenLinks = 0;
    QStringList UnreadableImages;
    // Told already: every pass reads the images again, and says only what is new.
    QSet<QString> ToldUnreadable;
};
