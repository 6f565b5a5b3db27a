// Counts beeps instead of sounding them.
#pragma once

#include "platform/sound.h"

class TFakeSound : public ISound {
public:
    int Beeps = 0;
    void Beep() override { ++Beeps; }
};
