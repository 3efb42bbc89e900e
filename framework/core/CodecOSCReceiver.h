#pragma once
// CodecOSCReceiver: the address space under "/VoktTools/" of an effect's OSC
// endpoint: discovery, parameter listings, values, texts and names, updates,
// identity checks and the identify request, each answered at once.
// Every argument is checked before use; a message that does not fit its
// address exactly is ignored.
// Threads: message thread only (JUCE posts each received message there).
#include "CodecOSC.h"

class MyEffect;

class CodecOSCReceiver : public CodecOSC
{
public:
    // Parameter messages per listing bundle, after the header.
    static constexpr int listingBatch = 40;
    // Wildcard patterns are matched only when they are at most this long and
    // hold at most this many '*' and '{' together (matching is exponential in
    // them).
    static constexpr int maxWildcardPatternLength = 64;
    static constexpr int maxWildcardBranches = 3;

    // owner: the effect of which this is a base; not owned.
    explicit CodecOSCReceiver (MyEffect* owner);
    ~CodecOSCReceiver() override = default;

    void oscMessageReceived (const juce::OSCMessage& message) override;
    // Bundles received are ignored.
    void oscBundleReceived (const juce::OSCBundle& bundle) override;

    // Announces this instance to the stored remote host and port.
    void sendAlive();

    MyEffect* processor;

private:
    // Opens the reply, sends message and closes it again.
    void replyOnce (const juce::OSCMessage& message);
    void replyAlive (bool withParameterCount);
    void replyPluginInfos();
    void replyListing (bool withDetails);
    void replyParameterValues (int index);

    JUCE_DECLARE_NON_COPYABLE (CodecOSCReceiver)
};
