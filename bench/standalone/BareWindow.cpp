// The floor selvo-cpu.sh measures the application's window against: a bare
// JUCE document window of the given client size, the same title-bar style
// and colour as the application's, holding an empty component, with no
// timer or repaint of its own. What it costs while it sits on the screen is
// what JUCE's window machinery costs by itself.
//   vokt_bare_window <width> <height>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace
{
class BareWindow : public juce::DocumentWindow
{
public:
    BareWindow (int width, int height)
        : juce::DocumentWindow ("Vokt Bare Window", juce::Colours::lightgrey,
                                juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton, true)
    {
        setUsingNativeTitleBar (true);
        auto* content = new juce::Component();
        content->setSize (width, height);
        setContentOwned (content, true);
        centreWithSize (getWidth(), getHeight());
        setVisible (true);
    }

    void closeButtonPressed() override { juce::JUCEApplicationBase::quit(); }
};

class BareWindowApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Vokt Bare Window"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise (const juce::String&) override
    {
        const auto args = getCommandLineParameterArray();
        const int width = args.size() > 0 ? juce::jlimit (100, 4000, args[0].getIntValue()) : 800;
        const int height = args.size() > 1 ? juce::jlimit (100, 4000, args[1].getIntValue()) : 600;
        window = std::make_unique<BareWindow> (width, height);
    }

    void shutdown() override { window.reset(); }

private:
    std::unique_ptr<BareWindow> window;
};
} // namespace

START_JUCE_APPLICATION (BareWindowApplication)
