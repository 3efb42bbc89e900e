#pragma once
// Test support for the application's window: HOME in a temporary folder, an
// audio device type whose one device runs its callback from a thread of its
// own (so the streamer really plays), dialogs that answer as told and record
// what they were asked, and generated WAV files.
#include "SelvoApplication.h"
#include "StoredSettings.h"

#include "Dialogs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace selvo_test
{
// What a test device offers: 2 inputs, `outputs` outputs, 44.1 kHz and
// `block`-frame blocks; with `threaded` its callback runs from a thread of
// its own every 2 ms once started, otherwise never.
struct DeviceShape
{
    int outputs = 2;
    int block = 256;
    bool threaded = true;
    // Called on the device's thread after each block, when set.
    std::function<void()> afterBlock;
};

class TestDevice : public juce::AudioIODevice, private juce::Thread
{
public:
    explicit TestDevice (const DeviceShape& s)
        : juce::AudioIODevice ("Running", "Threaded"), juce::Thread ("test device"), shape (s)
    {
    }
    ~TestDevice() override { close(); }

    juce::StringArray getOutputChannelNames() override { return names ("out", shape.outputs); }
    juce::StringArray getInputChannelNames() override { return names ("in", 2); }
    juce::Array<double> getAvailableSampleRates() override { return { 44100.0 }; }
    juce::Array<int> getAvailableBufferSizes() override { return { shape.block }; }
    int getDefaultBufferSize() override { return shape.block; }
    juce::String open (const juce::BigInteger& ins, const juce::BigInteger& outs, double, int) override
    {
        inputs = ins;
        outputs = outs;
        opened = true;
        return {};
    }
    void close() override
    {
        stop();
        opened = false;
    }
    bool isOpen() override { return opened; }
    void start (juce::AudioIODeviceCallback* cb) override
    {
        if (! opened || cb == nullptr || callback != nullptr)
            return;
        cb->audioDeviceAboutToStart (this);
        callback = cb;
        if (shape.threaded)
            startThread();
    }
    void stop() override
    {
        stopThread (2000);
        if (auto* cb = callback)
        {
            callback = nullptr;
            cb->audioDeviceStopped();
        }
    }
    bool isPlaying() override { return callback != nullptr; }
    juce::String getLastError() override { return {}; }
    int getCurrentBufferSizeSamples() override { return shape.block; }
    double getCurrentSampleRate() override { return 44100.0; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return outputs; }
    juce::BigInteger getActiveInputChannels() const override { return inputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

private:
    static juce::StringArray names (const char* prefix, int n)
    {
        juce::StringArray s;
        for (int i = 0; i < n; ++i)
            s.add (juce::String (prefix) + " " + juce::String (i + 1));
        return s;
    }

    void run() override
    {
        juce::AudioBuffer<float> in (2, shape.block), out (shape.outputs, shape.block);
        in.clear();
        while (! threadShouldExit())
        {
            callback->audioDeviceIOCallbackWithContext (in.getArrayOfReadPointers(), 2, out.getArrayOfWritePointers(),
                                                        shape.outputs, shape.block, {});
            if (shape.afterBlock)
                shape.afterBlock();
            wait (2);
        }
    }

    const DeviceShape shape;
    juce::BigInteger inputs, outputs;
    bool opened = false;
    juce::AudioIODeviceCallback* callback = nullptr;
};

// A device type with one device of the given shape.
class TestDeviceType : public juce::AudioIODeviceType
{
public:
    explicit TestDeviceType (const DeviceShape& s = {}) : juce::AudioIODeviceType ("Threaded"), shape (s) {}
    void scanForDevices() override {}
    juce::StringArray getDeviceNames (bool) const override { return { "Running" }; }
    int getDefaultDeviceIndex (bool) const override { return 0; }
    int getIndexOfDevice (juce::AudioIODevice* d, bool) const override { return d != nullptr ? 0 : -1; }
    bool hasSeparateInputsAndOutputs() const override { return false; }
    juce::AudioIODevice* createDevice (const juce::String&, const juce::String&) override { return new TestDevice (shape); }

private:
    const DeviceShape shape;
};

// A device type that offers no device.
class NoDeviceType : public juce::AudioIODeviceType
{
public:
    NoDeviceType() : juce::AudioIODeviceType ("Nothing") {}
    void scanForDevices() override {}
    juce::StringArray getDeviceNames (bool) const override { return {}; }
    int getDefaultDeviceIndex (bool) const override { return -1; }
    int getIndexOfDevice (juce::AudioIODevice*, bool) const override { return -1; }
    bool hasSeparateInputsAndOutputs() const override { return true; }
    juce::AudioIODevice* createDevice (const juce::String&, const juce::String&) override { return nullptr; }
};

// Answers OK/Cancel with okAnswer and the file chooser with chosenFile
// (cancelled when it is the empty file); records every question.
class AnsweringDialogs : public Dialogs
{
public:
    void showAlert (const juce::String& title, const juce::String& message) override
    {
        alerts.add (title + "|" + message);
    }
    bool askOkCancel (const juce::String& title, const juce::String& message, const juce::String& ok,
                      const juce::String& cancel) override
    {
        questions.add (title + "|" + message + "|" + ok + "|" + cancel);
        return okAnswer;
    }
    bool chooseFileToOpen (const juce::String& title, const juce::File& initial, const juce::String&,
                           juce::File& result) override
    {
        choosers.add (title + "|" + initial.getFullPathName());
        result = chosenFile;
        return chosenFile != juce::File();
    }
    bool chooseFileToSave (const juce::String&, const juce::File&, const juce::String&, juce::File&) override
    {
        return false;
    }

    bool okAnswer = false;
    juce::File chosenFile;
    juce::StringArray alerts, questions, choosers;
};

// HOME in a temporary folder (XDG_CONFIG_HOME unset), given back with the
// folder deleted after the settings store is closed.
class TempHomeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        oldHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
        home = juce::File::createTempFile ("selvo-home");
        ASSERT_TRUE (home.createDirectory());
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");
    }
    void TearDown() override
    {
        selvo::StoredSettings::deleteInstance();
        setenv ("HOME", oldHome.toRawUTF8(), 1);
        home.deleteRecursively();
    }

    juce::File settingsFile() const { return home.getChildFile (".config/Vokt/Vokt Selvo.settings"); }

    // Opens the store and the window as the application does.
    static std::unique_ptr<selvo::StandaloneFilterWindow> openWindow (const selvo::StandaloneFilterWindow::Seams& seams)
    {
        selvo::StoredSettings::getInstance()->init ("Vokt Selvo");
        return std::make_unique<selvo::StandaloneFilterWindow> (juce::String(), juce::Colours::lightgrey, seams);
    }

    // A WAV of `seconds` at 44.1 kHz in HOME: a 441 Hz sine at half scale on every channel.
    juce::File wav (const juce::String& name, int channels, double seconds = 2.0)
    {
        auto file = home.getChildFile (name);
        file.deleteFile();
        juce::WavAudioFormat format;
        std::unique_ptr<juce::OutputStream> stream (new juce::FileOutputStream (file));
        std::unique_ptr<juce::AudioFormatWriter> writer (
            format.createWriterFor (stream.get(), 44100.0, (unsigned int) channels, 16, {}, 0));
        if (writer == nullptr)
            return {};
        stream.release();
        const int frames = (int) (seconds * 44100.0);
        juce::AudioBuffer<float> buffer (channels, frames);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < frames; ++i)
                buffer.setSample (c, i, 0.5f * (float) std::sin (2.0 * juce::MathConstants<double>::pi * 441.0 * i / 44100.0));
        writer->writeFromAudioSampleBuffer (buffer, 0, frames);
        return file;
    }

    juce::String oldHome;
    juce::File home;
};

// HOME in a temporary folder, the threaded device, the answering dialogs.
class SelvoFixture : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        seams.addDeviceTypes = [] (juce::AudioDeviceManager& m) {
            m.addAudioDeviceType (std::make_unique<TestDeviceType>());
        };
    }
    void TearDown() override
    {
        window.reset();
        TempHomeTest::TearDown();
    }

    selvo::StandaloneFilterWindow& start()
    {
        window = openWindow (seams);
        return *window;
    }
    void quit()
    {
        window.reset();
        selvo::StoredSettings::deleteInstance();
    }

    // Runs the message loop until done() or the time is up; done()'s last answer.
    static bool pumpUntil (const std::function<bool()>& done, int timeoutMs = 3000)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
        while (! done())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return done();
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        }
        return true;
    }

    AnsweringDialogs dialogs;
    ScopedDialogs scoped { dialogs };
    selvo::StandaloneFilterWindow::Seams seams;
    std::unique_ptr<selvo::StandaloneFilterWindow> window;
};
} // namespace selvo_test
