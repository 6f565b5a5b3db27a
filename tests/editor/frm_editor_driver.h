// The tests' view of the image editor: its widgets, menu entries, tool buttons and state by
// name, so that tests drive it as the user would and look at what it shows.
#pragma once

#include "editor/frm_editor.h"
#include "widgets/image_scroll_box.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

class TfrmEditorDriver {
public:
    explicit TfrmEditorDriver(TfrmEditor& editor) : Editor(editor) {}

    TImageScrollBox* View() const { return Editor.editImage; }
    const TDibGraphic& Image() const { return Editor.editImage->Graphic(); }
    QComboBox* Zoom() const { return Editor.cboZoom; }
    QString Status() const { return Editor.StatusText->text(); }
    QProgressBar* Progress() const { return Editor.ProgressBar; }
    QTimer* SelectTimer() const { return Editor.SelectTimer; }
    QToolBar* Tools() const { return Editor.ToolBar; }
    QToolButton* ToolButton(const char* name) const { return Editor.findChild<QToolButton*>(name); }
    QMenuBar* Menus() const { return Editor.MainMenu; }

    // A menu of the menu bar by its caption; an entry of a menu, or of a submenu given as
    // "&Image/&Mirror", by its caption; nullptr when there is none.
    QMenu* Menu(const QString& path) const {
        QMenu* menu = nullptr;
        for (const QString& caption : path.split('/')) {
            const QList<QAction*> items = menu ? menu->actions() : Editor.MainMenu->actions();
            QMenu* next = nullptr;
            for (QAction* item : items)
                if (item->text() == caption)
                    next = item->menu();
            if (!next)
                return nullptr;
            menu = next;
        }
        return menu;
    }
    QAction* Entry(const QString& menu, const QString& caption) const {
        if (QMenu* found = Menu(menu))
            for (QAction* item : found->actions())
                if (item->text() == caption)
                    return item;
        return nullptr;
    }

    // The state.
    const QString& CurrentFile() const { return Editor.CurrentFile_; }
    bool Modified() const { return Editor.Modified_; }
    bool LinkedToList() const { return Editor.LinkedToList; }
    int ListIndex() const { return Editor.ListIndex; }
    bool SelectionActive() const { return Editor.SelectionActive; }
    const TSelectionRect& SelectionRect() const { return Editor.SelectionRect; }
    bool ExitConfirmed() const { return Editor.ExitConfirmed; }
    const TUndoHistory& Undo() const { return Editor.Undo_; }
    bool UndoEnabled() const { return Editor.Undo1->isEnabled() && Editor.tbUndo->isEnabled(); }
    bool CutEnabled() const { return Editor.tbCut->isEnabled(); }
    bool CropEnabled() const { return Editor.tbCrop->isEnabled(); }
    QAction* CutEntry() const { return Editor.Cut1; }
    QAction* CropEntry() const { return Editor.Crop1; }
    QAction* PasteEntry() const { return Editor.Paste1; }
    QToolButton* PasteButton() const { return Editor.tbPasteAsNew; }

    // The user picks an entry of the zoom box.
    void ChooseZoom(int entry) {
        Editor.cboZoom->setCurrentIndex(entry);
        emit Editor.cboZoom->activated(entry);
    }
    // The view reports a rectangle dragged on the picture at the current zoom, as the mouse
    // makes it: the displayed part and its rectangle.
    void SelectOnView(const QRect& rect) {
        const TDibGraphic& shown = Editor.editImage->DisplayGraphic();
        TDibGraphic part;
        part.NewImage(rect.width(), rect.height(), ifTrueColor);
        for (int y = 0; y < rect.height(); ++y)
            for (int x = 0; x < rect.width(); ++x)
                part.SetPixel(x, y, shown.Pixel(rect.x() + x, rect.y() + y));
        Editor.editImageQuickSelect(part, rect);
    }

    // The annotation tools: their tool bar, the menu entry of a tool, the layer over the
    // picture that takes the mouse while a tool is chosen.
    QToolBar* AnnotateBar() const { return Editor.AnnotateBar; }
    QAction* ToolEntry(TAnnotateTool tool) const { return Editor.AnnotateTools[std::size_t(tool)]; }
    TAnnotateLayer* Layer() const { return Editor.AnnotateLayer; }
    int StepsBeforeUndoKept() const { return int(Editor.StepBeforeUndo_.size()); }

    // The left button on the layer at positions of the picture as shown (at the zoom).
    void Press(QPointF at) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void Move(QPointF at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void Release(QPointF at) {
        Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    // Pressed at the first position, moved through the others, released at the last.
    void Drag(const std::vector<QPointF>& path) {
        Press(path.front());
        for (std::size_t index = 1; index < path.size(); ++index)
            Move(path[index]);
        Release(path.back());
    }
    void Click(QPointF at) { Drag({at}); }

private:
    void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* layer = Editor.AnnotateLayer;
        QMouseEvent event(type, at, layer->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(layer, &event);
    }

    TfrmEditor& Editor;
};
