#include "weblink/note_step.h"

#include "store/file_io.h"
#include "weblink/frm_comment_message.h"
#include "weblink/frm_comments.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"
#include "widgets/capture_list.h"
#include "widgets/local_path.h"

#include <QLabel>

#include <string>
#include <vector>

namespace {

const QString LinkedImageQuestionText =
    " is linked to a URL and is being recorded in WebLink.\nWould you like to add a note?";

} // namespace

TNoteStep::TNoteStep(const TServices& services, IMainView& window)
    : Services(services), Window(window), NoteAnswer_(naYes) {}

void TNoteStep::RecordSavedImageLink(int row, TNoteQuestion question) {
    const QString path = Window.Captures().Path(row);
    const std::string imagePath = LocalPath(path);
    NoteLines_.clear();

    bool wantsNote = false;
    if (question == TNoteQuestion::AutoSave) {
        // "No To All" earlier in the run answers for every image after it.
        if (NoteAnswer_ != naNoToAll) {
            TfrmCommentMessage ask(NoteAnswer_, Window.Window());
            ask.lblComment->setText(path + LinkedImageQuestionText);
            Services.Dialogs.ExecModal(ask);
        }
        wantsNote = NoteAnswer_ == naYes;
    } else {
        const QString fileName = path.mid(path.lastIndexOf('/') + 1);
        wantsNote =
            Services.Dialogs.Message(Window.Window(), "Notes", fileName + LinkedImageQuestionText,
                                     TMsgIcon::Question, mbYes | mbNo) == TMsgResult::Yes;
    }

    if (wantsNote)
        TakeNote(Window.Window());
    else
        // A note left beside an earlier image of the same name is not this image's note.
        DeleteFile(NoteFileName(imagePath));
    RecordLink(row);
}

void TNoteStep::RecordEditedImageLink(int row, QWidget* owner) {
    const QString path = Window.Captures().Path(row);
    NoteLines_.clear();
    if (Services.Dialogs.Message(owner, "Comments",
                                 path + " has a URL. Do you want to add comments for this image?",
                                 TMsgIcon::Question, mbYes | mbNo) == TMsgResult::Yes) {
        TakeNote(owner);
    } else if (const auto note = ReadTextLines(NoteFileName(LocalPath(path)))) {
        // No keeps the note the image has: an edited image is mostly saved again under its
        // own name, and recording the link with no lines would empty its note.
        for (const std::string& line : *note)
            NoteLines_ << QString::fromStdString(line);
    }
    RecordLink(row);
}

void TNoteStep::TakeNote(QWidget* owner) {
    TfrmComments entry(NoteLines_, owner);
    Services.Dialogs.ExecModal(entry);
}

void TNoteStep::RecordLink(int row) {
    std::vector<std::string> lines;
    for (const QString& line : NoteLines_)
        lines.push_back(line.toStdString());
    NoteLines_.clear();
    URLStore().RecordURLLink(LocalPath(Window.Captures().Path(row)),
                             Window.Captures().URL(row).toStdString(), lines);
}

void TNoteStep::EndAutoSaveRun() {
    NoteAnswer_ = naYes;
}

std::optional<QString> TNoteStep::LinkedImageQuestion(const QString& target) {
    // The question is the store's own; the answer handed back to it is No, which leaves the
    // store as it is.
    std::optional<QString> question;
    URLStore().ConfirmURLOverwrite(LocalPath(target), [&](const std::string& text) {
        question = QString::fromStdString(text);
        return false;
    });
    return question;
}

void TNoteStep::ForgetLinkedImage(const QString& target) {
    URLStore().ConfirmURLOverwrite(LocalPath(target), [](const std::string&) { return true; });
}
