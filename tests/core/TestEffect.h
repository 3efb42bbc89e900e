#pragma once
// A small headless effect on MyEffect for the framework's tests: a few
// parameters held as atomic floats, one program record of N big-endian
// floats, 16 presets of N floats, and a plain preset interpolation driven by
// the effect clock (so the agitator thread has work to do).
//
// Parameters: 0 "Gain", 1 "Mix", 2 "Mode" (discrete, 5 steps), 3 "Switch"
// (discrete, 2 steps), 4 "Preset" (discrete, 16 steps), 5 "Agit Speed 1",
// then "Param k" up to the count asked for.
#include "MyEffect.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

class TestEffect : public MyEffect
{
public:
    static constexpr uint32_t productCode = makeFourCC ('T', 'e', 's', 't');
    static constexpr int presetParameter = 4;
    static constexpr int numPresets = 16;

    explicit TestEffect (int numParameters = 8, bool startTimersNow = true)
        : MyEffect (BusesProperties()
                        .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                        .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
          n (numParameters),
          values (new std::atomic<float>[(size_t) numParameters]),
          presets ((size_t) (numPresets * numParameters), 0.0f),
          presetsAP ((size_t) (numPresets * numParameters), 0.0f),
          target ((size_t) numParameters, 0.0f),
          origin ((size_t) numParameters, 0.0f)
    {
        for (int i = 0; i < n; ++i)
        {
            values[(size_t) i].store (defaultOf (i));
            addParameter (new VoktParameter (*this, i));
        }
        numPrograms.store (1);
        InitMIDI();
        initPreset();
        if (startTimersNow)
            startTimers();
    }

    ~TestEffect() override { stopThreads(); }

    // ---- audio ----
    void prepareToPlay (double sampleRate, int maximumBlockSize) override
    {
        setRateAndBufferSizeDetails (sampleRate, maximumBlockSize);
        blockSize.store (maximumBlockSize);
    }

    void releaseResources() override {}

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        MyEffect::processBlock (buffer, midi);
        buffer.applyGain (values[0].load());
    }
    using MyEffect::processBlock;

    juce::AudioProcessorEditor* createEditor() override { return nullptr; }

    // ---- programs ----
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return "Program 1"; }
    void changeProgramName (int, const juce::String&) override {}

    int getProgramSize() override { return n * 4 + (int) sizeof (stateHeader); }
    int getProgramID() override { return (int) makeFourCC ('T', 's', 'P', 'r'); }

    // ---- state: header, N big-endian floats, MIDI bindings ----
    void getStateInformation (juce::MemoryBlock& dest) override
    {
        std::vector<float> record ((size_t) n);
        for (int i = 0; i < n; ++i)
            record[(size_t) i] = SwapFloatToBig (values[(size_t) i].load());
        writeStateChunk (dest, productCode, record.data(), record.size() * sizeof (float));
    }

    void setStateInformation (const void* data, int sizeInBytes) override
    {
        StateChunkView view;
        if (! readStateChunk (data, sizeInBytes, productCode, view))
            return;
        if (view.programsSize != (std::size_t) n * sizeof (float))
            return;

        std::vector<float> record ((size_t) n);
        std::memcpy (record.data(), view.programs, view.programsSize);
        for (auto& v : record)
        {
            v = SwapFloatToHost (v);
            if (! std::isfinite (v))
                return;  // refused: nothing changes
        }

        for (int i = 0; i < n; ++i)
            setIndexedParameter (i, record[(size_t) i]);
        if (view.midi != nullptr)
            setMidiInformation (view.midi, view.midiSize);
    }

    // ---- indexed parameters ----
    bool getIndexedParameterDiscrete (int i) override { return i >= 2 && i <= 4; }

    int getIndexedParameterNumSteps (int i) override
    {
        switch (i)
        {
            case 2: return modeSteps;
            case 3: return 2;
            case 4: return numPresets;
            default: return 1024;
        }
    }

    juce::String getIndexedParameterTextFromValue (int, float v, int maxLength) override
    {
        lastTextLength.store (maxLength);
        return juce::String (v, 2);
    }

    float getIndexedParameterValueFromText (int, juce::String text) override { return text.getFloatValue(); }

    juce::String getIndexedParameterText (int i) override
    {
        return isValidParameterIndex (i) ? juce::String (values[(size_t) i].load(), 2) : juce::String();
    }

    void setIndexedParameter (int i, float v) override
    {
        if (! acceptParameterValue (i, v))
            return;
        values[(size_t) i].store (v);
        setCount.fetch_add (1);
        NonInterpolateParameter (i, true);
        updateEditor();
    }

    float getIndexedParameter (int i) override
    {
        return isValidParameterIndex (i) ? values[(size_t) i].load() : 0.0f;
    }

    juce::String getIndexedParameterName (int i) override
    {
        static const char* const names[] = { "Gain", "Mix", "Mode", "Switch", "Preset", "Agit Speed 1" };
        if (i >= 0 && i < 6)
            return names[i];
        return "Param " + juce::String (i);
    }

    float getIndexedDefaultValue (int i) override { return defaultOf (i); }

    // ---- presets: 16 records of N floats; action 0/3 loads by interpolation ----
    bool isPreset (int i) override { return i == presetParameter; }
    int getPresetSize() override { return n * (int) sizeof (float); }

    void getPresetStates (int* states) override
    {
        for (int s = 0; s < numPresets; ++s)
            states[s] = 1;
    }

    void initPreset() override
    {
        for (int s = 0; s < numPresets; ++s)
            for (int i = 0; i < n; ++i)
                presets[(size_t) (s * n + i)] = presetsAP[(size_t) (s * n + i)] = (float) s / (float) (numPresets - 1);
    }

    void SetPreset (long slot, long action) override
    {
        if (slot < 0 || slot >= numPresets)
            return;
        const std::lock_guard<std::mutex> lock (interpolationLock);
        if (action == 0 || action == 3)
        {
            for (int i = 0; i < n; ++i)
            {
                origin[(size_t) i] = values[(size_t) i].load();
                target[(size_t) i] = presets[(size_t) (slot * n + i)];
            }
            targetPreset.store ((int) slot);
            interpolationStartTick.store ((int64_t) TickCount());
            InitNonInterpolatedParameters();
            alfa.store (0.0f);
        }
        else if (action == 1)
        {
            for (int i = 0; i < n; ++i)
                presets[(size_t) (slot * n + i)] = presetsAP[(size_t) (slot * n + i)] = values[(size_t) i].load();
        }
    }

    unsigned char* getPresetPointer (int slot) override
    {
        return (slot >= 0 && slot < numPresets) ? reinterpret_cast<unsigned char*> (&presets[(size_t) (slot * n)]) : nullptr;
    }

    unsigned char* getPresetPointerAP (int slot) override
    {
        return (slot >= 0 && slot < numPresets) ? reinterpret_cast<unsigned char*> (&presetsAP[(size_t) (slot * n)]) : nullptr;
    }

    void StopInterpolation() override { alfa.store (1.0f); }

    void interpolTask() override
    {
        interpolationSteps.fetch_add (1);
        const std::lock_guard<std::mutex> lock (interpolationLock);
        if (alfa.load() >= 1.0f)
            return;

        const double now = TickCount();
        const float a = juce::jlimit (0.0f, 1.0f, (float) ((now - (double) interpolationStartTick.load()) * interpolationRate.load() / 60.0));
        bulkSet.store (true);
        for (int i = 0; i < n; ++i)
            if (nonInterpolated[(size_t) i].load() == 0)
                setIndexedParameter (i, origin[(size_t) i] + a * (target[(size_t) i] - origin[(size_t) i]));
        bulkSet.store (false);
        alfa.store (a);
    }

    float defaultOf (int i) const { return i == 0 ? 1.0f : 0.5f; }

    const int n;
    int modeSteps = 5;
    std::unique_ptr<std::atomic<float>[]> values;
    std::atomic<int> lastTextLength { 0 };
    std::atomic<int> setCount { 0 };
    std::atomic<int> interpolationSteps { 0 };

private:
    std::mutex interpolationLock;
    std::vector<float> presets, presetsAP, target, origin;
};
