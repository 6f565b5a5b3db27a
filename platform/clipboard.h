// The system clipboard. Captures travel through it, so the program empties it at start and
// tests replace it with a fake.
#pragma once

#include <QImage>
#include <QMetaObject>
#include <QString>

#include <functional>
#include <memory>

class QWindow;

class IClipboard {
public:
    virtual ~IClipboard() = default;

    // Empties the clipboard, whoever put something there.
    virtual void Clear() = 0;
    // True when the clipboard offers a picture.
    virtual bool HasImage() const = 0;
    // The picture on the clipboard; a null image when there is none, and when the picture
    // offered cannot be read: damaged, or larger than the decode limit of Qt's image readers
    // (QImageReader::allocationLimit, 256 MiB of pixels), which keeps another program's
    // picture from taking all the memory.
    virtual QImage GetImage() const = 0;
    virtual void SetImage(const QImage& image) = 0;
    // The text on the clipboard; empty when there is none.
    virtual QString GetText() const = 0;
    virtual void SetText(const QString& text) = 0;
    // Watches the clipboard: `handler` runs at every change of its content, by another
    // program or by this one (a change of our own is told at once, inside the call that
    // made it). An empty handler ends the watch.
    virtual void SetChangeHandler(std::function<void()> handler) = 0;
};

// The X CLIPBOARD selection through QClipboard.
class TQtClipboard : public IClipboard {
public:
    TQtClipboard();
    ~TQtClipboard() override;

    void Clear() override;
    bool HasImage() const override;
    QImage GetImage() const override;
    void SetImage(const QImage& image) override;
    QString GetText() const override;
    void SetText(const QString& text) override;
    void SetChangeHandler(std::function<void()> handler) override;

private:
    QMetaObject::Connection Watch_;
    // Lets the server tell us its time before we take or empty the clipboard (see
    // UpdateApplicationServerTime); made when first needed, never shown.
    std::unique_ptr<QWindow> TimeWindow_;
    void TakeOverFromOthers();
};
