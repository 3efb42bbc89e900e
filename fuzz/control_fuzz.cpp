// libFuzzer target for the texts and messages that drive an effect from
// outside: preset texts from the clipboard, program files, OSC messages,
// MIDI bindings and MIDI bytes, parameter value texts, each given to the
// spectral delay or the crunch effect (the input's first byte chooses),
// with blocks rendered on the message thread and on another thread between
// them. After each input every parameter must be finite and in 0..1, every
// rendered sample finite, and saving then loading the state must give back
// the very bytes saved (whole state and current program); otherwise the
// target aborts with what went wrong. Each input starts from the factory
// state, with the effects' own threads stopped, so a finding reproduces from
// its input alone.
//
// Input: byte 0 = effect (bit 0: 0 spectral delay, 1 crunch effect), then
// commands (ControlFuzzCommand in control_fuzz.h): kind, length, payload.
//
// Build and run (seed corpus in fuzz/corpus/control, replayed by the crunch
// effect's tests; its files are written by the disabled test
// ControlCorpus.DISABLED_WriteSeeds), from the checkout:
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja
//       -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOKT_SANITIZE=address -DVOKT_FUZZ=ON
//       -DVOKT_BUILD_TESTS=OFF -DVOKT_BUILD_BENCH=OFF
//   cmake --build build/fuzz --target vokt_control_fuzzer -j4
//   mkdir -p build/fuzz/corpus-control
//   build/fuzz/fuzz/vokt_control_fuzzer build/fuzz/corpus-control fuzz/corpus/control
//       -dict=fuzz/osc.dict -max_len=4096 -max_total_time=900
#include "control_fuzz.h"

#include "PresetText.h"
#include "RariZuz.h"
#include "Utilities.h"
#include "Zuveruva.h"
#include "fuzz_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace
{
constexpr int blockSize = 256;

std::vector<uint8_t> stateOf (MyEffect& e, bool all)
{
    juce::MemoryBlock chunk;
    if (all)
        e.getStateInformation (chunk);
    else
        e.getCurrentProgramStateInformation (chunk);
    const auto* bytes = static_cast<const uint8_t*> (chunk.getData());
    return { bytes, bytes + chunk.getSize() };
}

struct Harness
{
    Harness()
    {
        SetUtilSampleRate (44100);
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("vokt_control_fuzz_" + juce::String::toHexString (juce::Random().nextInt64()));
        folder.createDirectory();

        delay = std::make_unique<RariZuz>();
        crunch = std::make_unique<Zuveruva>();
        MyEffect* effects[] = { delay.get(), crunch.get() };
        for (int k = 0; k < 2; ++k)
        {
            MyEffect& e = *effects[k];
            e.stopThreads();
            e.replyInterceptor = [] (const juce::OSCBundle::Element&) {};
            e.setRateAndBufferSizeDetails (44100.0, blockSize);
            e.prepareToPlay (44100.0, blockSize);
            factory[k] = stateOf (e, true);
        }
    }
    ~Harness() { folder.deleteRecursively(); }

    juce::ScopedJuceInitialiser_GUI juceRuntime; // the calling thread is the message thread
    juce::File folder;
    std::unique_ptr<RariZuz> delay;
    std::unique_ptr<Zuveruva> crunch;
    std::vector<uint8_t> factory[2];
    juce::AudioBuffer<float> buffer { 2, blockSize };
    juce::MidiBuffer midi;
    int blocksRendered = 0;
};

Harness& harness()
{
    static Harness h;
    return h;
}

int32_t int32At (const uint8_t* p) noexcept
{
    return (int32_t) (((uint32_t) p[0] << 24) | ((uint32_t) p[1] << 16) | ((uint32_t) p[2] << 8) | (uint32_t) p[3]);
}

std::string render (Harness& h, MyEffect& e)
{
    for (int c = 0; c < 2; ++c)
        for (int s = 0; s < blockSize; ++s)
            h.buffer.setSample (c, s, 0.25f * std::sin (0.05f * (float) (s + h.blocksRendered * blockSize + 7 * c)));
    ++h.blocksRendered;
    {
        const juce::ScopedLock sl (e.getCallbackLock());
        e.processBlock (h.buffer, h.midi);
    }
    for (int c = 0; c < 2; ++c)
        for (int s = 0; s < blockSize; ++s)
            if (! std::isfinite (h.buffer.getSample (c, s)))
                return "a rendered sample is not finite";
    return {};
}

// An OSC message built from bytes the way the packet check lets them
// through: ASCII texts only; JUCE refuses malformed address patterns.
void sendOsc (MyEffect& e, const uint8_t* p, int n)
{
    int i = 0;
    std::string address;
    while (i < n && p[i] != 0)
        address += (char) p[i++];
    ++i;
    for (char c : address)
        if ((unsigned char) c >= 0x80)
            return;
    try
    {
        juce::OSCMessage message { juce::OSCAddressPattern (juce::String (address)) };
        while (i < n)
        {
            const uint8_t tag = p[i++];
            if (tag == 'f' && i + 4 <= n)
            {
                const uint32_t bits = (uint32_t) int32At (p + i);
                float f;
                std::memcpy (&f, &bits, sizeof f);
                message.addFloat32 (f);
                i += 4;
            }
            else if (tag == 'i' && i + 4 <= n)
            {
                message.addInt32 (int32At (p + i));
                i += 4;
            }
            else if (tag == 's')
            {
                std::string text;
                while (i < n && p[i] != 0)
                    text += (char) p[i++];
                ++i;
                for (char c : text)
                    if ((unsigned char) c >= 0x80)
                        return;
                message.addString (juce::String (text));
            }
            else
            {
                break;
            }
        }
        e.oscMessageReceived (message);
    }
    catch (const juce::OSCException&)
    {
    }
}

std::string runCommand (Harness& h, MyEffect& e, uint8_t kind, const uint8_t* p, int n)
{
    const int numParameters = e.getMyNumParameters();
    switch (kind % cmdNumCommands)
    {
        case cmdPresetText:
        {
            if (n < 1)
                return {};
            // As the clipboard hands it over: the bytes unchecked in a juce::String.
            juce::String text = juce::String::fromUTF8 (reinterpret_cast<const char*> (p + 1), n - 1);
            (void) e.isPresetStringValid (text);
            (void) e.getPresetStringTitle (text);
            e.setPresetString (p[0] & 15, text);
            return {};
        }
        case cmdProgramFile:
        {
            const juce::File file = h.folder.getChildFile ("program");
            if (! file.replaceWithData (p, (size_t) n))
                return {};
            juce::FileInputStream in (file);
            (void) e.loadSelf (&in);
            return {};
        }
        case cmdOscMessage:
            sendOsc (e, p, n);
            return {};
        case cmdMidiBinding:
        {
            if (n < 6)
                return {};
            const int i = ((p[0] << 8) | p[1]) % numParameters;
            if (auto* binding = e.getMidiBinding (i))
                binding->store ({ (int32_t) (p[2] % 6), (int32_t) (p[3] % 18), (int32_t) (p[4] & 127), (int32_t) (p[5] & 127), 0 });
            return {};
        }
        case cmdMidiBytes:
        {
            for (int i = 0; i < n;)
            {
                const int length = (p[i] & 0x80) != 0 ? juce::jmin (3, n - i) : 1;
                e.applyMidiMessage (p + i, length);
                i += length;
            }
            return {};
        }
        case cmdValueText:
        {
            if (n < 2)
                return {};
            const int i = ((p[0] << 8) | p[1]) % numParameters;
            const std::string bytes (reinterpret_cast<const char*> (p + 2), (size_t) (n - 2));
            const juce::String text = juce::String::fromUTF8 (bytes.c_str(), (int) std::strlen (bytes.c_str()));
            if (! IsAsciiText (text))
                return {};   // value texts are ASCII, like every text we parse
            const float v = e.getIndexedParameterValueFromText (i, text);
            if (std::isfinite (v))
                e.setIndexedParameter (i, juce::jlimit (0.0f, 1.0f, v));
            return {};
        }
        case cmdRender:
            return render (h, e);
        case cmdRenderElsewhere:
        {
            std::string problem;
            std::thread other ([&] { problem = render (h, e); });
            other.join();
            return problem;
        }
        case cmdTimer:
        default:
            e.timerCallback();
            return {};
    }
}

std::string effectProblem (MyEffect& e)
{
    for (int i = 0; i < e.getMyNumParameters(); ++i)
    {
        const float v = e.getIndexedParameter (i);
        if (! (v >= 0.0f && v <= 1.0f))
            return "parameter " + std::to_string (i) + " outside 0..1";
    }
    for (const bool all : { true, false })
    {
        const auto first = stateOf (e, all);
        if (all)
            e.setStateInformation (first.data(), (int) first.size());
        else
            e.setCurrentProgramStateInformation (first.data(), (int) first.size());
        if (stateOf (e, all) != first)
            return all ? "the whole state is not a fixed point of load and save"
                       : "the current program is not a fixed point of load and save";
    }
    return {};
}
} // namespace

std::string controlFuzzInput (const uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 65536)
        return {};
    Harness& h = harness();
    const int which = data[0] & 1;
    MyEffect& e = which == 0 ? static_cast<MyEffect&> (*h.delay) : static_cast<MyEffect&> (*h.crunch);
    e.setMidiBind (false);
    e.setStateInformation (h.factory[which].data(), (int) h.factory[which].size());
    e.timerCallback();

    std::size_t at = 1;
    while (at + 2 <= size)
    {
        const uint8_t kind = data[at];
        const int n = (int) juce::jmin ((std::size_t) data[at + 1], size - at - 2);
        // An exactly sized copy: a read past the payload's end is caught.
        std::unique_ptr<uint8_t[]> payload (new uint8_t[(size_t) n + 1]);
        if (n > 0)
            std::memcpy (payload.get(), data + at + 2, (size_t) n);
        const std::string problem = runCommand (h, e, kind, payload.get(), n);
        if (! problem.empty())
            return problem;
        at += 2 + (std::size_t) n;
    }
    e.timerCallback();
    return effectProblem (e);
}

// Only in the fuzz target: the tests that replay the corpus link several
// targets' entry points into one program.
#ifdef VOKT_FUZZER_MAIN
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, std::size_t size)
{
    return fuzz_support::reportProblem ("control", controlFuzzInput (data, size));
}
#endif
