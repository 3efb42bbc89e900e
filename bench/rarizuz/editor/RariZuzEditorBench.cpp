// One refresh of the spectral delay editor over a running engine with four
// active players (run under a display, e.g. xvfb-run):
//   Refresh/all_changed   updateParametersFromFilter with every parameter
//                         and the agitation controls marked changed and the
//                         shown values all different from the last refresh
//                         (a preset recall): every slider, knob, label and
//                         switch of the panel is set
//   Refresh/none_changed  the same with nothing changed (bars, enablement,
//                         super-preset cells and undo state only)
//   Tick/frames           the display tick after one 50 ms tick's worth of
//                         processed frames (about 22 at N = 2048, 44.1 kHz)
// The counter tick_share is the measured time per call over the 50 ms
// between the effect's ticks (the time the editor has), a plain ratio.
#include "RariZuzEditor.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <memory>

namespace
{
constexpr double tickSeconds = 0.050;

struct Setup
{
    Setup()
    {
        RariZuzEditor::install();
        for (int n = 0; n < 8; ++n)
            fx.setIndexedParameter (RariZuz::pActive + n, n % 2 == 0 ? 1.0f : 0.0f);
        fx.selectBar (2);
        fx.prepareToPlay (44100.0, 512);
        editor = std::make_unique<RariZuzEditor> (&fx);
    }
    ~Setup()
    {
        editor.reset();
        fx.releaseResources();
    }

    void process (int blocks)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;
        juce::Random random (3);
        for (int b = 0; b < blocks; ++b)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 512; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            const juce::ScopedLock lock (fx.getCallbackLock());
            fx.processBlock (buffer, midi);
        }
    }

    RariZuz fx;
    std::unique_ptr<RariZuzEditor> editor;
};

// Times the calls itself (the library's timer also counts paused set-up).
struct ShareTimer
{
    template <typename Fn>
    void run (Fn&& fn)
    {
        const auto start = std::chrono::steady_clock::now();
        fn();
        total += std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
        ++calls;
    }
    void report (benchmark::State& state) const
    {
        state.counters["tick_share"] = calls > 0 ? total / (double) calls / tickSeconds : 0.0;
    }
    double total = 0.0;
    long calls = 0;
};

// The parameters the panel shows, for the selected player 3 and agitation 1.
const int shownParameters[] = { RariZuz::pSuperSlider, RariZuz::pInterSpeed, RariZuz::pGain, RariZuz::pMix,
                                RariZuz::pAmplitude + 2, RariZuz::pFeedback + 2, RariZuz::pDelay + 2,
                                RariZuz::pFrequency + 2, RariZuz::pLength + 2, RariZuz::pAngle + 2, RariZuz::pPan + 2,
                                RariZuz::pWidth + 2, RariZuz::pSmoothness, RariZuz::pAgitation1Ampl,
                                RariZuz::pAgitation1Speed, RariZuz::pGainAgit, RariZuz::pMixAgit,
                                RariZuz::pAmplitudeAgit + 2, RariZuz::pWidthAgit + 2, RariZuz::pAgitation,
                                RariZuz::pGlobalMute };

void RefreshAllChanged (benchmark::State& state)
{
    Setup s;
    s.process (8);
    ShareTimer timer;
    bool odd = false;
    for (auto _ : state)
    {
        state.PauseTiming();
        odd = ! odd;
        for (int i : shownParameters)
            s.fx.setIndexedParameter (i, odd ? 0.3f : 0.6f);
        s.fx.initAllParameterChanged (true);
        s.fx.setAgitationControlsChanged (true);
        state.ResumeTiming();
        timer.run ([&] { s.editor->updateParametersFromFilter(); });
    }
    timer.report (state);
}

void RefreshNoneChanged (benchmark::State& state)
{
    Setup s;
    s.editor->updateParametersFromFilter();
    ShareTimer timer;
    for (auto _ : state)
        timer.run ([&] { s.editor->updateParametersFromFilter(); });
    timer.report (state);
}

void TickFrames (benchmark::State& state)
{
    Setup s;
    const int blocksPerTick = (int) (44100.0 * tickSeconds / 512.0 + 0.5);
    ShareTimer timer;
    for (auto _ : state)
    {
        state.PauseTiming();
        s.process (blocksPerTick);
        state.ResumeTiming();
        timer.run ([&] { s.editor->timerCallback(); });
    }
    timer.report (state);
}
} // namespace

BENCHMARK (RefreshAllChanged)->Name ("Refresh/all_changed")->Unit (benchmark::kMicrosecond)->Repetitions (5)->ReportAggregatesOnly (true);
BENCHMARK (RefreshNoneChanged)->Name ("Refresh/none_changed")->Unit (benchmark::kMicrosecond)->Repetitions (5)->ReportAggregatesOnly (true);
BENCHMARK (TickFrames)->Name ("Tick/frames")->Unit (benchmark::kMicrosecond)->Repetitions (5)->ReportAggregatesOnly (true);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
