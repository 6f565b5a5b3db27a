#include "app/frm_configure.h"

#include "app/help_window.h"
#include "app/option_texts.h"
#include "platform/dialogs.h"
#include "store/autostart_entry.h"
#include "store/file_io.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "widgets/local_path.h"

#include <algorithm>
#include <array>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The hidden format box names the formats by their short names.
constexpr std::array<const char*, 7> FormatNames = {"BMP", "GIF", "JPEG", "PCX",
                                                    "PNG", "TGA", "TIFF"};

// The window's size at 96 dots per inch, below its menu bar; larger where the desktop's font
// needs more room.
constexpr QSize ClientSize(488, 384);

// A framed panel with a drop shadow to its lower right and a bold heading above its controls.
class TShadowPanel : public QWidget {
public:
    static constexpr int Shadow = 3;

    TShadowPanel(QWidget* parent, const char* name, const QString& heading) : QWidget(parent) {
        setObjectName(name);
        Column = new QVBoxLayout(this);
        Column->setContentsMargins(8, 5, 8 + Shadow, 7 + Shadow);
        Column->setSpacing(3);
        Heading = new QLabel(heading, this);
        Heading->setObjectName(QString(name) + "Heading");
        QFont bold = Heading->font();
        bold.setBold(true);
        Heading->setFont(bold);
        Column->addWidget(Heading);
        Column->addSpacing(2);
    }

    QVBoxLayout* Column = nullptr;
    QLabel* Heading = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect face = rect().adjusted(0, 0, -Shadow, -Shadow);
        painter.fillRect(face.translated(Shadow, Shadow), palette().color(QPalette::Dark));
        // The frame as a fill under the face rather than a drawn line: at fractional scales
        // a line and a fill round to different pixels and leave a seam between them.
        painter.fillRect(face, palette().color(QPalette::Mid));
        painter.fillRect(face.adjusted(1, 1, -1, -1),
                         palette().color(QPalette::Window).lighter(104));
    }
};

QCheckBox* MakeCheckBox(TShadowPanel* panel, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, panel);
    box->setObjectName(name);
    panel->Column->addWidget(box);
    return box;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

template <std::size_t N> QStringList Texts(const std::array<const char*, N>& texts) {
    QStringList list;
    for (const char* text : texts)
        list << text;
    return list;
}

// "F1" ... "F12", "A" ... "Z": the keys of the second hot key, by their numbers.
QStringList HotKeyTexts() {
    QStringList keys;
    for (int key = 1; key <= 12; ++key)
        keys << "F" + QString::number(key);
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        keys << QString(QChar(letter));
    return keys;
}

} // namespace

TfrmConfigure::TfrmConfigure(IDialogs& dialogs, const QString& programFolder,
                             const QString& program, QWidget* parent)
    : QDialog(parent), Dialogs(dialogs), ProgramFolder(programFolder), Program(program) {
    setObjectName("frmConfigure");
    setWindowTitle("Configuration");
    BuildControls();
    BuildMenu();
    BuildLayout();
    FormCreate();
}

void TfrmConfigure::BuildControls() {
    auto* print = new TShadowPanel(this, "PrintPanel", "Printing Size Options");
    PrintPanel = print;
    optWhatYouSeeIsWhatYouGet = new QRadioButton("Normal Image Size (WYSIWYG)", print);
    optWhatYouSeeIsWhatYouGet->setObjectName("optWhatYouSeeIsWhatYouGet");
    optWhatYouSeeIsWhatYouGet->setChecked(true);
    optFitToPage = new QRadioButton("Stretch Image To Full Page", print);
    optFitToPage->setObjectName("optFitToPage");
    print->Column->addWidget(optWhatYouSeeIsWhatYouGet);
    print->Column->addWidget(optFitToPage);
    print->Column->addStretch();

    auto* advance = new TShadowPanel(this, "AdvancePanel", "Hotkey Options (Advanced Users)");
    AdvancePanel = advance;
    auto* keyRow = new QHBoxLayout;
    auto* modifiers = new QVBoxLayout;
    modifiers->setSpacing(3);
    cbControl = new QCheckBox("Control Key", advance);
    cbControl->setObjectName("cbControl");
    cbAlt = new QCheckBox("Alt Key", advance);
    cbAlt->setObjectName("cbAlt");
    cbShift = new QCheckBox("Shift Key", advance);
    cbShift->setObjectName("cbShift");
    for (QCheckBox* box : {cbControl, cbAlt, cbShift})
        modifiers->addWidget(box);
    cboKeys = MakeList(advance, "cboKeys", HotKeyTexts());
    cboKeys->setEnabled(false);
    keyRow->addLayout(modifiers);
    keyRow->addWidget(cboKeys, 0, Qt::AlignVCenter);
    keyRow->addStretch();
    advance->Column->addLayout(keyRow);
    lblNote =
        new QLabel("Note: Use this option if you do not want to use the PrintScreen key.", advance);
    lblNote->setObjectName("lblNote");
    lblNote->setWordWrap(true);
    advance->Column->addWidget(lblNote);
    advance->Column->addStretch();

    auto* affects = new TShadowPanel(this, "panAffects", "Miscellaneous Capture Options");
    panAffects = affects;
    cbGrayScale = MakeCheckBox(affects, "cbGrayScale", "Grayscale");
    cbNegative = MakeCheckBox(affects, "cbNegative", "Negative (Inverted Colors)");
    cbMouseCursor = MakeCheckBox(affects, "cbMouseCursor", "Include Mouse Cursor");
    affects->Column->addStretch();

    auto* start = new TShadowPanel(this, "panStart", "Start and Exit Options");
    panStart = start;
    cbStartMinimized = MakeCheckBox(start, "cbStartMinimized", "Start Minimized  ");
    cbStartWindows = MakeCheckBox(start, "cbStartWindows", "Start When The Desktop Starts");
    cbConfirmation = MakeCheckBox(start, "cbConfirmation", "Confirm Unsaved Images On Exit");
    cbNoMinimize = MakeCheckBox(start, "cbNoMinimize", "Do Not Minimized To System Tray");
    start->Column->addStretch();

    auto* misc = new TShadowPanel(this, "MiscPanel", "Image Editor Options");
    MiscPanel = misc;
    cbEditor = MakeCheckBox(misc, "cbEditor", "Use External Editor");
    auto* pathRow = new QHBoxLayout;
    EditorPath = new QLineEdit(misc);
    EditorPath->setObjectName("EditorPath");
    btnBrowse = new QPushButton("Select", misc);
    btnBrowse->setObjectName("btnBrowse");
    btnBrowse->setAutoDefault(false);
    pathRow->addWidget(EditorPath, 1);
    pathRow->addWidget(btnBrowse);
    misc->Column->addLayout(pathRow);

    panButtons = new QWidget(this);
    panButtons->setObjectName("panButtons");
    btnOK = new QPushButton("Save", panButtons);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", panButtons);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout(panButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    panCapStyle = new QWidget(this);
    panCapStyle->setObjectName("panCapStyle");
    QStringList methods = Texts(CaptureMethodTexts);
    methods[cmConsoleTextAsTextFile] = "Full DOS Screen: Text To Text File";
    cboCapSelection = MakeList(panCapStyle, "cboCapSelection", methods);
    cboGformat = MakeList(panCapStyle, "cboGformat", Texts(FormatNames));
    panCapStyle->hide();
    panPrintMode = new QWidget(this);
    panPrintMode->setObjectName("panPrintMode");
    cboPrintSelection = MakeList(panPrintMode, "cboPrintSelection", Texts(PrintSelectionTexts));
    panPrintMode->hide();

    connect(btnOK, &QPushButton::clicked, this, [this] {
        // The window closes only once everything is written, so that nothing the user chose
        // is lost to a message.
        if (btnOKClick())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &TfrmConfigure::btnCancelClick);
    connect(cbEditor, &QCheckBox::clicked, this, &TfrmConfigure::cbEditorClick);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmConfigure::btnBrowseClick);
    connect(cbControl, &QCheckBox::clicked, this, &TfrmConfigure::cbControlClick);
    connect(cbAlt, &QCheckBox::clicked, this, &TfrmConfigure::cbAltClick);
    connect(cbShift, &QCheckBox::clicked, this, &TfrmConfigure::cbShiftClick);
}

void TfrmConfigure::BuildMenu() {
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName("MainMenu");
    QMenu* file = MainMenu->addMenu("&File");
    Save1 = file->addAction("&Save", this, [this] { btnOKClick(); });
    Exit1 = file->addAction("E&xit", this, &TfrmConfigure::btnCancelClick);
    Help1 = MainMenu->addAction("&Help", this, &TfrmConfigure::Help1Click);
}

void TfrmConfigure::BuildLayout() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(PrintPanel, 0, 0);
    grid->addWidget(panAffects, 0, 1);
    grid->addWidget(AdvancePanel, 1, 0);
    grid->addWidget(panStart, 1, 1);
    grid->addWidget(MiscPanel, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    auto* column = new QVBoxLayout(this);
    column->setMenuBar(MainMenu);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);
    column->addLayout(grid, 1);
    column->addWidget(panButtons);

    // A fixed frame, as large as the layout was drawn for or as the font needs.
    const QSize needed = sizeHint();
    setFixedSize(std::max(ClientSize.width(), needed.width()),
                 std::max(ClientSize.height() + MainMenu->sizeHint().height(), needed.height()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmConfigure::FormCreate() {
    TSettingsRecord settings;
    std::optional<std::string> editor;
    try {
        EnsureWorkFolder();
        EnsureSettingsFile();
        settings = ReadSettings();
        editor = ReadEditorPath();
    } catch (const EFileError&) {
        // The window opens on the defaults; saving reports what keeps the files from being
        // written.
        settings = TSettingsRecord{};
    }
    LoadControls(WithUnknownValuesAsDefaults(settings));
    // Whether Karvin starts with the desktop is whether the entry is there, whoever made or
    // removed it.
    cbStartWindows->setChecked(AutostartEntryExists());
    // A line that can be no path (another program's bytes) is not offered as one.
    if (editor && IsCleanPathText(*editor))
        EditorPath->setText(FromLocalPath(*editor));
}

void TfrmConfigure::LoadControls(const TSettingsRecord& settings) {
    cboCapSelection->setCurrentIndex(settings.CapSelection);
    cboPrintSelection->setCurrentIndex(settings.PrintSelection);
    cboGformat->setCurrentIndex(settings.DefaultFormat);
    (settings.PrintSizeChoice() == pzImageSize ? optWhatYouSeeIsWhatYouGet : optFitToPage)
        ->setChecked(true);
    cbGrayScale->setChecked(settings.GrayScale != 0);
    cbNegative->setChecked(settings.Negative == 1);
    cbStartMinimized->setChecked(settings.StartMinimized == 1);
    cbMouseCursor->setChecked(settings.MouseCursor == 1);
    cbConfirmation->setChecked(settings.Confirmation == 1);
    cbNoMinimize->setChecked(settings.NoMinimize == 1);
    cbEditor->setChecked(settings.UseEditor == 1);
    SetEditorControlsEnabled(settings.UseEditor == 1);
    cbControl->setChecked(settings.HotKeyControl != 0);
    cbAlt->setChecked(settings.HotKeyAlt != 0);
    cbShift->setChecked(settings.HotKeyShift != 0);
    cboKeys->setCurrentIndex(settings.HotKeyKey);
    // Usable only once the user clicks one of the modifiers, whatever they are now.
    cboKeys->setEnabled(false);
}

TSettingsRecord TfrmConfigure::RecordFromControls() const {
    TSettingsRecord record;
    record.CapSelection = cboCapSelection->currentIndex();
    record.PrintSelection = cboPrintSelection->currentIndex();
    record.PrintSize = optWhatYouSeeIsWhatYouGet->isChecked() ? pzImageSize : pzFitToPage;
    record.GrayScale = cbGrayScale->isChecked() ? 1 : 0;
    record.Negative = cbNegative->isChecked() ? 1 : 0;
    record.DefaultFormat = cboGformat->currentIndex();
    record.StartMinimized = cbStartMinimized->isChecked() ? 1 : 0;
    record.StartWindows = cbStartWindows->isChecked() ? 1 : 0;
    record.MouseCursor = cbMouseCursor->isChecked() ? 1 : 0;
    record.Confirmation = cbConfirmation->isChecked() ? 1 : 0;
    record.UseEditor = cbEditor->isChecked() ? 1 : 0;
    record.HotKeyControl = cbControl->isChecked() ? 1 : 0;
    record.HotKeyAlt = cbAlt->isChecked() ? 1 : 0;
    record.HotKeyShift = cbShift->isChecked() ? 1 : 0;
    record.HotKeyKey = cboKeys->currentIndex();
    record.NoMinimize = cbNoMinimize->isChecked() ? 1 : 0;
    return record;
}

bool TfrmConfigure::btnOKClick() {
    // Everything the user typed is checked before anything is written, so that a refusal
    // leaves the files as they were.
    if (!CheckEditorPath())
        return false;
    if (!ApplyStartupEntry())
        return false;
    const TSettingsRecord record = RecordFromControls();
    return RunCommand(Dialogs, this, [&] {
        EnsureWorkFolder();
        // Without an external editor "editor.dat" stays as it is, for the next time.
        if (record.UseEditor == 1)
            WriteEditorPath(LocalPath(EditorPath->text()));
        WriteSettings(record);
    });
}

bool TfrmConfigure::CheckEditorPath() {
    if (!cbEditor->isChecked())
        return true;
    const QString path = EditorPath->text();
    if (path.trimmed().isEmpty()) {
        Dialogs.Message(this, "Error", "Image Editor Path cannot be blank.", TMsgIcon::Critical,
                        mbOK);
        return false;
    }
    const std::string local = LocalPath(path);
    if (!IsCleanPathText(local) || !IsRunnableProgram(local)) {
        Dialogs.Message(this, "Error",
                        "\"" + path +
                            "\" is not a program file you may run. Choose the image editor's "
                            "program with \"Select\".",
                        TMsgIcon::Critical, mbOK);
        EditorPath->setFocus();
        return false;
    }
    return true;
}

bool TfrmConfigure::ApplyStartupEntry() {
    const bool wanted = cbStartWindows->isChecked();
    const bool done = RunCommand(Dialogs, this, [&] {
        if (wanted)
            // Written again every time: the entry starts the Karvin that runs now, wherever
            // an earlier one was.
            WriteAutostartEntry(LocalPath(Program));
        else
            DeleteAutostartEntry();
    });
    if (!done)
        cbStartWindows->setChecked(AutostartEntryExists());
    return done;
}

void TfrmConfigure::btnCancelClick() {
    reject();
}

void TfrmConfigure::SetEditorControlsEnabled(bool enabled) {
    EditorPath->setEnabled(enabled);
    btnBrowse->setEnabled(enabled);
}

void TfrmConfigure::cbEditorClick() {
    SetEditorControlsEnabled(cbEditor->isChecked());
}

void TfrmConfigure::btnBrowseClick() {
    TFileDialogOptions options;
    options.Caption = "Open";
    const QFileInfo current(EditorPath->text());
    options.Folder = current.isAbsolute() && current.dir().exists() ? current.absolutePath()
                                                                    : QString("/usr/bin");
    options.FileName = current.isAbsolute() ? current.fileName() : QString();
    options.Filters = {"Programs (*)"};
    options.ExecutablesOnly = true;
    if (const auto chosen = Dialogs.OpenFile(this, options)) {
        EditorPath->setText(chosen->Path);
        return;
    }
    cbEditor->setChecked(false);
    cbEditorClick();
}

void TfrmConfigure::UpdateKeyList() {
    cboKeys->setEnabled(cbControl->isChecked() || cbAlt->isChecked() || cbShift->isChecked());
}

void TfrmConfigure::cbControlClick() {
    UpdateKeyList();
}

void TfrmConfigure::cbAltClick() {
    UpdateKeyList();
}

void TfrmConfigure::cbShiftClick() {
    UpdateKeyList();
}

void TfrmConfigure::Help1Click() {
    ShowHelpTopic(Dialogs, this, HelpWindow, ProgramFolder, "topic-103");
}
