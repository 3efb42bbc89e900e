// The built LV2 bundle of "Vokt Quarn" run by Debian's LV2 host jalv on a
// JACK server (the dummy back end in CI): this test's own JACK client feeds
// the plug-in a test signal and captures what it returns, which must be
// finite and not silent; and the GTK form of jalv, which embeds the plug-in's
// X11 editor in its window, shows the editor and lets the test drive it.
// Skipped, with a message, when no JACK server (or no display) answers.
#include "ScreenProbe.h"

#include <jack/jack.h>

#include <gtest/gtest.h>

#include <juce_graphics/juce_graphics.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{
// jalv as a child process whose standard input is a pipe: jalv runs until
// that input closes.
class Jalv
{
public:
    Jalv (const std::string& clientName, const juce::File& log, const std::string& host = "jalv",
          std::vector<std::string> options = {})
    {
        int fds[2];
        if (pipe (fds) != 0)
            return;
        input = fds[1];

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_adddup2 (&actions, fds[0], 0);
        posix_spawn_file_actions_addclose (&actions, fds[1]);
        posix_spawn_file_actions_addopen (&actions, 1, log.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2 (&actions, 1, 2);

        // The bundle's folder as the LV2 path; an instrumented plug-in in the
        // uninstrumented jalv needs the sanitizer's runtime loaded first.
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::strncmp (*e, "LV2_PATH=", 9) != 0 && std::strncmp (*e, "LD_PRELOAD=", 11) != 0
                && std::strncmp (*e, "ASAN_OPTIONS=", 13) != 0)
                env.push_back (*e);
        env.push_back (std::string ("LV2_PATH=") + juce::File (VOKT_QUARN_LV2).getParentDirectory().getFullPathName().toStdString());
        if (std::strlen (VOKT_SANITIZER_RUNTIME) > 0)
        {
            env.push_back (std::string ("LD_PRELOAD=") + VOKT_SANITIZER_RUNTIME);
            env.push_back ("ASAN_OPTIONS=detect_leaks=0:abort_on_error=1");
        }
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back (e.data());
        envp.push_back (nullptr);

        // The console jalv names its JACK client with -n; the GTK form with --jack-name.
        std::string program = host, exact = "-x", nameFlag = host == "jalv" ? "-n" : "--jack-name", name = clientName, uri = VOKT_QUARN_URI;
        std::vector<char*> argv { program.data(), exact.data(), nameFlag.data(), name.data() };
        for (auto& o : options)
            argv.push_back (o.data());
        argv.push_back (uri.data());
        argv.push_back (nullptr);
        if (posix_spawnp (&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy (&actions);
        close (fds[0]);
    }

    ~Jalv() { finish(); }

    bool started() const { return pid > 0; }

    bool running()
    {
        if (pid <= 0 || exited)
            return false;
        if (waitpid (pid, &status, WNOHANG) == pid)
            exited = true;
        return ! exited;
    }

    // Asks jalv to quit as its window's close would (SIGTERM, which it
    // handles), then waits as finish() does.
    int terminate()
    {
        if (pid > 0 && ! exited)
            kill (pid, SIGTERM);
        return finish();
    }

    // Closes jalv's input and waits for it to end (at most 10 s, then it is
    // stopped). Its exit status, or -1 when it had to be stopped.
    int finish()
    {
        if (input >= 0)
        {
            close (input);
            input = -1;
        }
        if (pid <= 0)
            return -1;
        for (int k = 0; k < 1000 && ! exited; ++k)
        {
            if (waitpid (pid, &status, WNOHANG) == pid)
                exited = true;
            else
                std::this_thread::sleep_for (std::chrono::milliseconds (10));
        }
        if (! exited)
        {
            kill (pid, SIGKILL);
            waitpid (pid, &status, 0);
            exited = true;
            pid = -1;
            return -1;
        }
        pid = -1;
        return WIFEXITED (status) ? WEXITSTATUS (status) : 128 + WTERMSIG (status);
    }

private:
    pid_t pid = -1;
    int input = -1;
    int status = 0;
    bool exited = false;
};

// A JACK client that plays a test signal into two ports and records two.
class SignalClient
{
public:
    explicit SignalClient (jack_client_t* c) : client (c)
    {
        for (int k = 0; k < 2; ++k)
        {
            out[k] = jack_port_register (client, ("gen_" + std::to_string (k + 1)).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
            in[k] = jack_port_register (client, ("cap_" + std::to_string (k + 1)).c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        }
        rate = (double) jack_get_sample_rate (client);
        captured[0].resize ((size_t) (rate * 10));
        captured[1].resize ((size_t) (rate * 10));
        jack_set_process_callback (client, &SignalClient::process, this);
    }

    size_t frames() const { return written.load(); }
    const std::vector<float>& channel (int k) const { return captured[k]; }
    double sampleRate() const { return rate; }

    jack_port_t* out[2] {};
    jack_port_t* in[2] {};

private:
    static int process (jack_nframes_t n, void* arg)
    {
        auto& self = *static_cast<SignalClient*> (arg);
        for (int k = 0; k < 2; ++k)
        {
            auto* gen = static_cast<float*> (jack_port_get_buffer (self.out[k], n));
            for (jack_nframes_t i = 0; i < n; ++i)
            {
                const double t = (double) (self.generated + i) / self.rate;
                gen[i] = (float) (0.3 * std::sin (2.0 * juce::MathConstants<double>::pi * (k == 0 ? 440.0 : 660.0) * t));
            }
        }
        self.generated += n;

        const size_t at = self.written.load();
        const size_t room = self.captured[0].size() - at;
        const size_t take = std::min ((size_t) n, room);
        for (int k = 0; k < 2; ++k)
        {
            const auto* cap = static_cast<const float*> (jack_port_get_buffer (self.in[k], n));
            std::copy (cap, cap + take, self.captured[k].data() + at);
        }
        self.written.store (at + take);
        return 0;
    }

    jack_client_t* client;
    double rate = 48000.0;
    uint64_t generated = 0;
    std::vector<float> captured[2];
    std::atomic<size_t> written { 0 };
};

bool waitForPort (jack_client_t* client, const std::string& name, int milliseconds)
{
    for (int t = 0; t < milliseconds; t += 50)
    {
        if (jack_port_by_name (client, name.c_str()) != nullptr)
            return true;
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
    }
    return false;
}

// The bundle's description as hosts read it: the side-chain inputs are
// declared as a side chain, "Aux On" lists its three sources, and the
// maintainer's address is a mailto: one.
TEST (QuarnJalvHost, TheBundleDeclaresTheSideChainAndTheAuxSources)
{
    const auto ttl = juce::File (VOKT_QUARN_LV2).getChildFile ("dsp.ttl").loadFileAsString();
    ASSERT_TRUE (ttl.isNotEmpty());

    juce::StringArray ports;
    ports.addTokens (ttl, "[]", "");
    int sideChainPorts = 0;
    for (const auto& port : ports)
        if (port.contains ("lv2:AudioPort") && port.contains ("lv2:InputPort") && port.contains ("pg:group plug:input_group_2"))
        {
            ++sideChainPorts;
            EXPECT_TRUE (port.contains ("lv2:isSideChain")) << port;
        }
    EXPECT_EQ (sideChainPorts, 2);
    EXPECT_TRUE (ttl.contains ("lv2:name \"SideChain\" ;\n\tpg:sideChainOf plug:input_group_1"));
    EXPECT_TRUE (ttl.contains ("foaf:mbox <mailto:"));

    const auto auxOn = ttl.fromFirstOccurrenceOf ("plug:p11\n", false, false).upToFirstOccurrenceOf ("\n\n", false, false);
    EXPECT_TRUE (auxOn.contains ("rdfs:label \"Aux On\""));
    juce::StringArray labels;
    for (auto rest = auxOn.fromFirstOccurrenceOf ("lv2:scalePoint", false, false); rest.contains ("rdfs:label");
         rest = rest.fromFirstOccurrenceOf ("rdfs:label", false, false))
        labels.add (rest.fromFirstOccurrenceOf ("rdfs:label \"", false, false).upToFirstOccurrenceOf ("\"", false, false));
    EXPECT_EQ (labels.joinIntoString ("|"), "No Aux|File|Side-Chain");
}

TEST (QuarnJalvHost, TheLv2BundleRunsInJalvAndProcessesASignal)
{
    jack_status_t status;
    jack_client_t* client = jack_client_open ("vokt_quarn_signal", JackNoStartServer, &status);
    if (client == nullptr)
        GTEST_SKIP() << "no JACK server is reachable (start one, e.g. scripts/jack-dummy.sh start)";

    const juce::File log = juce::File::getSpecialLocation (juce::File::tempDirectory)
                               .getChildFile ("vokt-quarn-jalv-" + juce::String (getpid()) + ".log");
    const std::string name = "vokt_quarn_" + std::to_string (getpid());
    Jalv jalv (name, log);
    ASSERT_TRUE (jalv.started()) << "jalv could not be started";

    // An instrumented debug plug-in takes a while to load.
    const bool ready = waitForPort (client, name + ":audio_out_2", 60000);
    ASSERT_TRUE (ready) << "jalv did not bring up the plug-in's ports:\n" << log.loadFileAsString();

    SignalClient signal (client);
    ASSERT_EQ (jack_activate (client), 0);
    const std::string self = jack_get_client_name (client);
    for (int k = 0; k < 2; ++k)
    {
        const std::string n = std::to_string (k + 1);
        EXPECT_EQ (jack_connect (client, (self + ":gen_" + n).c_str(), (name + ":audio_in_" + n).c_str()), 0);
        EXPECT_EQ (jack_connect (client, (name + ":audio_out_" + n).c_str(), (self + ":cap_" + n).c_str()), 0);
    }

    // About three seconds of audio through the plug-in.
    const size_t wanted = (size_t) (3.0 * signal.sampleRate());
    for (int k = 0; k < 200 && signal.frames() < wanted; ++k)
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
    EXPECT_TRUE (jalv.running()) << log.loadFileAsString();

    jack_deactivate (client);
    jack_client_close (client);
    const int exitCode = jalv.finish();
    const juce::String output = log.loadFileAsString();
    EXPECT_EQ (exitCode, 0) << output;
    EXPECT_FALSE (output.contains ("Sanitizer")) << output;
    EXPECT_FALSE (output.contains ("runtime error")) << output;
    log.deleteFile();

    const size_t frames = signal.frames();
    ASSERT_GE (frames, wanted / 2) << "too little audio came back";
    for (int k = 0; k < 2; ++k)
    {
        double sum = 0.0;
        for (size_t t = 0; t < frames; ++t)
        {
            const float x = signal.channel (k)[t];
            ASSERT_TRUE (std::isfinite (x)) << "channel " << k << " frame " << t;
            if (t >= frames / 2)
                sum += (double) x * x;
        }
        const double rms = std::sqrt (sum / (double) (frames - frames / 2));
        EXPECT_GT (rms, 0.05) << "channel " << k << " is silent";
    }
}
// Pixels of a screen rectangle as an image, written to the snapshot folder.
void writeScreenSnapshot (const std::vector<uint32_t>& pixels, int width, int height, const juce::String& name)
{
    juce::Image image (juce::Image::RGB, width, height, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelAt (x, y, juce::Colour (pixels[(size_t) (y * width + x)]));
    const juce::File folder (VOKT_SNAPSHOT_DIR);
    folder.createDirectory();
    const auto file = folder.getChildFile (name + ".png");
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat().writeImageToStream (image, out);
}

TEST (QuarnJalvHost, TheEditorShowsInJalvGtkAndFollowsTheMouse)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "no X display";
    // GTK's start-up never returns with the sanitizer runtime preloaded (a
    // bare gtk_init program hangs the same way), and an instrumented plug-in
    // needs it: this test runs in builds without sanitizers.
    if (std::strlen (VOKT_SANITIZER_RUNTIME) > 0)
        GTEST_SKIP() << "jalv.gtk3 cannot start with the sanitizer runtime preloaded; run in a Release build";
    jack_status_t status;
    jack_client_t* client = jack_client_open ("vokt_quarn_ui", JackNoStartServer, &status);
    if (client == nullptr)
        GTEST_SKIP() << "no JACK server is reachable (start one, e.g. scripts/jack-dummy.sh start)";

    const juce::File log = juce::File::getSpecialLocation (juce::File::tempDirectory)
                               .getChildFile ("vokt-quarn-jalv-gtk-" + juce::String (getpid()) + ".log");
    const std::string name = "vokt_quarn_ui_" + std::to_string (getpid());
    Jalv jalv (name, log, "jalv.gtk3");
    ASSERT_TRUE (jalv.started()) << "jalv.gtk3 could not be started";
    ASSERT_TRUE (waitForPort (client, name + ":audio_out_2", 60000)) << log.loadFileAsString();

    // jalv's window, once the plug-in's editor shows in it: the editor's top
    // left is where the pad's near-white frame begins (one pixel in).
    int wx = 0, wy = 0, ww = 0, wh = 0;
    std::vector<uint32_t> pixels;
    int ex = -1, ey = -1;
    for (int k = 0; k < 600 && ex < 0; ++k)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (100));
        if (! screenprobe::findWindow ("Vokt Quarn", wx, wy, ww, wh) || ww < 520 || wh < 380)
            continue;
        pixels = screenprobe::grab (wx, wy, ww, wh);
        for (int y = 0; y < wh && ex < 0; ++y)
            for (int x = 0; x < ww && ex < 0; ++x)
                if (pixels[(size_t) (y * ww + x)] == 0xffedededu && x + 1 < ww && y + 1 < wh
                    && pixels[(size_t) ((y + 1) * ww + x + 1)] == 0xffedededu && pixels[(size_t) (y * ww + x + 200)] == 0xffedededu)
                {
                    ex = x - 1;
                    ey = y - 1;
                }
    }
    ASSERT_GE (ex, 0) << "no editor showed in jalv.gtk3:\n" << log.loadFileAsString();
    writeScreenSnapshot (pixels, ww, wh, "crunch-editor-in-jalv");
    const int ox = wx + ex, oy = wy + ey;
    EXPECT_EQ (screenprobe::grab (ox + 185, oy + 372, 1, 1), std::vector<uint32_t> { 0xff564e47u });

    // The crosshair's line, drawn in its own colour, follows a drag on the pad.
    auto lineRows = [&] (int padColumn)
    {
        const auto column = screenprobe::grab (ox + 8 + padColumn, oy + 114, 1, 164);
        return (int) std::count (column.begin(), column.end(), 0xff7fafffu);
    };
    const int target = (int) (346.0 * (242.0 - 8.0) / 330.0);
    EXPECT_LT (lineRows (target), 100);
    screenprobe::drag (ox + 100, oy + 250, ox + 250, oy + 150);
    bool moved = false;
    for (int k = 0; k < 50 && ! moved; ++k)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (100));
        moved = lineRows (target) > 140 || lineRows (target - 1) > 140 || lineRows (target + 1) > 140;
    }
    EXPECT_TRUE (moved) << "the crosshair did not follow the drag";
    EXPECT_TRUE (jalv.running()) << log.loadFileAsString();

    jack_client_close (client);
    const int exitCode = jalv.terminate();
    const juce::String output = log.loadFileAsString();
    EXPECT_EQ (exitCode, 0) << output;
    EXPECT_FALSE (output.contains ("Sanitizer")) << output;
    EXPECT_FALSE (output.contains ("runtime error")) << output;
    log.deleteFile();
}

// The values the plug-in reported to jalv's controls (patch:Set messages in
// jalv's dump of what reaches its UI), the last one per parameter index.
// jalv's "Exiting..." on its error output can land inside a dumped message.
std::map<int, float> reportedValues (const juce::String& output)
{
    const auto log = output.replace ("Exiting...\n", "");
    std::map<int, float> values;
    const juce::String property = "patch:property <" + juce::String (VOKT_QUARN_URI) + ":p";
    for (auto rest = log.fromFirstOccurrenceOf (property, false, false); rest.isNotEmpty();
         rest = rest.fromFirstOccurrenceOf (property, false, false))
    {
        const int index = rest.getIntValue();
        const auto value = rest.fromFirstOccurrenceOf ("patch:value \"", false, false).upToFirstOccurrenceOf ("\"", false, false);
        values[index] = value.getFloatValue();
    }
    return values;
}

// jalv's generic controls show the values the plug-in runs, after start and
// after a preset (a program) is loaded, not 0.
TEST (QuarnJalvHost, TheControlsShowTheRunningValuesAtStartAndAfterAPreset)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "no X display";
    if (std::strlen (VOKT_SANITIZER_RUNTIME) > 0)
        GTEST_SKIP() << "jalv.gtk3 cannot start with the sanitizer runtime preloaded; run in a Release build";
    jack_status_t status;
    jack_client_t* client = jack_client_open ("vokt_quarn_controls", JackNoStartServer, &status);
    if (client == nullptr)
        GTEST_SKIP() << "no JACK server is reachable (start one, e.g. scripts/jack-dummy.sh start)";

    for (const juce::String preset : { "", ":preset2" })
    {
        SCOPED_TRACE (preset);
        const juce::File log = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                   .getChildFile ("vokt-quarn-jalv-controls-" + juce::String (getpid()) + ".log");
        const std::string name = "vokt_quarn_controls_" + std::to_string (getpid());
        std::vector<std::string> options { "-g", "-d" };
        if (preset.isNotEmpty())
            options.insert (options.end(), { "--preset", (juce::String (VOKT_QUARN_URI) + preset).toStdString() });
        Jalv jalv (name, log, "jalv.gtk3", options);
        ASSERT_TRUE (jalv.started()) << "jalv.gtk3 could not be started";
        ASSERT_TRUE (waitForPort (client, name + ":audio_out_2", 60000)) << log.loadFileAsString();
        // A few timer ticks of the plug-in (jalv's output reaches the log when it ends).
        std::this_thread::sleep_for (std::chrono::seconds (3));
        EXPECT_TRUE (jalv.running());
        EXPECT_EQ (jalv.terminate(), 0);
        const auto output = log.loadFileAsString();
        log.deleteFile();

        const auto values = reportedValues (output);
        EXPECT_EQ (values.size(), 37u) << output;
        // Bands, Gain, Aux Gain and Aux Depth as a new instance runs them.
        const std::pair<int, float> expected[] = { { 4, 5.0f / 11.0f }, { 8, 0.8f }, { 12, 0.8f }, { 13, 1.0f } };
        for (const auto& [index, value] : expected)
        {
            ASSERT_EQ (values.count (index), 1u) << index;
            EXPECT_NEAR (values.at (index), value, 1e-6f) << index;
        }
    }
    jack_client_close (client);
}
} // namespace

