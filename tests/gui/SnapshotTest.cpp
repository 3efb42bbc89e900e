// Snapshots of every widget in its typical states, written to
// <build>/snapshots for a person to look at; the checks here only make sure
// each picture was drawn.
#include "AboutComponent.h"
#include "GuiTestSupport.h"
#include "SpyEditor.h"

using namespace guitest;

namespace
{
// A black panel that holds widgets side by side, as an effect panel would.
class Board : public juce::Component
{
public:
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xff202020u)); }
};

void expectWritten (const juce::File& f)
{
    EXPECT_TRUE (f.existsAsFile());
    EXPECT_GT (f.getSize(), 100);
}
} // namespace

TEST_F (KitTest, SnapshotSliders)
{
    Board board;
    board.setSize (240, 150);
    MyJuceSlider h1 ("h1"), h2 ("h2"), h3 ("h3"), v1 ("v1"), v2 ("v2");
    int y = 10;
    for (auto* s : { &h1, &h2, &h3 })
    {
        s->setRange (0.0, 1.0, 0.0);
        s->setSliderStyle (juce::Slider::LinearHorizontal);
        s->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
        s->setBounds (10, y, 150, 20);
        board.addAndMakeVisible (s);
        y += 30;
    }
    int x = 180;
    for (auto* s : { &v1, &v2 })
    {
        s->setRange (0.0, 1.0, 0.0);
        s->setSliderStyle (juce::Slider::LinearVertical);
        s->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
        s->setBounds (x, 10, 20, 130);
        board.addAndMakeVisible (s);
        x += 30;
    }
    h1.setValue (0.3, false, false);
    h2.setValue (0.0, false, false);
    h2.SetControlHighliteInfo (true, 0);
    h3.setValue (0.8, false, false);
    h3.setEnabled (false);
    v1.setValue (0.6, false, false);
    v2.setValue (1.0, false, false);
    v2.SetControlHighliteInfo (true, 1);
    expectWritten (writeSnapshot (board, "slider"));
}

TEST_F (KitTest, SnapshotLabelsAndPopups)
{
    Board board;
    board.setSize (300, 110);
    MyJuceLabel plain ("new label", "0.50"), synced ("new label", "1/4 note"), lit ("new label", "-12 dB");
    synced.syncCapable = true;
    synced.setSyncMode (true);
    lit.SetControlHighliteInfo (true, 2);
    int y = 10;
    for (auto* l : { &plain, &synced, &lit })
    {
        l->setFont (getArialFont (12.0f));
        l->setBounds (10, y, 80, 18);
        board.addAndMakeVisible (l);
        y += 30;
    }

    MyJucePopup text ("new label", ""), swatches ("new label", "");
    for (auto* item : { "Linear", "Exponential", "Random" })
        text.addItemText (item);
    text.setValue (1.0f, true);
    text.setFont (getArialFont (12.0f));
    text.setColour (juce::Label::textColourId, juce::Colour (0xffffd79du));
    for (int a = 1; a <= 4; ++a)
    {
        auto* image = new juce::Image (juce::Image::RGB, 12, 12, true);
        image->clear (image->getBounds(), AgitationColour (a));
        swatches.addItem ("Agitation " + juce::String (a), image);
    }
    swatches.setValue (2.0f, true);
    swatches.setFont (getArialFont (12.0f));
    swatches.SetControlHighliteInfo (true, 3);
    text.setBounds (120, 10, 140, 18);
    swatches.setBounds (120, 40, 140, 20);
    board.addAndMakeVisible (text);
    board.addAndMakeVisible (swatches);
    expectWritten (writeSnapshot (board, "label_popup"));
}

TEST_F (KitTest, SnapshotButtons)
{
    Board board;
    board.setSize (330, 100);
    MyJuceSimpleTextButton off ("off"), on ("on"), disabled ("disabled");
    off.setParams ("Freeze", "Frozen", true, true);
    on.setParams ("Freeze", "Frozen", true, true);
    on.setToggleState (true, juce::dontSendNotification);
    disabled.setParams ("Record", "", false, true);
    disabled.setEnabled (false);
    on.SetControlHighliteInfo (true, 0);
    int x = 10;
    for (auto* b : { &off, &on, &disabled })
    {
        b->setBounds (x, 10, 70, 22);
        board.addAndMakeVisible (b);
        x += 80;
    }

    MySelectAgitButton agit[4] { MySelectAgitButton ("a1"), MySelectAgitButton ("a2"), MySelectAgitButton ("a3"), MySelectAgitButton ("a4") };
    for (int i = 0; i < 4; ++i)
    {
        agit[i].setParams ("Agit", "Agit", true, true);
        agit[i].setValue ((float) (i % 2 == 0 ? 7 - i : i) / 7.0f);  // on, off, on, off
        agit[i].setBounds (10 + 60 * i, 45, 50, 18);
        board.addAndMakeVisible (agit[i]);
    }

    MyJuceTextButton image ("image");
    juce::Image normal (juce::Image::RGB, 60, 20, true), down (juce::Image::RGB, 60, 20, true);
    normal.clear (normal.getBounds(), juce::Colour (0xff8a8a8au));
    down.clear (down.getBounds(), juce::Colour (0xffd2541eu));
    image.setImages (false, true, false, normal, 1.0f, {}, normal, 1.0f, {}, down, 1.0f, {});
    image.setParams ("Play", "Pause", true, true);
    image.setToggleState (true, juce::dontSendNotification);
    image.setBounds (250, 45, 60, 20);
    board.addAndMakeVisible (image);
    expectWritten (writeSnapshot (board, "buttons"));
}

TEST_F (KitTest, SnapshotPresetBarAndCells)
{
    Board board;
    board.setSize (300, 200);
    MyJucePresets bar ("presets");
    bar.setBounds (10, 10, 100, 180);
    int states[16] = { 1, 1, 0, 3, 1, 0, 0, 0, 2, 0, 1, 0, 0, 0, 0, 1 };
    bar.setStates (states);
    bar.SetValue (0.35f);
    bar.setText (4.0f / 15.0f, true);
    board.addAndMakeVisible (bar);
    const auto p = bar.getSlotRect (6).getCentre();
    bar.mouseMove (mouseAt (bar, p.x, p.y, {}));  // slot 7 hovered

    MyJuceSuperPreset cells ("super");
    cells.setBounds (120, 10, 170, 18);
    cells.SetState (2, -1);
    cells.SetState (5, 12);
    board.addAndMakeVisible (cells);
    const auto c = cells.getCellRect (3).getCentre();
    cells.mouseDown (mouseAt (cells, c.x, c.y));  // cell 4 selected
    expectWritten (writeSnapshot (board, "presets"));
}

TEST_F (KitTest, SnapshotEditor)
{
    SpyEffect effect;
    SpyEditor editor (effect);
    effect.setIndexedParameter (SpyEditor::gain, 0.6f);
    effect.setIndexedParameter (SpyEditor::agitation, 5.0f / 7.0f);
    editor.updateParametersFromFilter();
    expectWritten (writeSnapshot (editor, "editor"));
}

TEST_F (KitTest, SnapshotAbout)
{
    AboutComponent about;
    expectWritten (writeSnapshot (about, "about"));
    juce::Image logo = GetAboutLogo();
    EXPECT_EQ (logo.getWidth(), 92);
    EXPECT_EQ (GetAboutBackground().getWidth(), 530);
}
