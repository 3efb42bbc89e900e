// The spectrum pad: bars from spectra and deviations, their smoothing, the
// crosshair texts, the resize hold and the JPEG snapshot; and snapshots of
// the whole editor with a live spectrum.
#include "CrunchEditorTestSupport.h"

#include <cmath>
#include <limits>

using namespace crunchtest;
using namespace guitest;

namespace
{
class PadTest : public KitTest
{
protected:
    PadTest() { pad.setBounds (0, 0, 400, 200); }

    // One paint, as the pad's window would do it.
    void paintOnce()
    {
        juce::Image target (juce::Image::ARGB, pad.getWidth(), pad.getHeight(), true);
        juce::Graphics g (target);
        pad.paint (g);
    }

    ZuveruvaView pad;
};

constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();
} // namespace

TEST_F (PadTest, BarCountAndTopsFollowTheSpectrum)
{
    // v^2 = 20 n reaches the full height; silence draws no bar.
    std::vector<float> bins (64, 0.0f);
    bins[3] = std::sqrt (20.0f * 64.0f);
    bins[10] = std::sqrt (20.0f * 64.0f) / 10.0f;  // 20 dB down
    bins[20] = notANumber;
    bins[21] = infinity;
    bins[22] = -infinity;
    pad.setSpectrum (bins.data(), 64);
    EXPECT_EQ (pad.getBarCount(), 64);
    EXPECT_FLOAT_EQ (pad.getSpectrumTarget (3), 0.0f);
    EXPECT_NEAR (pad.getSpectrumTarget (10), 20.0f * 512.0f / 96.0f, 1e-3);
    for (int i : { 0, 20, 21, 22, 63 })
        EXPECT_EQ (pad.getSpectrumTarget (i), 512.0f) << i;

    // 4096 bins: 512 bars, each the loudest of its 8 bins.
    std::vector<float> many (4096, 0.0f);
    many[8 * 100 + 5] = std::sqrt (20.0f * 4096.0f);
    many[8 * 100 + 6] = 1.0f;
    many[8 * 511 + 7] = std::sqrt (20.0f * 4096.0f);
    pad.setSpectrum (many.data(), 4096);
    EXPECT_EQ (pad.getBarCount(), 512);
    EXPECT_FLOAT_EQ (pad.getSpectrumTarget (100), 0.0f);
    EXPECT_FLOAT_EQ (pad.getSpectrumTarget (511), 0.0f);
    EXPECT_EQ (pad.getSpectrumTarget (99), 512.0f);

    // No bins: no bars, and painting still works.
    pad.setSpectrum (many.data(), 0);
    EXPECT_EQ (pad.getBarCount(), 0);
    pad.setSpectrum (nullptr, -5);
    EXPECT_EQ (pad.getBarCount(), 0);
    paintOnce();
}

TEST_F (PadTest, DeviationSetsTheBarOpacity)
{
    struct Row { float deviation, opacity; };
    const Row rows[] = { { 0.0f, 0.1f }, { 0.5f, 0.55f }, { -0.5f, 0.55f }, { 1.0f, 1.0f }, { 3.0f, 1.0f },
                         { notANumber, 0.1f }, { infinity, 0.1f } };
    for (const auto& r : rows)
    {
        std::vector<float> d (16, r.deviation);
        pad.setDeviation (d.data(), 16);
        EXPECT_FLOAT_EQ (pad.getDeviationTarget (7), r.opacity) << r.deviation;
    }
    // No bins change nothing.
    const float before = pad.getDeviationTarget (0);
    pad.setDeviation (nullptr, 0);
    EXPECT_EQ (pad.getDeviationTarget (0), before);
}

TEST_F (PadTest, BarsRiseFastAndFallSlowlyOnePaintAtATime)
{
    std::vector<float> loud (64, std::sqrt (20.0f * 64.0f)), quiet (64, 0.0f), drift (64, 0.5f);
    pad.setDeviation (drift.data(), 64);
    pad.setSpectrum (loud.data(), 64);
    paintOnce();
    EXPECT_FLOAT_EQ (pad.getSpectrumShown (5), 0.2f * 1024.0f);   // from no bar: 0.8 of the way at once
    EXPECT_FLOAT_EQ (pad.getDeviationShown (5), 0.3f * 0.55f);
    for (int k = 0; k < 40; ++k)
        paintOnce();
    EXPECT_NEAR (pad.getSpectrumShown (5), 0.0f, 1e-3);

    pad.setSpectrum (quiet.data(), 64);
    paintOnce();
    EXPECT_FLOAT_EQ (pad.getSpectrumShown (5), 0.1f * 512.0f);    // falls a tenth of the way

    // 64 bars of 8 pixels: bar 0 is drawn over x 0..7 of the image, not at x 8 onwards when only it sounds.
    std::vector<float> one (64, 0.0f);
    one[0] = std::sqrt (20.0f * 64.0f);
    pad.setSpectrum (one.data(), 64);
    for (int k = 0; k < 60; ++k)
        paintOnce();
    const auto& bars = pad.getBarsImage();
    const auto background = bars.getPixelAt (12, 100);
    EXPECT_NE (bars.getPixelAt (4, 100), background);
    EXPECT_EQ (bars.getPixelAt (12, 100), background);
}

TEST_F (PadTest, CrosshairTextsStayInsideThePad)
{
    struct Row { double x, y; juce::Point<int> frequencyAt; };
    const Row rows[] = {
        { 0.95, 0.5, { 380 - 90, 100 - 2 } },   // l = 380 >= 314: the text goes left of the line
        { 0.5, 0.5, { 200 + 8, 100 - 2 } },
        { 0.5, 0.95, { 208, 10 + 12 } },         // m = 10 <= 18: below the line
    };
    for (const auto& r : rows)
    {
        pad.valueX = r.x;
        pad.valueY = r.y;
        paintOnce();
        EXPECT_EQ (pad.getFrequencyTextPosition(), r.frequencyAt) << r.x << " " << r.y;
    }
    pad.valueX = 0.02;
    pad.valueY = 0.2;
    paintOnce();
    EXPECT_EQ (pad.getAmplitudeTextAnchor(), juce::Point<int> (8 + 10, 160 - 8));
}

TEST_F (PadTest, SpectrumRepaintsWaitForTheEndOfAResize)
{
    // Repaint requests are counted where the component hands them on (its
    // cached image), so what the X server adds on its own cannot blur them.
    struct CountingImage : juce::CachedComponentImage
    {
        explicit CountingImage (int& n) : count (n) {}
        void paint (juce::Graphics&) override {}
        bool invalidateAll() override { ++count; return false; }
        bool invalidate (const juce::Rectangle<int>&) override { ++count; return false; }
        void releaseResources() override {}
        int& count;
    };
    int asked = 0;
    ZuveruvaView shown;
    shown.setCachedComponentImage (new CountingImage (asked));
    shown.setVisible (true);
    std::vector<float> bins (64, 1.0f);

    shown.setBounds (0, 0, 320, 160);
    ASSERT_TRUE (shown.isResizing());
    asked = 0;
    shown.setSpectrum (bins.data(), 64);
    shown.setSpectrum (bins.data(), 64);
    EXPECT_EQ (asked, 0);
    EXPECT_EQ (shown.getSpectrumTarget (0), shown.getSpectrumTarget (1));  // targets still follow

    ASSERT_TRUE (pumpUntil ([&] { return ! shown.isResizing(); }, 2000));
    asked = 0;
    shown.setSpectrum (bins.data(), 64);
    EXPECT_GT (asked, 0);
    shown.setCachedComponentImage (nullptr);
}

TEST_F (PadTest, SnapshotTakesTheNextFreeNameAndThePadSize)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("pad-snap", "");
    ASSERT_TRUE (folder.createDirectory());
    pad.snapshotFolder = [folder] { return folder; };
    EXPECT_EQ (pad.printImage(), folder.getChildFile ("Zuveruva_0.jpg"));
    folder.getChildFile ("Zuveruva_1.jpg").replaceWithText ("x");
    folder.getChildFile ("Zuveruva_2.jpg").replaceWithText ("x");
    const auto next = pad.printImage();
    EXPECT_EQ (next, folder.getChildFile ("Zuveruva_3.jpg"));
    const auto image = juce::ImageFileFormat::loadFrom (next);
    EXPECT_EQ (image.getWidth(), 400);
    EXPECT_EQ (image.getHeight(), 200);

    pad.snapshotFolder = [] { return juce::File ("/proc/no-such-folder"); };
    EXPECT_EQ (pad.printImage(), juce::File());
    folder.deleteRecursively();
}

TEST_F (CrunchEditorTest, SnapshotsAtBothSizesWithALiveSpectrum)
{
    feedSpectrum (fx);
    fx.setIndexedParameter (Zuveruva::kAmplitude, 0.35f);
    fx.setIndexedParameter (Zuveruva::kFrequency, 0.6f);
    for (auto size : { juce::Point<int> (520, 380), juce::Point<int> (1040, 760) })
    {
        editor->setSize (size.x, size.y);
        pumpMessages (260);  // past the resize hold; ticks feed the pad
        auto& pad = *panel().zuveruvaView;
        ASSERT_GT (pad.getBarCount(), 0);
        int bars = 0;
        for (int i = 0; i < pad.getBarCount(); ++i)
            bars += pad.getSpectrumTarget (i) < 512.0f ? 1 : 0;
        EXPECT_GT (bars, 10);
        for (int k = 0; k < 20; ++k)  // ticks and paints, so the bars settle
        {
            panel().updateZuveruvaView();
            editor->createComponentSnapshot (editor->getLocalBounds());
        }
        writeSnapshot (*editor, "crunch-editor-" + juce::String (size.x) + "x" + juce::String (size.y));
    }
}
