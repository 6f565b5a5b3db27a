// A clipboard held in memory: tests put a picture or text there and check what the program
// left.
#pragma once

#include "platform/clipboard.h"

class TFakeClipboard : public IClipboard {
public:
    QImage Image;
    QString Text;
    int ClearCount = 0;

    void Clear() override {
        Image = QImage();
        Text.clear();
        ++ClearCount;
    }
    bool HasImage() const override { return !Image.isNull(); }
    QImage GetImage() const override { return Image; }
    void SetImage(const QImage& image) override { Image = image; }
    QString GetText() const override { return Text; }
    void SetText(const QString& text) override { Text = text; }
};
