// Snapshots of the whole editor over a running engine with four players, at
// the default and the double size (<build>/snapshots/rarizuz_editor_*.png).
#include "DelayEditorFixture.h"

#include <cmath>

TEST_F (DelayEditorTest, SnapshotsAtBothSizes)
{
    players ({ 1, 3, 4, 6 }, 3);
    fx->setQuietly (RariZuz::pMute + 5, 1.0f);
    fx->createBar (3, 0.3f, 0.2f, 0.6f, 0.45f);
    fx->createBar (0, 0.8f, 0.6f, 0.85f, 0.9f);
    fx->prepareToPlay (44100.0, 512);
    open();

    // A chirp over noise, long enough to fill part of the sonogram.
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    juce::Random random (11);
    double phase = 0.0;
    for (int block = 0; block < 400; ++block)
    {
        for (int i = 0; i < 512; ++i)
        {
            const double t = (block * 512 + i) / 44100.0;
            phase += 2.0 * juce::MathConstants<double>::pi * (200.0 + 900.0 * std::fmod (t, 2.0)) / 44100.0;
            const float s = 0.4f * (float) std::sin (phase) + 0.05f * (random.nextFloat() - 0.5f);
            buffer.setSample (0, i, s);
            buffer.setSample (1, i, s);
        }
        {
            const juce::ScopedLock lock (fx->getCallbackLock());
            fx->processBlock (buffer, midi);
        }
        if (block % 8 == 0)
            editor->timerCallback();
    }
    editor->timerCallback();
    editor->updateParametersFromFilter();

    const auto small = guitest::writeSnapshot (*editor, "rarizuz_editor_560x432");
    EXPECT_TRUE (small.existsAsFile());
    editor->setSize (1120, 864);
    const auto large = guitest::writeSnapshot (*editor, "rarizuz_editor_1120x864");
    EXPECT_TRUE (large.existsAsFile());
    fx->releaseResources();
}
