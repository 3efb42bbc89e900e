#pragma once
// The application object: opens the settings store, creates the one window,
// and at quit deletes the window (which writes its settings) before the
// store (which writes the file).
#include "StandaloneFilterWindow.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace selvo
{
class JUCEHelloWorldApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Vokt Selvo"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String&) override {}

    StandaloneFilterWindow* getMainWindow() const noexcept { return mainWindow.get(); }

    // Seams the window is built with (tests).
    StandaloneFilterWindow::Seams seams;

private:
    std::unique_ptr<StandaloneFilterWindow> mainWindow;
};
} // namespace selvo
