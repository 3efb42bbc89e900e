// The crunch editor's display work every 50 ms, in the software renderer:
//   BM_PadPaint        one paint of the spectrum pad with 512 bars (4096 bins)
//                      at the default and the doubled editor size
//   BM_Tick            the panel's tick (display copies into the pad, player
//                      transport, source pop-up) and a refresh with nothing changed
//   BM_TickAndPaint    both, as one 50 ms tick costs on the message thread
//   BM_ImageCopy512    reference: one 512 x 512 ARGB image drawn unscaled
// Counters: CPU ms per call on the calling thread, share of the 2 ms aim,
// ratio to the reference of the same run. Run under Xvfb: xvfb-run -a build/release/bench/zuveruva/vokt_zuveruva_editor_bench
#include "ZuveruvaEditor.h"

#include "Zuveruva.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <vector>

namespace
{
double referenceMs = 0.0;

class EditorEffect : public Zuveruva
{
public:
    ~EditorEffect() override { stopThreads(); }
    juce::AudioProcessorEditor* createEditor() override { return new ZuveruvaEditor (this); }
    bool hasEditor() const override { return true; }
};

std::vector<float> randomBins (int n, int seed)
{
    juce::Random random (seed);
    std::vector<float> v ((size_t) n);
    for (auto& x : v)
        x = random.nextFloat() * 40.0f;
    return v;
}

// CPU time of this thread in ms (the machine is shared: wall time would
// count other processes' turns).
double threadMs()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec * 1e3 + (double) t.tv_nsec * 1e-6;
}

template <typename Fn>
void timed (benchmark::State& state, Fn&& fn)
{
    const double start = threadMs();
    for (auto _ : state)
        fn();
    const double ms = (threadMs() - start) / (double) state.iterations();
    state.counters["ms"] = ms;
    state.counters["share_of_2ms"] = ms / 2.0;
    if (referenceMs > 0.0)
        state.counters["ratio_to_ref"] = ms / referenceMs;
}

void BM_ImageCopy512 (benchmark::State& state)
{
    juce::Image source (juce::Image::ARGB, 512, 512, true), target (juce::Image::ARGB, 512, 512, true);
    juce::Graphics (source).fillAll (juce::Colours::darkblue);
    juce::Graphics g (target);
    const double start = threadMs();
    for (auto _ : state)
        g.drawImageAt (source, 0, 0);
    referenceMs = (threadMs() - start) / (double) state.iterations();
    state.counters["ms"] = referenceMs;
}

void BM_PadPaint (benchmark::State& state)
{
    const int scale = (int) state.range (0);
    ZuveruvaView pad;
    pad.setBounds (8, 114, 346 * scale + (scale - 1) * 174, 164 * scale + (scale - 1) * 216);
    const auto spectrum = randomBins (4096, 1), deviation = randomBins (4096, 2);
    pad.setDeviation (deviation.data(), 4096);
    pad.setSpectrum (spectrum.data(), 4096);
    juce::Image target (juce::Image::ARGB, pad.getWidth(), pad.getHeight(), true);
    timed (state, [&] {
        juce::Graphics g (target);
        pad.paint (g);
    });
    state.counters["bars"] = pad.getBarCount();
}

struct OpenEditor
{
    OpenEditor()
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (juce::AudioChannelSet::stereo());
        layout.inputBuses.add (juce::AudioChannelSet::disabled());
        layout.outputBuses.add (juce::AudioChannelSet::stereo());
        fx.setBusesLayout (layout);
        fx.setIndexedParameter (Zuveruva::kBands, 1.0f);  // 8192: 4096 display bins
        fx.prepareToPlay (44100.0, 512);
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;
        juce::Random random (3);
        for (int b = 0; b < 100; ++b)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 512; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            const juce::ScopedLock sl (fx.getCallbackLock());
            fx.processBlock (buffer, midi);
        }
        editor.reset (dynamic_cast<ZuveruvaEditor*> (fx.createEditorIfNeeded()));
    }
    ~OpenEditor()
    {
        fx.editorBeingDeleted (editor.get());
        editor.reset();
    }
    EditorEffect fx;
    std::unique_ptr<ZuveruvaEditor> editor;
};

void BM_Tick (benchmark::State& state)
{
    OpenEditor open;
    auto& panel = open.editor->panel;
    timed (state, [&] {
        panel.updateZuveruvaView();
        panel.updateParametersFromFilter();
    });
    state.counters["bars"] = panel.zuveruvaView->getBarCount();
}

void BM_TickAndPaint (benchmark::State& state)
{
    OpenEditor open;
    auto& panel = open.editor->panel;
    auto& pad = *panel.zuveruvaView;
    juce::Image target (juce::Image::ARGB, pad.getWidth(), pad.getHeight(), true);
    timed (state, [&] {
        panel.updateZuveruvaView();
        panel.updateParametersFromFilter();
        juce::Graphics g (target);
        pad.paint (g);
    });
    state.counters["bars"] = pad.getBarCount();
}

BENCHMARK (BM_ImageCopy512)->Unit (benchmark::kMillisecond)->Repetitions (3);
BENCHMARK (BM_PadPaint)->Arg (1)->Arg (2)->Unit (benchmark::kMillisecond)->Repetitions (3);
BENCHMARK (BM_Tick)->Unit (benchmark::kMillisecond)->Repetitions (3);
BENCHMARK (BM_TickAndPaint)->Unit (benchmark::kMillisecond)->Repetitions (3);
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
