// The built application, run as a person runs it: a process of its own on
// the test's X display with HOME in a temporary folder. Its windows are found
// by their process id and closed with the window manager's close message; the
// play button is pressed with xdotool; its JACK output is captured by the
// test's own JACK client. Every wait is bounded and polls for its condition.
#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <cstdlib>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;
// Generous: a loaded two-core machine runs sanitized builds slowly.
constexpr auto startTimeout = std::chrono::seconds (90);
constexpr auto stepTimeout = std::chrono::seconds (45);

bool waitUntil (std::chrono::seconds timeout, const std::function<bool()>& done)
{
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end)
    {
        if (done())
            return true;
        std::this_thread::sleep_for (std::chrono::milliseconds (100));
    }
    return done();
}

// The application's process: started with its own environment, its output in
// a log file, killed if a test leaves it running.
class AppProcess
{
public:
    AppProcess (const juce::StringPairArray& overrides, const juce::StringArray& removed, const juce::File& log)
    {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e)
        {
            const juce::String entry (*e);
            const auto name = entry.upToFirstOccurrenceOf ("=", false, false);
            if (! overrides.containsKey (name) && ! removed.contains (name))
                env.emplace_back (*e);
        }
        for (const auto& key : overrides.getAllKeys())
            env.push_back ((key + "=" + overrides[key]).toStdString());
        std::vector<char*> envp;
        for (auto& s : env)
            envp.push_back (s.data());
        envp.push_back (nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, 1, log.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2 (&actions, 1, 2);
        std::string path = VOKT_SELVO_APP;
        char* argv[] = { path.data(), nullptr };
        if (posix_spawn (&pid, path.c_str(), &actions, nullptr, argv, envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy (&actions);
    }

    ~AppProcess()
    {
        if (running())
        {
            kill (pid, SIGKILL);
            waitpid (pid, nullptr, 0);
        }
    }

    bool running()
    {
        if (pid <= 0 || exited)
            return false;
        int s = 0;
        if (waitpid (pid, &s, WNOHANG) == pid)
        {
            exited = true;
            status = s;
            return false;
        }
        return true;
    }

    // The exit code once the process ended within timeout; -1 otherwise.
    int exitCode (std::chrono::seconds timeout)
    {
        waitUntil (timeout, [this] { return ! running(); });
        if (! exited)
            return -1;
        return WIFEXITED (status) ? WEXITSTATUS (status) : 128 + WTERMSIG (status);
    }

    pid_t pid = -1;

private:
    bool exited = false;
    int status = 0;
};

// The X display of the test: the application's top-level windows by title,
// the close message a window manager sends, and window contents.
class XScreen
{
public:
    XScreen() : display (XOpenDisplay (nullptr))
    {
        // A window manager creates these; an application looks them up only
        // when it starts, and without them it cannot be told to close.
        if (display != nullptr)
            for (const char* name : { "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS" })
                XInternAtom (display, name, False);
        // A window of the application may go between our looking it up and
        // our request: the request fails, the test goes on (Xlib's default
        // handler would end the process).
        XSetErrorHandler ([] (::Display*, XErrorEvent*) { return 0; });
    }
    ~XScreen()
    {
        if (display != nullptr)
            XCloseDisplay (display);
    }
    bool isOpen() const { return display != nullptr; }

    // A viewable top-level window of process pid whose title starts with prefix; 0 when none.
    ::Window find (pid_t pid, const juce::String& prefix)
    {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        ::Window found = 0;
        if (XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &n) == 0)
            return 0;
        for (unsigned int i = 0; i < n && found == 0; ++i)
        {
            XWindowAttributes a {};
            if (XGetWindowAttributes (display, children[i], &a) == 0 || a.map_state != IsViewable)
                continue;
            if (windowPid (children[i]) == (long) pid && title (children[i]).startsWith (prefix))
                found = children[i];
        }
        if (children != nullptr)
            XFree (children);
        return found;
    }

    juce::String title (::Window w)
    {
        const auto text = property (w, XInternAtom (display, "WM_NAME", False));
        return juce::String::fromUTF8 (text.data(), (int) text.size());
    }

    // The message the close button of a window manager sends.
    void close (::Window w)
    {
        XEvent e {};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom (display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long) XInternAtom (display, "WM_DELETE_WINDOW", False);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent (display, w, False, NoEventMask, &e);
        XFlush (display);
    }

    // The window's pixels as they are on the screen.
    juce::Image grab (::Window w)
    {
        XWindowAttributes a {};
        if (XGetWindowAttributes (display, w, &a) == 0)
            return {};
        auto* x = XGetImage (display, w, 0, 0, (unsigned) a.width, (unsigned) a.height, AllPlanes, ZPixmap);
        if (x == nullptr)
            return {};
        juce::Image image (juce::Image::RGB, a.width, a.height, false);
        for (int yy = 0; yy < a.height; ++yy)
            for (int xx = 0; xx < a.width; ++xx)
            {
                const auto p = XGetPixel (x, xx, yy);
                image.setPixelAt (xx, yy, juce::Colour ((juce::uint8) ((p >> 16) & 0xff), (juce::uint8) ((p >> 8) & 0xff),
                                                        (juce::uint8) (p & 0xff)));
            }
        XDestroyImage (x);
        return image;
    }

private:
    long windowPid (::Window w)
    {
        const auto bytes = property (w, XInternAtom (display, "_NET_WM_PID", False));
        long pid = -1;
        if (bytes.size() >= sizeof (long))
            std::memcpy (&pid, bytes.data(), sizeof (long));
        return pid;
    }

    std::vector<char> property (::Window w, Atom name)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<char> out;
        if (XGetWindowProperty (display, w, name, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after, &data) == Success
            && data != nullptr)
        {
            const size_t unit = format == 32 ? sizeof (long) : (size_t) format / 8;
            out.assign ((const char*) data, (const char*) data + count * unit);
            XFree (data);
        }
        return out;
    }

    ::Display* display;
};

// A JACK client of the test's own with two inputs: counts frames, non-finite
// samples and the largest magnitude it receives.
class Capture
{
public:
    Capture()
    {
        client = jack_client_open ("selvo-run-capture", JackNoStartServer, nullptr);
        if (client == nullptr)
            return;
        for (int i = 0; i < 2; ++i)
            ports[i] = jack_port_register (client, ("in_" + std::to_string (i + 1)).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsInput, 0);
        jack_set_process_callback (client, [] (jack_nframes_t n, void* self) { return static_cast<Capture*> (self)->process (n); }, this);
        if (jack_activate (client) != 0)
        {
            jack_client_close (client);
            client = nullptr;
        }
    }
    ~Capture()
    {
        if (client != nullptr)
        {
            jack_deactivate (client);
            jack_client_close (client);
        }
    }
    bool isOpen() const { return client != nullptr; }

    // The clients that own an audio output port.
    juce::StringArray clientsWithOutputs()
    {
        juce::StringArray clients;
        const char** names = jack_get_ports (client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        for (int i = 0; names != nullptr && names[i] != nullptr; ++i)
            clients.addIfNotAlreadyThere (juce::String (names[i]).upToFirstOccurrenceOf (":", false, false));
        if (names != nullptr)
            jack_free (names);
        return clients;
    }

    // Connects the audio outputs of the one client with outputs that is not
    // in `before` (the application's: the JACK tests hold a lock so that no
    // other client comes and goes meanwhile) to our inputs; the number connected.
    int connectNewClient (const juce::StringArray& before)
    {
        auto now = clientsWithOutputs();
        for (const auto& name : before)
            now.removeString (name);
        if (now.size() != 1)
            return 0;
        int connected = 0;
        const char** names = jack_get_ports (client, (now[0] + ":").toRawUTF8(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        for (int i = 0; names != nullptr && names[i] != nullptr && connected < 2; ++i)
        {
            const int error = jack_connect (client, names[i], jack_port_name (ports[connected]));
            if (error == 0 || error == EEXIST)
                ++connected;
        }
        if (names != nullptr)
            jack_free (names);
        return connected;
    }

    void reset()
    {
        frames = 0;
        nonFinite = 0;
        peak = 0.0f;
    }

    std::atomic<long> frames { 0 };
    std::atomic<long> nonFinite { 0 };
    std::atomic<float> peak { 0.0f };

private:
    int process (jack_nframes_t n)
    {
        float largest = 0.0f;
        long bad = 0;
        for (auto* port : ports)
        {
            const auto* x = static_cast<const float*> (jack_port_get_buffer (port, n));
            for (jack_nframes_t i = 0; i < n; ++i)
            {
                if (! std::isfinite (x[i]))
                    ++bad;
                else
                    largest = std::max (largest, std::abs (x[i]));
            }
        }
        nonFinite += bad;
        if (largest > peak.load())
            peak = largest;
        frames += (long) n;
        return 0;
    }

    jack_client_t* client = nullptr;
    jack_port_t* ports[2] = {};
};

juce::File writeTone (const juce::File& file)
{
    juce::WavAudioFormat wav;
    file.deleteFile();
    auto stream = file.createOutputStream();
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 48000.0, 2, 16, {}, 0));
    if (writer == nullptr)
        return {};
    stream.release();
    juce::AudioBuffer<float> b (2, 48000 * 4);
    for (int i = 0; i < b.getNumSamples(); ++i)
    {
        const float x = 0.5f * std::sin (2.0f * juce::MathConstants<float>::pi * 440.0f * (float) i / 48000.0f);
        b.setSample (0, i, x);
        b.setSample (1, i, x);
    }
    writer->writeFromAudioSampleBuffer (b, 0, b.getNumSamples());
    return file;
}

void snapshot (const juce::Image& image, const juce::String& name)
{
    if (! image.isValid())
        return;
    const juce::File folder (VOKT_SNAPSHOT_DIR);
    folder.createDirectory();
    const auto file = folder.getChildFile (name + ".png");
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    EXPECT_TRUE (out.openedOk() && png.writeImageToStream (image, out)) << file.getFullPathName();
}

bool runProgram (const juce::StringArray& args)
{
    juce::ChildProcess p;
    return p.start (args, 0) && p.waitForProcessToFinish (30000) && p.getExitCode() == 0;
}

class SelvoRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty() || ! display.isOpen())
            GTEST_SKIP() << "no X display; run the tests under xvfb-run";
        home = juce::File::createTempFile ("selvo-run");
        ASSERT_TRUE (home.createDirectory());
        log = home.getChildFile ("app.log");
    }
    void TearDown() override
    {
        if (HasFailure() && log.existsAsFile())
            std::cerr << "application output:\n" << log.loadFileAsString().getLastCharacters (6000) << "\n";
        home.deleteRecursively();
    }

    juce::File settingsFile() const { return home.getChildFile (".config/Vokt/Vokt Selvo.settings"); }

    ::Window waitForWindow (AppProcess& app, const juce::String& prefix, std::chrono::seconds timeout)
    {
        ::Window w = 0;
        waitUntil (timeout, [&] { return (w = display.find (app.pid, prefix)) != 0 || ! app.running(); });
        return w;
    }

    // JUCE may replace a window by a new one of the same title just after
    // showing it (a new title bar or menu bar): an X request sent to the old
    // one reaches nobody. As a person would, look again and retry.

    // Presses key in the window titled prefix...; the window it reached, 0 if none.
    ::Window pressKey (AppProcess& app, const juce::String& prefix, const juce::String& key)
    {
        for (int attempt = 0; attempt < 10; ++attempt)
        {
            const auto w = waitForWindow (app, prefix, stepTimeout);
            if (w == 0)
                return 0;
            if (runProgram ({ "xdotool", "key", "--window", juce::String ((juce::int64) w), key }))
                return w;
            std::this_thread::sleep_for (std::chrono::milliseconds (300));
        }
        return 0;
    }

    // Closes the window titled prefix... until the process ends; its exit code, -1 if it runs on.
    int closeUntilExit (AppProcess& app, const juce::String& prefix)
    {
        const auto end = Clock::now() + stepTimeout;
        while (Clock::now() < end)
        {
            if (const auto w = display.find (app.pid, prefix))
                display.close (w);
            const int code = app.exitCode (std::chrono::seconds (5));
            if (code != -1)
                return code;
        }
        return app.exitCode (std::chrono::seconds (0));
    }

    XScreen display;
    juce::File home, log;
};
} // namespace

TEST_F (SelvoRun, PlaysTheRestoredFileAndQuitsThroughTheWindowClose)
{
    Capture capture;
    if (! capture.isOpen())
        GTEST_SKIP() << "no JACK server is reachable; start one with scripts/jack-dummy.sh start";

    const auto tone = writeTone (home.getChildFile ("tone.wav"));
    ASSERT_TRUE (tone.existsAsFile());
    {
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        juce::PropertiesFile::Options o;
        o.storageFormat = juce::PropertiesFile::storeAsXML;
        juce::PropertiesFile settings (settingsFile(), o);
        settings.setValue ("CurrentFiles", tone.getFullPathName());
        settings.setValue ("Gain", 0.7);
        settings.setValue ("BeginLoop", 0.25);
        settings.setValue ("EndLoop", 0.75);
        ASSERT_TRUE (settings.save());
    }

    const auto clientsBefore = capture.clientsWithOutputs();
    juce::StringPairArray env;
    env.set ("HOME", home.getFullPathName());
    AppProcess app (env, { "XDG_CONFIG_HOME" }, log);
    ASSERT_GT (app.pid, 0);

    // The title names the restored file once the window is up.
    const auto window = waitForWindow (app, "Vokt Selvo : tone.wav", startTimeout);
    ASSERT_NE (window, 0u) << "no window titled with the restored file";
    ASSERT_TRUE (waitUntil (stepTimeout, [&] { return capture.connectNewClient (clientsBefore) == 2; }))
        << "the application's JACK outputs did not show";

    // Nothing plays before Play.
    capture.reset();
    ASSERT_TRUE (waitUntil (stepTimeout, [&] { return capture.frames > 48000 / 2; }));
    EXPECT_EQ (capture.peak.load(), 0.0f);

    // Play, as a person presses it: the window's play key.
    const auto pressed = pressKey (app, "Vokt Selvo : tone.wav", "space");
    ASSERT_NE (pressed, 0u) << "the play key reached no window";
    capture.reset();
    EXPECT_TRUE (waitUntil (stepTimeout, [&] { return capture.peak.load() > 0.05f && capture.frames > 48000; }))
        << "peak " << capture.peak.load() << " over " << capture.frames.load() << " frames";
    EXPECT_EQ (capture.nonFinite.load(), 0);
    EXPECT_LE (capture.peak.load(), 4.0f);
    snapshot (display.grab (pressed), "selvo-window-playing");

    EXPECT_EQ (closeUntilExit (app, "Vokt Selvo : tone.wav"), 0);

    juce::PropertiesFile::Options o;
    juce::PropertiesFile written (settingsFile(), o);
    EXPECT_EQ (written.getValue ("CurrentFiles"), tone.getFullPathName());
    EXPECT_NEAR (written.getDoubleValue ("Gain"), 0.7, 1.0e-6);
    EXPECT_NEAR (written.getDoubleValue ("BeginLoop", -1.0), 0.25, 1.0e-3);
    EXPECT_NEAR (written.getDoubleValue ("EndLoop", -1.0), 0.75, 1.0e-3);
}

TEST_F (SelvoRun, WithoutAnyAudioServerItWarnsAndQuitsWhenAsked)
{
    // A JACK server name nobody runs, no server started on demand, and an
    // ALSA configuration without a single device.
    const auto alsaConfig = home.getChildFile ("asound.conf");
    ASSERT_TRUE (alsaConfig.replaceWithText ("\n"));
    juce::StringPairArray env;
    env.set ("HOME", home.getFullPathName());
    env.set ("JACK_DEFAULT_SERVER", "selvo-nobody-runs-this");
    env.set ("JACK_NO_START_SERVER", "1");
    env.set ("ALSA_CONFIG_PATH", alsaConfig.getFullPathName());
    AppProcess app (env, { "XDG_CONFIG_HOME" }, log);
    ASSERT_GT (app.pid, 0);

    // The warning, then the Options dialog to choose a device, then the window.
    const auto warning = waitForWindow (app, "Audio device", startTimeout);
    ASSERT_NE (warning, 0u) << "no warning";
    display.close (warning);

    const auto options = waitForWindow (app, "Options", stepTimeout);
    ASSERT_NE (options, 0u) << "no Options dialog";
    snapshot (display.grab (options), "selvo-options-dialog");
    display.close (options);

    const auto window = waitForWindow (app, "Vokt Selvo", stepTimeout);
    ASSERT_NE (window, 0u) << "no main window";
    EXPECT_EQ (closeUntilExit (app, "Vokt Selvo"), 0);
    EXPECT_TRUE (settingsFile().existsAsFile());
}
