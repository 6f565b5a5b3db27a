// The note step that follows the saving of an image captured from a web page: the user may
// attach a note, and the page address is recorded in the link store with it. Owned by the
// main window, which hands it to saving as its INoteStep.
#pragma once

#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QStringList>

class TNoteStep : public INoteStep {
public:
    TNoteStep(const TServices& services, IMainView& window);

    void RecordSavedImageLink(int row, TNoteQuestion question) override;
    void EndAutoSaveRun() override;
    std::optional<QString> LinkedImageQuestion(const QString& target) override;
    void ForgetLinkedImage(const QString& target) override;
    void RecordEditedImageLink(int row, QWidget* owner) override;

    // The note being taken for the image the step is at; the note entry window writes into
    // it. Empty between steps.
    const QStringList& NoteLines() const { return NoteLines_; }
    // The answer to the note question during an Auto Save run: 1 Yes, 2 No, 3 No To All
    // (TNoteAnswer). Every run starts with 1.
    int NoteAnswer() const { return NoteAnswer_; }

private:
    // Takes the note in the note entry window (owned by `owner`) into NoteLines_.
    void TakeNote(QWidget* owner);
    // Records the row's page address with the note taken, and forgets the note.
    void RecordLink(int row);

    TServices Services;
    IMainView& Window;
    QStringList NoteLines_;
    int NoteAnswer_;
};
