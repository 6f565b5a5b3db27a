// A mailer that offers the send-to entries a test gives it and records what it was asked to
// start.
#pragma once

#include "platform/mailer.h"

#include <utility>
#include <vector>

class TFakeMailer : public IMailer {
public:
    QStringList Entries;                                 // the send-to entries offered
    std::vector<std::pair<QString, QStringList>> Opened; // entry, then the images
    bool Installed = true;                               // whether the mailer is there
    int MailerStarts = 0;

    QStringList SendToEntries() override { return Entries; }
    bool OpenSendToEntry(const QString& entry, const QStringList& images) override {
        Opened.emplace_back(entry, images);
        return true;
    }
    bool MailerInstalled() override { return Installed; }
    bool StartMailer() override {
        ++MailerStarts;
        return Installed;
    }
};
