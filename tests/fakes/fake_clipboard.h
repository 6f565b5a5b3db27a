// A clipboard held in memory: tests put a picture or text there and check what the program
// left.
#pragma once

#include "platform/clipboard.h"

class TFakeClipboard : public IClipboard {
public:
    QImage Image;
    QString Text;
    int ClearCount = 0;
    // Another program offers a picture that cannot be taken (larger than the decode limit,
    // or no picture at all): HasImage says yes, GetImage gives nothing.
    bool Unreadable = false;
    // The watch of the clipboard, while one is set; every change below tells it, as the
    // real clipboard does.
    std::function<void()> ChangeHandler;

    void Clear() override {
        Image = QImage();
        Text.clear();
        Unreadable = false;
        ++ClearCount;
        Changed();
    }
    bool HasImage() const override { return !Image.isNull() || Unreadable; }
    QImage GetImage() const override { return Unreadable ? QImage() : Image; }
    void SetImage(const QImage& image) override {
        Image = image;
        Unreadable = false;
        Changed();
    }
    QString GetText() const override { return Text; }
    void SetText(const QString& text) override {
        Text = text;
        Changed();
    }
    void SetChangeHandler(std::function<void()> handler) override {
        ChangeHandler = std::move(handler);
    }

    // Another program copies text or a picture: what it offers replaces the content.
    void OtherProgramCopiesText(const QString& text) {
        Image = QImage();
        Unreadable = false;
        SetText(text);
    }
    void OtherProgramCopiesImage(const QImage& image) {
        Text.clear();
        SetImage(image);
    }

private:
    void Changed() {
        if (ChangeHandler) {
            // The handler may end the watch while it runs.
            const auto handler = ChangeHandler;
            handler();
        }
    }
};
