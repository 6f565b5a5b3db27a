#include "app/help_window.h"

#include "app/app_icon.h"
#include "platform/dialogs.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Karvin Help");
    setWindowIcon(KarvinIcon());

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    QToolButton* contents = AddButton("&Contents", "The table of contents");
    QToolButton* back = AddButton("&Back", "The page shown before");
    QToolButton* forward = AddButton("&Forward", "The page shown after");
    for (QToolButton* button : {contents, back, forward})
        buttons->addWidget(button);
    buttons->addStretch();
    column->addLayout(buttons);

    Browser = new QTextBrowser(this);
    Browser->setObjectName("HelpBrowser");
    Browser->setOpenLinks(true);
    Browser->setOpenExternalLinks(false);
    column->addWidget(Browser, 1);

    back->setEnabled(false);
    forward->setEnabled(false);
    connect(Browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    connect(back, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] {
        if (!Document.isEmpty())
            Browser->setSource(Document);
        Browser->verticalScrollBar()->setValue(0);
    });

    resize(680, 560);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QToolButton* THelpWindow::AddButton(const QString& text, const QString& hint) {
    auto* button = new QToolButton(this);
    button->setText(text);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

void THelpWindow::ShowTopic(const QString& documentPath, const QString& anchor) {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    // Shown first: the page is laid out at the window's width before it is scrolled.
    Document = QUrl::fromLocalFile(documentPath);
    QUrl page = Document;
    if (!anchor.isEmpty())
        page.setFragment(anchor);
    Browser->setSource(page);
    if (anchor.isEmpty())
        Browser->verticalScrollBar()->setValue(0);
    else
        Browser->scrollToAnchor(anchor);
}

QUrl THelpWindow::Source() const {
    return Browser->source();
}

int THelpWindow::ScrollPosition() const {
    return Browser->verticalScrollBar()->value();
}

void ShowHelpTopic(IDialogs& dialogs, QWidget* owner, QPointer<THelpWindow>& window,
                   const QString& programFolder, const QString& anchor) {
    const QString document = programFolder + "help/karvin.html";
    if (!QFileInfo(document).isFile()) {
        dialogs.Message(owner, "Error", "Cannot find the help file " + document + ".",
                        TMsgIcon::Critical, mbOK);
        return;
    }
    if (!window)
        window = new THelpWindow(owner);
    window->ShowTopic(document, anchor);
}
