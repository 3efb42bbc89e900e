// The plug-in layer in front of the crunch effect: the render call (lock,
// suspension, block size, pieces of at most 1024 frames over the host's
// memory, bypass), the host's state key, no editor, and host block sizes
// and rates without allocation, NaN or subnormals.
#include "ZuveruvaTestSupport.h"

#include "AllocationCounter.h"
#include "QuarnProcessor.h"
#include "ZuveruvaEditor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace zuveruva_test;

namespace
{
// Records every piece the engine is given: where it starts in the host's
// channel memory, how long it is, and the block size the effect had been told.
class SlicingSpy : public QuarnProcessor
{
public:
    ~SlicingSpy() override { stopThreads(); }
    struct Piece
    {
        std::ptrdiff_t offset;
        int length;
        int blockSize;
        bool bypassed;
        bool lockHeld;
    };

    const float* hostChannel0 = nullptr;
    std::vector<Piece> pieces;
    bool checkLock = false;

protected:
    void renderSlice (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        const float* start = buffer.getNumChannels() > 0 ? buffer.getReadPointer (0) : nullptr;
        bool lockHeld = true;
        if (checkLock)
        {
            // Another thread cannot take the callback lock while a piece runs.
            std::thread other ([this, &lockHeld] {
                lockHeld = ! getCallbackLock().tryEnter();
                if (! lockHeld)
                    getCallbackLock().exit();
            });
            other.join();
        }
        pieces.push_back ({ start != nullptr && hostChannel0 != nullptr ? start - hostChannel0 : -1,
                            buffer.getNumSamples(), blockSize.load(), bypassed.load(), lockHeld });
        QuarnProcessor::renderSlice (buffer, midi);
    }
};

// The engine run without any piece longer than `block` frames, in blocks of `block`.
std::vector<Signal> engineReference (const std::vector<Signal>& in, int block)
{
    Zuveruva fx;
    EXPECT_TRUE (prepare (fx, 2, 0, block));
    Render r;
    r.in = in;
    r.block = block;
    return r.run (fx);
}

struct SliceCase
{
    int hostBlock;
    std::vector<int> lengths;
};

TEST (QuarnProcessor, CutsHostBlocksIntoPiecesOverTheHostMemory)
{
    const SliceCase cases[] = {
        { 0, { 0 } },
        { 1, { 1 } },
        { 512, { 512 } },
        { 1023, { 1023 } },
        { 1024, { 1024 } },
        { 1025, { 1024, 1 } },
        { 2500, { 1024, 1024, 452 } },
        { 4096, { 1024, 1024, 1024, 1024 } },
    };

    const int length = 3 * 4096 + 777;
    const std::vector<Signal> in { noise (length, 5), noise (length, 6) };
    const auto reference = engineReference (in, 64);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "host block " << c.hostBlock);
        SlicingSpy fx;
        ASSERT_TRUE (prepare (fx, 2, 0, std::max (c.hostBlock, 1)));

        // Every host block is cut the same way; the output is the engine's.
        juce::AudioBuffer<float> buffer (2, std::max (c.hostBlock, 1));
        juce::MidiBuffer midi;
        std::vector<Signal> out (2, Signal ((size_t) length, 0.0f));
        const int step = std::max (c.hostBlock, 1);
        for (int offset = 0; offset + c.hostBlock <= length && offset < length; offset += step)
        {
            buffer.setSize (2, c.hostBlock, false, false, true);
            for (int ch = 0; ch < 2; ++ch)
                buffer.copyFrom (ch, 0, in[(size_t) ch].data() + offset, c.hostBlock);
            fx.hostChannel0 = buffer.getReadPointer (0);
            fx.pieces.clear();
            fx.blockSize.store (-1);
            fx.processBlock (buffer, midi);

            ASSERT_EQ (fx.pieces.size(), c.lengths.size());
            std::ptrdiff_t expectedOffset = 0;
            for (size_t k = 0; k < c.lengths.size(); ++k)
            {
                const auto& piece = fx.pieces[k];
                EXPECT_EQ (piece.offset, expectedOffset);
                EXPECT_EQ (piece.length, c.lengths[k]);
                EXPECT_EQ (piece.blockSize, std::min (c.hostBlock, 1024)); // told once, before the pieces
                EXPECT_FALSE (piece.bypassed);
                expectedOffset += c.lengths[k];
            }
            for (int ch = 0; ch < 2; ++ch)
                std::copy (buffer.getReadPointer (ch), buffer.getReadPointer (ch) + c.hostBlock,
                           out[(size_t) ch].data() + offset);
            if (c.hostBlock == 0)
                break;
        }

        if (c.hostBlock > 0)
        {
            const int rendered = (length / c.hostBlock) * c.hostBlock;
            for (int ch = 0; ch < 2; ++ch)
                for (int t = 0; t < rendered; ++t)
                    ASSERT_EQ (out[(size_t) ch][(size_t) t], reference[(size_t) ch][(size_t) t]) << "ch " << ch << " t " << t;
        }
    }
}

TEST (QuarnProcessor, HostBypassIsCutLikeAProcessedBlockAndGivesTheDryPath)
{
    SlicingSpy fx;
    fx.checkLock = true;
    ASSERT_TRUE (prepare (fx, 2, 0, 2500));
    const int latency = fx.getLatencySamples();

    const int length = 4 * 2500;
    const std::vector<Signal> in { noise (length, 7), noise (length, 8) };
    juce::AudioBuffer<float> buffer (2, 2500);
    juce::MidiBuffer midi;
    std::vector<Signal> out (2, Signal ((size_t) length, 0.0f));
    for (int offset = 0; offset < length; offset += 2500)
    {
        for (int ch = 0; ch < 2; ++ch)
            buffer.copyFrom (ch, 0, in[(size_t) ch].data() + offset, 2500);
        fx.hostChannel0 = buffer.getReadPointer (0);
        fx.pieces.clear();
        fx.processBlockBypassed (buffer, midi);
        ASSERT_EQ (fx.pieces.size(), 3u);
        for (const auto& piece : fx.pieces)
        {
            EXPECT_TRUE (piece.bypassed);
            EXPECT_TRUE (piece.lockHeld);
        }
        EXPECT_EQ (fx.pieces[2].offset, 2048);
        EXPECT_EQ (fx.pieces[2].length, 452);
        EXPECT_FALSE (fx.bypassed.load());
        for (int ch = 0; ch < 2; ++ch)
            std::copy (buffer.getReadPointer (ch), buffer.getReadPointer (ch) + 2500, out[(size_t) ch].data() + offset);
    }

    // Mix stays at 100 %: the bypass alone makes the output the delayed input.
    for (int ch = 0; ch < 2; ++ch)
        for (int t = latency + 128; t < length; ++t)
            ASSERT_NEAR (out[(size_t) ch][(size_t) t], in[(size_t) ch][(size_t) (t - latency)], 2e-6f) << t;
}

TEST (QuarnProcessor, ASuspendedEffectClearsTheBlockAndIsNotCalled)
{
    SlicingSpy fx;
    ASSERT_TRUE (prepare (fx, 2, 0, 512));
    fx.suspendProcessing (true);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    for (bool bypass : { false, true })
    {
        for (int ch = 0; ch < 2; ++ch)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), 0.5f, 512);
        if (bypass)
            fx.processBlockBypassed (buffer, midi);
        else
            fx.processBlock (buffer, midi);
        EXPECT_TRUE (fx.pieces.empty());
        EXPECT_EQ (buffer.getMagnitude (0, 512), 0.0f);
    }
    fx.suspendProcessing (false);
    fx.processBlock (buffer, midi);
    EXPECT_EQ (fx.pieces.size(), 1u);
}

TEST (QuarnProcessor, TheHostStateIsTheCurrentProgramChunkAndRestoringItAppliesIt)
{
    QuarnProcessor source;
    source.setCurrentProgram (3);
    source.setIndexedParameter (Zuveruva::kGain, 0.3f);
    source.setIndexedParameter (Zuveruva::kBands, 1.0f);
    source.changeProgramName (3, "Saved");

    juce::MemoryBlock hostState, currentProgram;
    source.getStateInformation (hostState);
    source.getCurrentProgramStateInformation (currentProgram);
    EXPECT_EQ (hostState.getSize(), 17956u);
    EXPECT_EQ (hostState, currentProgram);

    QuarnProcessor restored;
    restored.setStateInformation (hostState.getData(), (int) hostState.getSize());
    EXPECT_EQ (restored.getCurrentProgram(), 0); // the chunk fills the current program
    EXPECT_EQ (restored.getProgramName (0), "Saved");
    EXPECT_EQ (restored.getIndexedParameter (Zuveruva::kGain), 0.3f);
    EXPECT_EQ (restored.getFrameSize(), 8192);

    juce::MemoryBlock again;
    restored.getStateInformation (again);
    EXPECT_EQ (again, hostState);
}

TEST (QuarnProcessor, MakesTheCrunchEditor)
{
    QuarnProcessor fx;
    EXPECT_TRUE (fx.hasEditor());
    EXPECT_EQ (fx.getName(), "Vokt Quarn");
    std::unique_ptr<juce::AudioProcessorEditor> editor (fx.createEditorIfNeeded());
    ASSERT_NE (dynamic_cast<ZuveruvaEditor*> (editor.get()), nullptr);
    EXPECT_EQ (fx.getActiveEditor(), editor.get());
    EXPECT_EQ (editor->getWidth(), 520);
    EXPECT_EQ (editor->getHeight(), 380);
    fx.editorBeingDeleted (editor.get());
}

// Host block sizes and rates: after preparation nothing is allocated in the
// render call, and the output holds no NaN, infinity or subnormal.
TEST (QuarnProcessor, HostBlockSizesAndRatesStayFiniteWithoutAllocation)
{
    for (double rate : { 44100.0, 48000.0, 96000.0 })
        for (int block : { 32, 64, 100, 256, 1000, 1024, 2048, 4096, 8192 })
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz, block " << block);
            QuarnProcessor fx;
            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses.add (juce::AudioChannelSet::stereo());
            layout.inputBuses.add (juce::AudioChannelSet::stereo());
            layout.outputBuses.add (juce::AudioChannelSet::stereo());
            ASSERT_TRUE (fx.setBusesLayout (layout));
            fx.setRateAndBufferSizeDetails (rate, block);
            fx.prepareToPlay (rate, block);
            fx.setIndexedParameter (Zuveruva::kBands, 0.8f);
            fx.setIndexedParameter (Zuveruva::kAmplitude, 0.97f);
            fx.setIndexedParameter (Zuveruva::kFrequency, 0.5f);
            fx.setIndexedParameter (Zuveruva::kAuxOn, 2.0f / 3.0f); // side chain

            juce::AudioBuffer<float> buffer (4, block);
            juce::MidiBuffer midi;
            const int blocks = (int) (1.5 * rate) / block + 2;
            juce::Random random (block);
            size_t allocations = 0;
            for (int b = 0; b < blocks; ++b)
            {
                // Signal, then silence: the decaying smoothing must not leave subnormals.
                const float level = b < blocks / 2 ? 0.5f : 0.0f;
                for (int ch = 0; ch < 4; ++ch)
                    for (int i = 0; i < block; ++i)
                        buffer.setSample (ch, i, level * (2.0f * random.nextFloat() - 1.0f));
                {
                    AllocationCounter count;
                    if (b % 7 == 3)
                        fx.processBlockBypassed (buffer, midi);
                    else
                        fx.processBlock (buffer, midi);
                    allocations += count.allocations();
                }
                for (int ch = 0; ch < 2; ++ch)
                {
                    const float* d = buffer.getReadPointer (ch);
                    for (int i = 0; i < block; ++i)
                        ASSERT_TRUE (isNormalOrZero (d[i])) << "block " << b << " ch " << ch << " i " << i << " x " << d[i];
                }
            }
            EXPECT_EQ (allocations, 0u);
        }
}
} // namespace
