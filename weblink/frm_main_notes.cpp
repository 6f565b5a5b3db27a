// The note step that follows the saving of an image captured from a web page: the user may
// attach a note, and the page address is recorded in the link store with it.
#include "app/frm_main.h"

#include "store/file_io.h"
#include "weblink/frm_comment_message.h"
#include "weblink/frm_comments.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"

#include <QFile>
#include <QLabel>

#include <string>
#include <vector>

namespace {

const QString LinkedImageQuestion =
    " is linked to a URL and is being recorded in WebLink.\nWould you like to add a note?";

} // namespace

void TfrmMain::RecordSavedImageLink(int row, TNoteQuestion question) {
    const QString path = ImagePaths[row];
    const std::string imagePath = QFile::encodeName(path).toStdString();
    NoteLines.clear();

    bool wantsNote = false;
    if (question == TNoteQuestion::AutoSave) {
        // "No To All" earlier in the run answers for every image after it.
        if (NoteAnswer != naNoToAll) {
            TfrmCommentMessage ask(NoteAnswer, this);
            ask.lblComment->setText(path + LinkedImageQuestion);
            Services.Dialogs.ExecModal(ask);
        }
        wantsNote = NoteAnswer == naYes;
    } else {
        const QString fileName = path.mid(path.lastIndexOf('/') + 1);
        wantsNote = Services.Dialogs.Message(this, "Notes", fileName + LinkedImageQuestion,
                                             TMsgIcon::Question, mbYes | mbNo) == TMsgResult::Yes;
    }

    if (wantsNote) {
        TfrmComments entry(NoteLines, this);
        Services.Dialogs.ExecModal(entry);
    } else {
        // A note left beside an earlier image of the same name is not this image's note.
        DeleteFile(NoteFileName(imagePath));
    }

    std::vector<std::string> lines;
    for (const QString& line : NoteLines)
        lines.push_back(line.toStdString());
    NoteLines.clear();
    URLStore().RecordURLLink(imagePath, ImageURLs[row].toStdString(), lines);
}
