#pragma once
// QuarnProcessor: the plug-in "Vokt Quarn" as JUCE's LV2 and VST3 wrappers
// see it: the crunch effect behind a thin layer that owns the host's render
// call, the host's saved state and the editor.
// - Render: every call holds the callback lock for the whole block; a
//   suspended effect clears the block; otherwise the effect is told the
//   host's block size once and then processes the block, which it cuts into
//   pieces of at most 1024 frames over the host's memory (no allocation). A
//   host bypass runs the same path with the wet part forced to 0.
// - State: the host saves and restores the current-program chunk; restoring
//   applies that program to the live effect.
// - Parameters: the effect's 37 indexed parameters, all automatable, with
//   their names, value texts and step counts; "Aux On" shows hosts its three
//   sources (No Aux, File, Side-Chain) and never "Load File", which is the
//   editor's own command. Values a host sets (generic editors, automation,
//   programs, state) reach the effect on any thread without blocking: what
//   would block is deferred to the message thread (see Zuveruva.h). The
//   effect's timer tells the host the values it changes by itself, without
//   gestures (MyEffect::notifyHostOfChangedValues), from the host's first
//   prepareToPlay or state restore to its releaseResources only: JUCE's
//   wrappers register their processor listeners on the host's thread before
//   they hand the processor a state or prepare it, and the VST3 one removes
//   them after it releases it. A VST3 host is never told the values it reads
//   itself (at load and after a state restore): JUCE's VST3 wrapper turns
//   each value told into an edit, which the host plays back into the plug-in
//   later, over whatever it set or restored meanwhile (a frame size, and so
//   the latency, went back to the old one).
// - Built off the message thread (JUCE's wrappers build it on the host's
//   thread), its timer starts once the object is whole: the entry calls
//   startTimersOnceBuilt().
//
// Threads: processBlock / processBlockBypassed on the host's render thread;
// state calls on host threads (never the render thread); the rest as Zuveruva.
#include "Zuveruva.h"

class QuarnProcessor : public Zuveruva
{
public:
    QuarnProcessor();
    // Stops the timer and the agitator thread before any part of the object
    // goes (their calls are virtual).
    ~QuarnProcessor() override;

    // The engine's, then the host is told the running values (prepare) or
    // no longer (release).
    void prepareToPlay (double sampleRate, int maximumBlock) override;
    void releaseResources() override;

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using Zuveruva::processBlock;
    using Zuveruva::processBlockBypassed;

    // The crunch editor (ZuveruvaEditor); the engine itself makes none.
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    // The host's state: the current-program chunk. A restore turns the host
    // notification on.
    void getStateInformation (juce::MemoryBlock& dest) override;
    void setStateInformation (const void* data, int size) override;

    // Hosts list and automate every parameter.
    bool isIndexedParameterAutomatable (int i) override;

private:
    // Whether the wrapper's host reads every value itself when it loads the
    // plug-in and after a state restore (VST3; LV2 hosts are told them).
    bool readsValuesItself() const noexcept;
    void render (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi, bool hostBypass);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuarnProcessor)
};
