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

    void Clear() override {
        Image = QImage();
        Text.clear();
        Unreadable = false;
        ++ClearCount;
    }
    bool HasImage() const override { return !Image.isNull() || Unreadable; }
    QImage GetImage() const override { return Unreadable ? QImage() : Image; }
    void SetImage(const QImage& image) override {
        Image = image;
        Unreadable = false;
    }
    QString GetText() const override { return Text; }
    void SetText(const QString& text) override { Text = text; }
};
