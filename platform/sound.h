// The default beep that every successful capture sounds.
#pragma once

class ISound {
public:
    virtual ~ISound() = default;
    virtual void Beep() = 0;
};

// The desktop's default beep (QApplication::beep).
class TQtSound : public ISound {
public:
    void Beep() override;
};
