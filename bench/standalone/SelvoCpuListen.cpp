// Listens to the application's JACK output while selvo-cpu.sh measures it,
// to show that it plays through the whole span: captures the given output
// ports for a number of seconds and reports the level of every 100 ms
// window. Fails (exit 1) when less than nine tenths of the span arrived, or
// a window is silent (every sample below -80 dBFS) or holds a sample that is
// not a finite number.
//   vokt_selvo_cpu_listen <seconds> <port>...
#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{
constexpr int maxPorts = 8;

struct Capture
{
    std::vector<jack_port_t*> ports;
    std::vector<double> sumOfSquares; // per window, all channels
    std::vector<float> peaks;         // per window, all channels
    uint64_t windowFrames = 4800, frames = 0, nonFinite = 0;
    std::atomic<bool> full { false };
};

int process (jack_nframes_t n, void* arg)
{
    auto& c = *static_cast<Capture*> (arg);
    const float* channels[maxPorts] {};
    for (std::size_t k = 0; k < c.ports.size(); ++k)
        channels[k] = static_cast<const float*> (jack_port_get_buffer (c.ports[k], n));
    for (jack_nframes_t i = 0; i < n; ++i, ++c.frames)
    {
        const auto window = (std::size_t) (c.frames / c.windowFrames);
        if (window >= c.peaks.size())
        {
            c.full.store (true);
            return 0;
        }
        for (std::size_t k = 0; k < c.ports.size(); ++k)
        {
            const float x = channels[k][i];
            if (! std::isfinite (x))
            {
                ++c.nonFinite;
                continue;
            }
            c.sumOfSquares[window] += (double) x * x;
            c.peaks[window] = std::max (c.peaks[window], std::abs (x));
        }
    }
    return 0;
}

double dB (double amplitude) { return amplitude > 0.0 ? 20.0 * std::log10 (amplitude) : -999.0; }
} // namespace

int main (int argc, char** argv)
{
    if (argc < 3 || argc > 2 + maxPorts || std::atof (argv[1]) <= 0.0)
    {
        std::fprintf (stderr, "usage: vokt_selvo_cpu_listen <seconds> <port>...\n");
        return 2;
    }
    const double seconds = std::atof (argv[1]);
    jack_client_t* client = jack_client_open ("selvo-cpu-listen", JackNoStartServer, nullptr);
    if (client == nullptr)
    {
        std::fprintf (stderr, "no JACK server answers\n");
        return 2;
    }
    Capture c;
    c.windowFrames = std::max<uint64_t> (1, jack_get_sample_rate (client) / 10);
    const auto windows = (std::size_t) std::ceil (seconds * 10.0);
    c.sumOfSquares.assign (windows, 0.0);
    c.peaks.assign (windows, 0.0f);
    for (int i = 2; i < argc; ++i)
        c.ports.push_back (jack_port_register (client, ("in_" + std::to_string (i - 1)).c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsInput, 0));
    jack_set_process_callback (client, process, &c);
    if (jack_activate (client) != 0)
    {
        std::fprintf (stderr, "cannot activate the JACK client\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i)
        if (jack_connect (client, argv[i], jack_port_name (c.ports[(std::size_t) (i - 2)])) != 0)
        {
            std::fprintf (stderr, "cannot connect %s\n", argv[i]);
            jack_client_close (client);
            return 2;
        }
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double> (seconds + 0.5);
    while (! c.full.load() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for (std::chrono::milliseconds (20));
    jack_deactivate (client); // the process callback has returned for good
    jack_client_close (client);

    const auto complete = std::min<std::size_t> (windows, (std::size_t) (c.frames / c.windowFrames));
    double total = 0.0, quietest = 1.0e30;
    int silent = 0;
    for (std::size_t w = 0; w < complete; ++w)
    {
        total += c.sumOfSquares[w];
        quietest = std::min (quietest, c.sumOfSquares[w]);
        silent += c.peaks[w] < 1.0e-4f ? 1 : 0;
    }
    const double perWindow = (double) c.windowFrames * (double) c.ports.size();
    const bool ok = complete >= (std::size_t) (0.9 * (double) windows) && silent == 0 && c.nonFinite == 0;
    std::printf ("output %.1f s in %zu windows of 100 ms: %.1f dBFS rms, quietest window %.1f dBFS, %d silent, %llu not finite%s\n",
                 (double) complete / 10.0, complete, dB (std::sqrt (total / std::max (1.0, perWindow * (double) complete))),
                 dB (std::sqrt ((complete > 0 ? quietest : 0.0) / perWindow)), silent, (unsigned long long) c.nonFinite,
                 ok ? "" : " - NOT PLAYING THROUGH THE SPAN");
    return ok ? 0 : 1;
}
