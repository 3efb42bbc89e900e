// The sonogram display: colour map, level table, how frames become pixel
// columns, the JPEG snapshot, the mouse, wheel and key paths through the
// component, and a picture of bars over the sonogram of a chirp that went
// through the engine.
#include "GuiTestSupport.h"
#include "MyRariZuzDisplay.h"
#include "RariZuz.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace guitest;

namespace
{
// Collects the display's action messages (they arrive asynchronously).
class Messages : public juce::ActionListener
{
public:
    explicit Messages (juce::ActionBroadcaster& b) : source (b) { source.addActionListener (this); }
    ~Messages() override { source.removeActionListener (this); }
    void actionListenerCallback (const juce::String& m) override { received.push_back (m); }

    std::vector<juce::String> waitFor (size_t n)
    {
        pumpUntil ([&] { return received.size() >= n; }, 2000);
        pumpMessages (20);
        auto r = received;
        received.clear();
        return r;
    }

    juce::ActionBroadcaster& source;
    std::vector<juce::String> received;
};

// A power P (dB) as the real part of a bin, for frames of `length` values.
float binValue (double dB, int length)
{
    const double power = std::pow (10.0, dB / 10.0);
    return (float) std::sqrt (power * (double) length * 60.0 / 2.0);
}

juce::Colour colourOfPower (double dB)
{
    return MyRariZuzDisplay::colourMapEntry (MyRariZuzDisplay::levelIndex ((float) std::pow (10.0, dB / 10.0)));
}

// Level of frame f in the test lines: colour indexes 254, 249, 244, ...,
// each half way between two whole indexes.
double frameDb (int f)
{
    return -10.05 - 1.5 * f;
}

// A delay line of `count` frames of `length` values; frame f (in push
// order) has its bin `bin` at frameDb (f), every other bin silent.
void fill (MyBuffersArray<float>& line, int count, int length, int frames, int bin = 0)
{
    line.init ((uint64_t) count, (uint64_t) length);
    std::vector<float> frame ((size_t) length);
    for (int f = 0; f < frames; ++f)
    {
        std::fill (frame.begin(), frame.end(), 0.0f);
        frame[(size_t) (2 * bin)] = binValue (frameDb (f), length);
        line.push (frame.data());
    }
}

juce::Colour pixel (const MyRariZuzDisplay& d, int x, int y)
{
    return d.getSonogram().getPixelAt (x, y);
}

class DisplayTest : public KitTest
{
protected:
    DisplayTest()
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("vokt-sonogram-" + juce::Uuid().toString());
        display.setSnapshotFolder (folder.getChildFile ("Desktop"));
        display.setBounds (0, 0, 400, 200);
    }
    ~DisplayTest() override { folder.deleteRecursively(); }

    juce::File folder;
    MyRariZuzDisplay display;
};
} // namespace

TEST_F (DisplayTest, ColourMapRunsFromBlackThroughRedTowardsYellow)
{
    struct Case
    {
        int index;
        juce::uint8 r, g;
    };
    // Red 248 t (t = i / 180), then green 194 t (t = j / 76), truncated.
    const Case cases[] = { { 0, 0, 0 }, { 1, 1, 0 }, { 90, 124, 0 }, { 179, 246, 0 }, { 180, 248, 0 },
                           { 218, 248, 97 }, { 255, 248, 191 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.index);
        const auto colour = display.getColour (c.index);
        EXPECT_EQ (colour.getRed(), c.r);
        EXPECT_EQ (colour.getGreen(), c.g);
        EXPECT_EQ (colour.getBlue(), 0);
        EXPECT_EQ (colour.getAlpha(), 255);
    }
}

TEST_F (DisplayTest, LevelsMapLinearlyInDecibelsBetweenTheClamps)
{
    struct Case
    {
        float power;
        int index;
    };
    const float nan = std::nanf (""), inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        { 0.0f, 0 }, { 1.0f, 255 }, { -1.0f, 255 }, { 10.0f, 255 },
        { std::pow (10.0f, -9.6f), 0 },   // -96 dB
        { std::pow (10.0f, -8.64f), 0 },  // -86.4 dB
        { std::pow (10.0f, -0.96f), 255 },  // -9.6 dB
        { 1e-4f, 154 },                   // -40 dB
        { 1e-7f, 54 },                    // -70 dB
        { 1e-45f, 0 }, { nan, 0 }, { inf, 0 }, { -inf, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (MyRariZuzDisplay::levelIndex (c.power), c.index) << c.power;
}

TEST_F (DisplayTest, StartsBlackAndTakesTheLineGeometry)
{
    EXPECT_EQ (display.getName(), "Selvo Display");
    EXPECT_TRUE (display.getWantsKeyboardFocus());
    EXPECT_EQ (display.getSonogram().getWidth(), 1024);
    EXPECT_EQ (display.getSonogram().getHeight(), 1024);
    EXPECT_EQ (pixel (display, 512, 512), juce::Colours::black);
    EXPECT_EQ (display.numBars, 8);

    MyBuffersArray<float> line;
    fill (line, 12, 32, 3);
    display.buildBackground (&line, 0);
    EXPECT_EQ (display.getSonogram().getWidth(), 12);
    EXPECT_EQ (display.getSonogram().getHeight(), 16);
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ (pixel (display, x, 15), juce::Colours::black) << x;

    // A line that is empty or absent changes nothing.
    MyBuffersArray<float> empty;
    display.buildBackground (&empty, 5);
    display.buildBackground (nullptr, 5);
    EXPECT_EQ (display.getSonogram().getWidth(), 12);
}

TEST_F (DisplayTest, NewFramesLandAtTheRightWithLowBinsAtTheBottom)
{
    // 8 rows show bins trunc (i^2 / 8) from the bottom: 0 0 0 1 2 3 4 6.
    const int expectedBins[] = { 0, 0, 0, 1, 2, 3, 4, 6 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (MyRariZuzDisplay::rowBin (i, 8), expectedBins[i]) << i;
    EXPECT_EQ (MyRariZuzDisplay::rowBin (1023, 1024), 1022);

    for (int bin : { 0, 1, 6, 5 })
    {
        SCOPED_TRACE (bin);
        MyBuffersArray<float> line;
        fill (line, 10, 16, 2, bin);
        MyRariZuzDisplay fresh;
        fresh.buildBackground (&line, 2);
        for (int y = 0; y < 8; ++y)
        {
            const bool shown = expectedBins[7 - y] == bin;
            EXPECT_EQ (pixel (fresh, 9, y), shown ? colourOfPower (frameDb (1)) : juce::Colours::black) << "newest, row " << y;
            EXPECT_EQ (pixel (fresh, 8, y), shown ? colourOfPower (frameDb (0)) : juce::Colours::black) << "older, row " << y;
            EXPECT_EQ (pixel (fresh, 7, y), juce::Colours::black) << y;
        }
    }
}

TEST_F (DisplayTest, ColumnsScrollLeftAndWrapAroundTheRing)
{
    MyBuffersArray<float> line;
    fill (line, 8, 16, 11);  // writeIndex 3: the newest five frames wrap
    ASSERT_EQ (line.getWriteIndex(), 3u);
    display.buildBackground (&line, 5);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ (pixel (display, 7 - k, 7), colourOfPower (frameDb (10 - k))) << k;
    EXPECT_EQ (pixel (display, 2, 7), juce::Colours::black);

    // One more frame: everything moves a column to the left.
    std::vector<float> frame (16, 0.0f);
    frame[0] = binValue (-5.0, 16);
    line.push (frame.data());
    display.buildBackground (&line, 1);
    EXPECT_EQ (pixel (display, 7, 7), colourOfPower (-5.0));
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ (pixel (display, 6 - k, 7), colourOfPower (frameDb (10 - k))) << k;

    // More frames than columns: the whole picture from the newest frames.
    display.buildBackground (&line, 1000);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ (pixel (display, 7 - k, 7), k == 0 ? colourOfPower (-5.0) : colourOfPower (frameDb (11 - k))) << k;
}

// What the display paints is its picture as the renderer stretches it over
// the component: smaller, equal and larger than the picture, in a scaled
// context too, for a picture of 65536 rows, after the whole line, after
// single frames and after frames that wrap around the ring's end. Every bin
// of every frame has a level of its own, so a column or row taken from a
// neighbour shows.
TEST_F (DisplayTest, PaintsThePictureAsTheRendererStretchesIt)
{
    struct Size { int count, length, w, h; float scale; };
    const Size sizes[] = { { 37, 64, 37, 32, 1.0f }, { 37, 64, 20, 13, 1.0f }, { 37, 64, 111, 97, 1.0f },
                           { 37, 64, 400, 200, 1.0f }, { 37, 64, 61, 45, 1.5f }, { 5, 131072, 40, 300, 1.0f } };
    for (const auto& size : sizes)
    {
        SCOPED_TRACE (juce::String (size.count) + "x" + juce::String (size.length / 2) + " over " + juce::String (size.w)
                      + "x" + juce::String (size.h) + " at " + juce::String (size.scale));
        MyBuffersArray<float> line;
        line.init ((uint64_t) size.count, (uint64_t) size.length);
        std::vector<float> frame ((size_t) size.length);
        int pushed = 0;
        auto push = [&] (int frames) {
            for (int f = 0; f < frames; ++f, ++pushed)
            {
                for (int b = 0; b < size.length / 2; ++b)
                    frame[(size_t) (2 * b)] = binValue (-10.05 - 0.3 * ((pushed * 11 + b * 5) % 250), size.length);
                line.push (frame.data());
            }
        };
        MyRariZuzDisplay d;
        d.setBounds (0, 0, size.w, size.h);
        const int pw = (int) std::ceil ((float) size.w * size.scale), ph = (int) std::ceil ((float) size.h * size.scale);

        // Frames per tick: the whole line, single frames, then runs that cross
        // the end of the ring (its head at 1, 2, 32 and 3 for 37 columns).
        push (50);
        for (int n : { 1000, 1, 1, 30, 5 })
        {
            if (n < 1000)
                push (n);
            d.buildBackground (&line, n);
            ASSERT_EQ (d.getSonogram().getWidth(), size.count);

            juce::Image expected (juce::Image::ARGB, pw, ph, true), painted (juce::Image::ARGB, pw, ph, true);
            {
                juce::Graphics g (expected);
                g.addTransform (juce::AffineTransform::scale (size.scale));
                g.setImageResamplingQuality (juce::Graphics::lowResamplingQuality);
                g.drawImageWithin (d.getSonogram(), 0, 0, size.w, size.h, juce::RectanglePlacement::stretchToFit, false);
            }
            {
                juce::Graphics g (painted);
                g.addTransform (juce::AffineTransform::scale (size.scale));
                d.paintEntireComponent (g, false);
            }
            // The renderer covers the picture's last column only partly
            // (alpha 253); the display, being opaque, paints that pixel whole.
            auto same = [] (juce::Colour p, juce::Colour e) {
                auto near = [] (int a, int b) { return std::abs (a - b) <= 2; };
                return p == e
                    || (e.getAlpha() < 255 && p.getAlpha() == 255 && near (p.getRed(), e.getRed())
                        && near (p.getGreen(), e.getGreen()) && near (p.getBlue(), e.getBlue()));
            };
            int wrong = 0;
            juce::Point<int> first;
            for (int y = 0; y < ph; ++y)
                for (int x = 0; x < pw; ++x)
                    if (! same (painted.getPixelAt (x, y), expected.getPixelAt (x, y)) && wrong++ == 0)
                        first = { x, y };
            EXPECT_EQ (wrong, 0) << "after " << n << " frames; first at " << first.x << "," << first.y;
        }
    }
}

TEST_F (DisplayTest, PowersThatAreNotNumbersPaintBlack)
{
    MyBuffersArray<float> line;
    line.init (4, 8);
    const float nan = std::nanf (""), inf = std::numeric_limits<float>::infinity();
    const float frame[8] = { nan, 0.0f, inf, 1.0f, -inf, 0.0f, 1e30f, 1e30f };
    line.push (frame);
    display.buildBackground (&line, 1);
    // Rows from the bottom show bins 0, 0, 1, 2: NaN, NaN, inf, -inf; then none.
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ (pixel (display, 3, y), juce::Colours::black) << y;
}

TEST_F (DisplayTest, SnapshotsTakeTheFirstFreeNumberAndDecodeToTheSonogram)
{
    MyBuffersArray<float> line;
    fill (line, 30, 40, 30);
    display.buildBackground (&line, 30);

    const auto desktop = folder.getChildFile ("Desktop");
    EXPECT_FALSE (desktop.exists());
    auto first = display.printImage();
    EXPECT_EQ (first, desktop.getChildFile ("RariZuz_0.jpg")) << "the folder is created";

    desktop.getChildFile ("RariZuz_2.jpg").replaceWithText ("x");
    auto second = display.printImage();
    EXPECT_EQ (second, desktop.getChildFile ("RariZuz_1.jpg")) << "gaps are filled first";
    EXPECT_EQ (display.printImage(), desktop.getChildFile ("RariZuz_3.jpg"));

    const auto image = juce::ImageFileFormat::loadFrom (second);
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 30);
    EXPECT_EQ (image.getHeight(), 20);
    EXPECT_GT (image.getPixelAt (29, 19).getRed(), 100) << "the newest loud frame at the bottom right";

    // A folder that cannot be made gives no file (and no claim of one).
    display.setSnapshotFolder (desktop.getChildFile ("RariZuz_2.jpg").getChildFile ("sub"));
    EXPECT_EQ (display.printImage(), juce::File());
}

TEST_F (DisplayTest, TheTallestSonogramIsScaledToWhatAJpegHolds)
{
    MyBuffersArray<float> line;
    fill (line, 13, 131072, 13);
    display.buildBackground (&line, 13);
    ASSERT_EQ (display.getSonogram().getHeight(), 65536);
    const auto file = display.printImage();
    ASSERT_TRUE (file.existsAsFile());
    const auto image = juce::ImageFileFormat::loadFrom (file);
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 13);
    EXPECT_EQ (image.getHeight(), MyRariZuzDisplay::maxSnapshotSide);
}

TEST_F (DisplayTest, MouseWheelAndKeysBecomeActionMessages)
{
    SteppedClock clock;
    Messages messages (display);
    auto& bar = *display.getBar (0);
    EXPECT_EQ (bar.w, 400) << "the bars take the display's size";
    bar.active = true;
    bar.muted = false;
    display.setCenter (0, 0.5f, 0.5f);

    press (display, 200, 100);
    drag (display, 200, 80);
    release (display, 200, 80);
    EXPECT_EQ (messages.waitFor (4), (std::vector<juce::String> { "Select 0", "BeginDrag 0", "Drag 0  0.500  0.300  0.500  0.500",
                                                                  "EndDrag 0" }));

    press (display, 100, 100, leftWith (juce::ModifierKeys::ctrlModifier));
    release (display, 100, 100);
    EXPECT_EQ (messages.waitFor (1), (std::vector<juce::String> { "Create 1 0.250 0.400 0.250 0.600" }));

    EXPECT_TRUE (display.keyPressed (juce::KeyPress (juce::KeyPress::backspaceKey)));
    EXPECT_TRUE (display.keyPressed (juce::KeyPress ('z', juce::ModifierKeys::ctrlModifier, 0)));
    EXPECT_FALSE (display.keyPressed (juce::KeyPress ('z', juce::ModifierKeys::ctrlModifier, 0)));
    EXPECT_FALSE (display.keyPressed (juce::KeyPress ('a')));
    EXPECT_EQ (messages.waitFor (2), (std::vector<juce::String> { "Delete 1", "Create 1 0.250 0.400 0.250 0.600" }));

    juce::MouseWheelDetails wheel {};
    wheel.deltaY = 0.2f;
    display.mouseWheelMove (mouseAt (display, 10, 10, {}), wheel);
    EXPECT_EQ (messages.waitFor (2), (std::vector<juce::String> { "BeginDrag 1", "Drag 1 0.250 0.300 0.250 0.500" }));
    pumpMessages (120);
    EXPECT_TRUE (messages.received.empty());
    EXPECT_TRUE (display.isTimerRunning());
    SteppedClock::advance (501);
    EXPECT_EQ (messages.waitFor (1), (std::vector<juce::String> { "EndDrag 1" }));
    // With the gesture closed the timer rests until the next wheel move.
    EXPECT_TRUE (pumpUntil ([&] { return ! display.isTimerRunning(); }));
}

TEST_F (DisplayTest, SnapshotOfBarsOverTheSonogramOfAChirp)
{
    // Five seconds of a rising chirp (100 Hz to 16 kHz), mono in, stereo out.
    RariZuz engine;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::mono());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (engine.setBusesLayout (layout));
    engine.prepareToPlay (44100.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    double phase = 0.0;
    const int total = 5 * 44100;
    int frames = 0;
    display.setBounds (0, 0, 860, 400);
    for (int start = 0; start < total; start += 512)
    {
        for (int i = 0; i < 512; ++i)
        {
            const double t = (double) (start + i) / 44100.0;
            const double f = 100.0 * std::pow (160.0, t / 5.0);
            phase += juce::MathConstants<double>::twoPi * f / 44100.0;
            buffer.setSample (0, i, 0.5f * (float) std::sin (phase));
        }
        buffer.clear (1, 0, 512);
        engine.processBlock (buffer, midi);
        if ((start / 512) % 4 == 0)
        {
            const int n = engine.getUpdateDisplay();
            frames += n;
            display.buildBackground (&engine.getDisplayLine(), n);
        }
    }
    EXPECT_GT (frames, 400);
    EXPECT_EQ (display.getSonogram().getWidth(), engine.getDelayFrames());

    // The picture is not black where the chirp was.
    int lit = 0;
    const auto& image = display.getSonogram();
    for (int x = image.getWidth() - frames; x < image.getWidth(); x += 7)
        for (int y = 0; y < image.getHeight(); y += 3)
            lit += image.getPixelAt (x, y).getRed() > 200 ? 1 : 0;
    EXPECT_GT (lit, 50);

    // Four bars: white, selected (blue), muted (grey), and one inactive.
    const float geometry[4][4] = { { 0.7f, 0.5f, 0.2f, 0.5f }, { 0.35f, 0.3f, 0.25f, 0.25f },
                                   { 0.5f, 0.8f, 0.1f, 0.75f }, { 0.2f, 0.2f, 0.3f, 0.5f } };
    for (int i = 0; i < 4; ++i)
    {
        auto& b = *display.getBar (i);
        b.active = i != 3;
        b.muted = i == 2;
        display.setCenter (i, geometry[i][0], geometry[i][1]);
        display.setLength (i, geometry[i][2]);
        display.setAngle (i, geometry[i][3]);
    }
    display.setSelected (1, true);
    const auto file = writeSnapshot (display, "rarizuz-display");
    EXPECT_TRUE (file.existsAsFile());
}
