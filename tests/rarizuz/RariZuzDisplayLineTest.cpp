// The sonogram's copy of delay line 0: after every frame it holds what the
// line holds (feedback included), and it follows the line through frame-size
// changes.
#include "RariZuz.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{
void prepare (RariZuz& e, int block)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (e.setBusesLayout (layout));
    e.prepareToPlay (44100.0, block);
}

void render (RariZuz& e, int blocks, int block, std::mt19937& rng)
{
    std::uniform_real_distribution<float> d (-0.5f, 0.5f);
    juce::AudioBuffer<float> buffer (2, block);
    juce::MidiBuffer midi;
    for (int b = 0; b < blocks; ++b)
    {
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < block; ++s)
                buffer.setSample (c, s, d (rng));
        e.processBlock (buffer, midi);
    }
}

// Every frame of the display line equals the same frame of delay line 0.
void expectSameAsLineZero (const RariZuz& e)
{
    const auto& line = e.getDelayLine (0);
    const auto& copy = e.getDisplayLine();
    ASSERT_EQ (copy.getCount(), line.getCount());
    ASSERT_EQ (copy.getLength(), line.getLength());
    ASSERT_EQ (copy.getWriteIndex(), line.getWriteIndex());
    int differences = 0;
    for (uint64_t f = 0; f < line.getCount(); ++f)
        for (uint64_t i = 0; i < line.getLength(); ++i)
            differences += copy.loadRelaxed (f, i) != line.getBuffer (f)[i] ? 1 : 0;
    EXPECT_EQ (differences, 0);
}
} // namespace

TEST (RariZuzDisplayLine, HoldsTheFinishedFramesOfLineZero)
{
    RariZuz e;
    prepare (e, 512);
    // Feedback writes into the newest frame after it is stored: the copy
    // must be taken after that.
    e.setIndexedParameter (RariZuz::pFeedback, 0.9f);
    e.setIndexedParameter (RariZuz::pDelay, 0.0f);
    e.setIndexedParameter (RariZuz::pLength, 1.0f);
    std::mt19937 rng (5);
    render (e, 40, 512, rng);
    EXPECT_GT (e.getDelayLine (0).getWriteIndex(), 30u);
    expectSameAsLineZero (e);

    // A new frame size reallocates both, empty, and the copy follows again.
    e.setIndexedParameter (RariZuz::pBands, 0.0f);
    EXPECT_EQ (e.getDisplayLine().getLength(), 256u);
    EXPECT_EQ (e.getDisplayLine().getWriteIndex(), 0u);
    render (e, 10, 100, rng);
    expectSameAsLineZero (e);
}
