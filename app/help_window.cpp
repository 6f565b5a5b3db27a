#include "app/help_window.h"

#include "app/app_icon.h"
#include "platform/dialogs.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

// A dialog to the window manager, so that window managers that fill the screen with every
// application window (as small-screen ones do) let it float at its own size; it keeps the
// buttons of a normal window.
THelpWindow::THelpWindow(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
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

    // Escape and Ctrl+W close it, as they close a browser's page.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }

    // 680 x 560, less on a small screen: never the whole screen.
    QSize size(680, 560);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        size = size.boundedTo(available.size() * 0.8);
        resize(size);
        move(available.center() - rect().center());
    } else {
        resize(size);
    }
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
