// Scripted dialogs: a test queues the user's answers, runs a command handler and then checks
// the exact dialogs that were shown. A dialog with no scripted answer fails the test.
#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <functional>
#include <vector>

struct TDialogCall {
    QString Kind; // "Message", "InputBox", "SaveFile", "OpenFile", "SelectFolder", "ExecModal"
    QString Caption;
    QString Text; // message text, input prompt, dialog's file name or folder, window class
    TMsgIcon Icon = TMsgIcon::None;
    unsigned Buttons = 0;
};

class TFakeDialogs : public IDialogs {
public:
    std::vector<TDialogCall> Calls;
    std::vector<TFileDialogOptions> FileDialogs; // options of every file dialog shown

    std::deque<TMsgResult> MessageAnswers;
    std::deque<std::optional<QString>> InputAnswers;
    std::deque<std::optional<TFileDialogResult>> SaveAnswers;
    std::deque<std::optional<TFileDialogResult>> OpenAnswers;
    std::deque<std::optional<QString>> FolderAnswers;
    // Each script plays the user inside one of our own modal windows and returns its
    // result code.
    std::deque<std::function<int(QDialog&)>> ModalScripts;
    // Runs once, while the next message box is up: what happens before the user answers (a
    // capture on a hot key, a request from another program).
    std::function<void(const TDialogCall&)> WhileMessageShown;

    TMsgResult Message(QWidget* owner, const QString& caption, const QString& text, TMsgIcon icon,
                       unsigned buttons) override;
    std::optional<QString> InputBox(QWidget* owner, const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    std::optional<TFileDialogResult> SaveFile(QWidget* owner,
                                              const TFileDialogOptions& options) override;
    std::optional<TFileDialogResult> OpenFile(QWidget* owner,
                                              const TFileDialogOptions& options) override;
    std::optional<QString> SelectFolder(QWidget* owner, const QString& caption,
                                        const QString& startFolder) override;
    int ExecModal(QDialog& dialog) override;

    // The messages shown, in order, as "caption|text".
    QStringList MessageLog() const;
    // True when every scripted answer has been used.
    bool AllAnswersUsed() const;
};
