// The help window: the program's HTML help document in a browser of its own, with Contents,
// Back and Forward. One window serves every help command; it is owned by the main window
// and stays open beside it until closed.
#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class IDialogs;
class QTextBrowser;
class QToolButton;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* owner);

    // Shows the document at the anchor `anchor` ("topic-101"), at its top for an empty one,
    // and brings the window to the front.
    void ShowTopic(const QString& documentPath, const QString& anchor);
    // The page shown, with its anchor.
    QUrl Source() const;
    // Where the page is scrolled to: 0 at the top.
    int ScrollPosition() const;

    QTextBrowser* Browser = nullptr;

private:
    QToolButton* AddButton(const QString& text, const QString& hint);

    QUrl Document;
};

// Opens the help document, `programFolder` + "help/karvin.html", at the anchor `anchor` (at
// its top for none) in `window`, which is made as a window of `owner` when there is none yet.
// A window of a modal dialog must be that dialog's own: a window of any other would not take
// the mouse or the keyboard while the dialog is up. A missing document is reported.
void ShowHelpTopic(IDialogs& dialogs, QWidget* owner, QPointer<THelpWindow>& window,
                   const QString& programFolder, const QString& anchor);
