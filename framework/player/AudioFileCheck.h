#pragma once
// Checks that a file is a sound file the player can read (mono or stereo),
// before it is opened as a source.
// Threads: message thread (the message variant shows an alert box).
#include <juce_core/juce_core.h>

#include <functional>

// -1: missing or not a readable sound file; 0: readable, 1 or 2 channels;
// otherwise the channel count (3 or more).
int validateAudioFile (juce::File file);

// 0 when validateAudioFile gives 0; otherwise tells the user in an alert box
// and returns -1.
int validateAudioFileAndMessage (juce::File file);

// How validateAudioFileAndMessage shows its alert (title, message). Tests
// install their own; an empty function restores the alert box.
using SoundFileAlert = std::function<void (const juce::String& title, const juce::String& message)>;
void setSoundFileAlert (SoundFileAlert alert);
