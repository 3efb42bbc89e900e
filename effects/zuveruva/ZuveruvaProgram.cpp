#include "ZuveruvaProgram.h"

#include "Utilities.h"

#include <cstring>

ZuveruvaProgram::ZuveruvaProgram() noexcept
{
    std::memset (static_cast<void*> (this), 0, sizeof (*this));

    float zeroDb = 0.8f;
    Gain24StrToFloat ("0", &zeroDb);
    float full = 1.0f;
    PerCentStrToFloat ("100", &full);

    marker = 1;
    superSlider = 0.0f;
    interSpeed = 0.06666667f;
    bands = IndexPopupToFloat (5, 12);
    gain = zeroDb;
    mix = full;
    balance = 1.0f;
    auxGain = zeroDb;
    auxDepth = 1.0f;
    auxOn = 0.0f;
    loadSpeed = 0;
    frequency = 0.02f;
    amplitude = 0.02f;

    for (int c = 0; c < 8; ++c)
        superCells[c] = c;

    for (int i = 0; i <= 36; ++i)
    {
        syncTable[i].able = (i == 2 || i == 21 || i == 33 || i == 34 || i == 35);
        syncTable[i].mode = false;
        syncTable[i].count = 1;
        syncTable[i].note = 4;
    }

    std::strncpy (name, "Init Quarn", sizeof (name) - 1);
}
