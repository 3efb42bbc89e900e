// The shared font (users, fallback, the family mapping that keeps bold) and
// the highlight convention on every widget.
#include "GuiTestSupport.h"
#include "Highlight.h"
#include "MyJuceButtons.h"
#include "MyJuceLabel.h"
#include "MyJucePopup.h"
#include "MyJucePresets.h"
#include "MyJuceSlider.h"

using namespace guitest;

namespace
{
bool hasLiberationSans()
{
    return juce::Font::findAllTypefaceNames().contains ("Liberation Sans");
}
} // namespace

TEST (MyArialFont, SharedWhileAUserHoldsIt)
{
    ASSERT_EQ (MyArialFont::getUserCount(), 0);
    // Before any user: the default font of that height, no fault.
    const auto before = getArialFont (13.0f, true);
    EXPECT_FLOAT_EQ (before.getHeight(), 13.0f);
    EXPECT_TRUE (before.isBold());

    MyArialFont::initFont();
    auto* face = MyArialFont::sShared.face;
    ASSERT_NE (face, nullptr);
    MyArialFont::initFont();
    MyArialFont::releaseFont();
    EXPECT_EQ (MyArialFont::sShared.face, face);  // one user left: the typeface stays
    MyArialFont::releaseFont();
    EXPECT_EQ (MyArialFont::sShared.face, nullptr);
    MyArialFont::releaseFont();  // unbalanced: ignored
    EXPECT_EQ (MyArialFont::getUserCount(), 0);

    const auto after = getArialFont (11.0f);
    EXPECT_FLOAT_EQ (after.getHeight(), 11.0f);
}

TEST_F (KitTest, ArialIsLiberationSansWithItsRealBoldFace)
{
    if (! hasLiberationSans())
        GTEST_SKIP() << "fonts-liberation2 is not installed";

    EXPECT_EQ (MyArialFont::mapFamilyName ("Arial"), "Liberation Sans");
    EXPECT_EQ (MyArialFont::mapFamilyName ("arial"), "Liberation Sans");
    EXPECT_EQ (MyArialFont::mapFamilyName ("DejaVu Sans"), "DejaVu Sans");

    const auto plain = getArialFont (13.0f, false, false);
    EXPECT_EQ (plain, getArialFont (13.0f, false, true));  // italic is ignored
    EXPECT_EQ (plain.getTypefacePtr()->getName(), "Liberation Sans");
    EXPECT_FLOAT_EQ (plain.getHeight(), 13.0f);

    const auto bold = getArialFont (13.0f, true, false);
    EXPECT_EQ (bold.getTypefacePtr()->getName(), "Liberation Sans");
    EXPECT_EQ (bold.getTypefacePtr()->getStyle(), "Bold");

    // Plain "Arial" fonts of the panels, and setBold on them, reach the same faces.
    juce::Font arial ("Arial", 12.0f, juce::Font::plain);
    EXPECT_EQ (arial.getTypefacePtr()->getName(), "Liberation Sans");
    arial.setBold (true);
    EXPECT_EQ (arial.getTypefacePtr()->getStyle(), "Bold");
    juce::Font italic ("Arial", 12.0f, juce::Font::italic);
    EXPECT_EQ (italic.getTypefacePtr()->getStyle(), "Italic");

    // Bold text really is wider than plain text.
    EXPECT_GT (bold.getStringWidthFloat ("Load 16"), plain.getStringWidthFloat ("Load 16"));
}

TEST (Highlight, ColourTable)
{
    const auto previous = juce::Colours::orange;
    struct Case
    {
        bool on;
        short type;
        juce::Colour expected;
    };
    const Case cases[] = {
        { true, 0, juce::Colours::red },
        { true, 1, juce::Colours::cornflowerblue },
        { true, 2, juce::Colours::lightgreen },
        { true, 3, juce::Colours::yellow },
        { true, 4, previous },
        { true, 7, previous },
        { true, -1, previous },
        { false, 0, juce::Colours::transparentBlack },
        { false, 7, juce::Colours::transparentBlack },
    };
    for (const auto& c : cases)
        EXPECT_EQ (HighlightColour (previous, c.on, c.type), c.expected) << c.on << " " << c.type;
}

TEST (Highlight, EveryWidgetFollowsTheTable)
{
    MyJuceSlider slider ("new slider");
    MyJuceLabel label ("new label", "");
    MyJucePopup popup ("new label", "");
    MyJuceSimpleTextButton button ("b");
    MySelectAgitButton agit ("a");
    MyJucePresets presets ("p");

    std::vector<std::pair<const char*, std::function<juce::Colour (bool, short)>>> widgets = {
        { "slider", [&] (bool on, short t) { slider.SetControlHighliteInfo (on, t); return slider.getHighlightColour(); } },
        { "label", [&] (bool on, short t) { label.SetControlHighliteInfo (on, t); return label.getHighlightColour(); } },
        { "popup", [&] (bool on, short t) { popup.SetControlHighliteInfo (on, t); return popup.getHighlightColour(); } },
        { "button", [&] (bool on, short t) { button.SetControlHighliteInfo (on, t); return button.getHighlightColour(); } },
        { "agitation", [&] (bool on, short t) { agit.SetControlHighliteInfo (on, t); return agit.getHighlightColour(); } },
        { "presets", [&] (bool on, short t) { presets.SetControlHighliteInfo (on, t); return presets.getHighlightColour(); } },
    };
    for (auto& [name, set] : widgets)
    {
        SCOPED_TRACE (name);
        EXPECT_EQ (set (true, 9), juce::Colours::transparentBlack);  // unknown type keeps the initial colour
        EXPECT_EQ (set (true, 1), juce::Colours::cornflowerblue);
        EXPECT_EQ (set (true, 7), juce::Colours::cornflowerblue);   // kept
        EXPECT_EQ (set (true, 3), juce::Colours::yellow);
        EXPECT_EQ (set (false, 7), juce::Colours::transparentBlack);
        EXPECT_EQ (set (true, 0), juce::Colours::red);
    }
}

TEST_F (KitTest, HighlightOutlineIsDrawnOnlyWhileSet)
{
    MyJuceLabel label ("new label", "0.50");
    label.setSize (60, 18);
    auto corner = [&] { return label.createComponentSnapshot (label.getLocalBounds()).getPixelAt (0, 9); };
    EXPECT_EQ (corner().getRed(), 0);  // black background
    label.SetControlHighliteInfo (true, 3);
    EXPECT_EQ (corner(), juce::Colours::yellow);
    label.SetControlHighliteInfo (false, 3);
    EXPECT_EQ (corner().getRed(), 0);
}
