// The player panel's periodic refresh and the waveform's repaint.
// - PanelRefresh/<meters>: what an owner's 50 ms timer tick does (play time,
//   one level per meter, the CPU value, transport toggles), then the panel
//   painted into an 800 x 80 image as the next frame would.
// - PanelRefreshSetters/<meters>: the same calls without the painting.
// - WaveformRepaint: one paint of a 10-minute stereo 44.1 kHz file's
//   waveform at 1600 x 35 pixels, with a loop and the cursor moving
//   (the waveform layer is reused).
// - WaveformRedraw: the same with the display window changing at every
//   paint, so the waveform layer is drawn again from the thumbnail.
// - FillReference: filling an image of the painted size once, the floor
//   any painting of that area pays (800 x 80 and 1600 x 35).
#include "ComponentPlayer.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace
{
juce::File tenMinuteFile()
{
    static const juce::File file = []
    {
        auto f = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vokt_gui_bench_10min.wav");
        if (f.getSize() > 100000000)
            return f;
        f.deleteFile();
        juce::WavAudioFormat wav;
        auto stream = f.createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 44100.0, 2, 16, {}, 0));
        stream.release();
        juce::AudioBuffer<float> chunk (2, 44100);
        juce::Random noise (7);
        for (int second = 0; second < 600; ++second)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 44100; ++i)
                {
                    const double t = second + i / 44100.0;
                    const double envelope = 0.3 + 0.6 * std::abs (std::sin (t * 0.05 + c));
                    chunk.setSample (c, i, (float) (envelope * (std::sin (t * 2200.0) * 0.7 + (noise.nextFloat() - 0.5f) * 0.3)));
                }
            writer->writeFromAudioSampleBuffer (chunk, 0, 44100);
        }
        return f;
    }();
    return file;
}

void refresh (ComponentPlayer& panel, int meters, int tick)
{
    panel.setCurrentTime (0.05f * (float) tick);
    for (int i = 0; i < meters; ++i)
        panel.setVuMeter (i, 0.5f + 0.45f * std::sin (0.3f * (float) (tick + i)));
    panel.cpuBar->setLoad (0.3 + 0.1 * std::sin (0.1 * tick));
    panel.updateStartButton (true);
    panel.updateLoopButton ((tick & 64) != 0);
}

struct LoadedPanel
{
    explicit LoadedPanel (int meters)
    {
        panel.setSize (800, 80);
        panel.openFile (tenMinuteFile());
        while (! panel.getThumbnail()->isFullyLoaded())
            juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
        panel.setNumChannels (meters);
        panel.waveform->setLoop (60.0, 300.0, false);
    }
    ComponentPlayer panel { true };
};

void PanelRefresh (benchmark::State& state)
{
    const int meters = (int) state.range (0);
    LoadedPanel loaded (meters);
    juce::Image frame (juce::Image::RGB, 800, 80, true);
    int tick = 0;
    for (auto _ : state)
    {
        refresh (loaded.panel, meters, tick++);
        juce::Graphics g (frame);
        loaded.panel.paintEntireComponent (g, false);
    }
}

void PanelRefreshSetters (benchmark::State& state)
{
    const int meters = (int) state.range (0);
    LoadedPanel loaded (meters);
    int tick = 0;
    for (auto _ : state)
        refresh (loaded.panel, meters, tick++);
}

void WaveformRepaint (benchmark::State& state)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    juce::AudioThumbnailCache cache (5);
    juce::AudioThumbnail thumbnail (1024, formats, cache);
    thumbnail.setSource (new juce::FileInputSource (tenMinuteFile()));
    while (! thumbnail.isFullyLoaded())
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    SoundEditorComponent view (&thumbnail);
    view.setSize (1600, 35);
    view.setLoop (60.0, 300.0, false);
    view.cursorTime = 120.0;
    juce::Image frame (juce::Image::RGB, 1600, 35, true);
    const bool zooming = state.range (0) != 0;
    int i = 0;
    for (auto _ : state)
    {
        ++i;
        view.cursorTime = 120.0 + 0.05 * i;
        if (zooming)
            view.setDisplayNorm ((i & 1) != 0 ? 0.0 : 0.001, 1.0);
        juce::Graphics g (frame);
        view.paintEntireComponent (g, false);
    }
}

void FillReference (benchmark::State& state)
{
    juce::Image image (juce::Image::RGB, (int) state.range (0), (int) state.range (1), true);
    juce::uint32 i = 0;
    for (auto _ : state)
    {
        juce::Graphics g (image);
        g.fillAll (juce::Colour (0xff000000u + (i++ & 0xffu)));
    }
}
} // namespace

BENCHMARK (PanelRefresh)->Arg (2)->Arg (64)->Unit (benchmark::kMicrosecond);
BENCHMARK (PanelRefreshSetters)->Arg (2)->Arg (64)->Unit (benchmark::kMicrosecond);
BENCHMARK (WaveformRepaint)->Arg (0)->Unit (benchmark::kMicrosecond);
BENCHMARK (WaveformRepaint)->Name ("WaveformRedraw")->Arg (1)->Unit (benchmark::kMicrosecond);
BENCHMARK (FillReference)->Args ({ 800, 80 })->Args ({ 1600, 35 })->Unit (benchmark::kMicrosecond);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
