#include "Dialogs.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

#if ! JUCE_MODAL_LOOPS_PERMITTED
 #error "The dialogs need JUCE_MODAL_LOOPS_PERMITTED=1"
#endif

namespace
{
std::atomic<Dialogs*> installedDialogs { nullptr };

Dialogs& juceDialogs()
{
    static JuceDialogs dialogs;
    return dialogs;
}
}

Dialogs& Dialogs::get()
{
    if (auto* d = installedDialogs.load (std::memory_order_acquire))
        return *d;
    return juceDialogs();
}

Dialogs* Dialogs::install (Dialogs* d)
{
    return installedDialogs.exchange (d, std::memory_order_acq_rel);
}

void JuceDialogs::showAlert (const juce::String& title, const juce::String& message)
{
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, title, message, "OK");
}

bool JuceDialogs::askOkCancel (const juce::String& title, const juce::String& message,
                               const juce::String& okText, const juce::String& cancelText)
{
    return juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, title, message,
                                               okText, cancelText, nullptr, nullptr);
}

bool JuceDialogs::chooseFileToOpen (const juce::String& title, const juce::File& initial,
                                    const juce::String& patterns, juce::File& result)
{
    juce::FileChooser chooser (title, initial, patterns);
    if (! chooser.browseForFileToOpen())
        return false;
    result = chooser.getResult();
    return true;
}

bool JuceDialogs::chooseFileToSave (const juce::String& title, const juce::File& initial,
                                    const juce::String& patterns, juce::File& result)
{
    juce::FileChooser chooser (title, initial, patterns);
    if (! chooser.browseForFileToSave (true))
        return false;
    result = chooser.getResult();
    return true;
}
