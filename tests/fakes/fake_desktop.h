// A desktop that records what the program asked it to open or start; tests decide whether
// each request succeeds.
#pragma once

#include "platform/desktop.h"

#include <vector>

class TFakeDesktop : public IDesktop {
public:
    QStringList Documents;            // every OpenDocument, in order
    QStringList Browsed;              // every OpenInBrowser, in order
    std::vector<QStringList> Started; // program, then its arguments
    bool Succeeds = true;

    bool OpenDocument(const QString& addressOrPath) override {
        Documents << addressOrPath;
        return Succeeds;
    }
    bool OpenInBrowser(const QString& address) override {
        Browsed << address;
        return Succeeds;
    }
    bool StartProgram(const QString& program, const QStringList& arguments) override {
        Started.push_back(QStringList{program} + arguments);
        return Succeeds;
    }
};
