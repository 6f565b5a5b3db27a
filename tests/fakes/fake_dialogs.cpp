#include "tests/fakes/fake_dialogs.h"

#include <QDialog>
#include <gtest/gtest.h>
#include <utility>

namespace {

template <typename T> std::optional<T> TakeAnswer(std::deque<T>& queue, const TDialogCall& call) {
    if (queue.empty()) {
        ADD_FAILURE() << "unscripted " << call.Kind.toStdString() << ": "
                      << call.Caption.toStdString() << " | " << call.Text.toStdString();
        return std::nullopt;
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

TMsgResult TFakeDialogs::Message(QWidget*, const QString& caption, const QString& text,
                                 TMsgIcon icon, unsigned buttons) {
    Calls.push_back({"Message", caption, text, icon, buttons});
    const TDialogCall call = Calls.back();
    const std::optional<TMsgResult> answer = TakeAnswer(MessageAnswers, call);
    // Once: a message that comes up meanwhile does not run it again.
    if (auto meanwhile = std::exchange(WhileMessageShown, nullptr))
        meanwhile(call);
    if (answer)
        return *answer;
    if (buttons & mbCancel)
        return TMsgResult::Cancel;
    if (buttons & mbNo)
        return TMsgResult::No;
    return TMsgResult::OK;
}

std::optional<QString> TFakeDialogs::InputBox(QWidget*, const QString& caption,
                                              const QString& prompt, const QString&) {
    Calls.push_back({"InputBox", caption, prompt});
    if (auto answer = TakeAnswer(InputAnswers, Calls.back()))
        return *answer;
    return std::nullopt;
}

std::optional<TFileDialogResult> TFakeDialogs::SaveFile(QWidget*,
                                                        const TFileDialogOptions& options) {
    Calls.push_back({"SaveFile", options.Caption, options.FileName});
    FileDialogs.push_back(options);
    if (auto answer = TakeAnswer(SaveAnswers, Calls.back()))
        return *answer;
    return std::nullopt;
}

std::optional<TFileDialogResult> TFakeDialogs::OpenFile(QWidget*,
                                                        const TFileDialogOptions& options) {
    Calls.push_back({"OpenFile", options.Caption, options.FileName});
    FileDialogs.push_back(options);
    if (auto answer = TakeAnswer(OpenAnswers, Calls.back()))
        return *answer;
    return std::nullopt;
}

std::optional<QString> TFakeDialogs::SelectFolder(QWidget*, const QString& caption,
                                                  const QString& startFolder) {
    Calls.push_back({"SelectFolder", caption, startFolder});
    if (auto answer = TakeAnswer(FolderAnswers, Calls.back()))
        return *answer;
    return std::nullopt;
}

int TFakeDialogs::ExecModal(QDialog& dialog) {
    Calls.push_back({"ExecModal", dialog.windowTitle(), dialog.metaObject()->className()});
    if (auto script = TakeAnswer(ModalScripts, Calls.back()))
        return (*script)(dialog);
    return QDialog::Rejected;
}

QStringList TFakeDialogs::MessageLog() const {
    QStringList log;
    for (const auto& call : Calls)
        if (call.Kind == "Message")
            log << call.Caption + "|" + call.Text;
    return log;
}

bool TFakeDialogs::AllAnswersUsed() const {
    return MessageAnswers.empty() && InputAnswers.empty() && SaveAnswers.empty() &&
           OpenAnswers.empty() && FolderAnswers.empty() && ModalScripts.empty();
}
