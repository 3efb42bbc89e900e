#include "Dialogs.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <cstdlib>

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

void Dialogs::showAlertAsync (const juce::String& title, const juce::String& message)
{
    showAlert (title, message);
}

void Dialogs::chooseFileToOpenAsync (const juce::String& title, const juce::File& initial,
                                     const juce::String& patterns,
                                     std::function<void (bool, const juce::File&)> done)
{
    juce::File result;
    const bool chosen = chooseFileToOpen (title, initial, patterns, result);
    if (done)
        done (chosen, result);
}

void Dialogs::askOkCancelAsync (const juce::String& title, const juce::String& message,
                                const juce::String& okText, const juce::String& cancelText,
                                std::function<void (bool)> done)
{
    const bool ok = askOkCancel (title, message, okText, cancelText);
    if (done)
        done (ok);
}

void Dialogs::showModalComponent (const juce::String&, juce::Component&, juce::Component*, const juce::Colour&, bool)
{
}

bool Dialogs::displayAvailable()
{
    // JUCE's X11 layer opens the display named by DISPLAY; without one every
    // window would fail (and some hosts crash on it).
    const char* display = std::getenv ("DISPLAY");
    if (display == nullptr || *display == 0)
        return false;
    if (! juce::MessageManager::getInstanceWithoutCreating())
        return false;
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

JuceDialogs::~JuceDialogs() = default;

void JuceDialogs::showAlertAsync (const juce::String& title, const juce::String& message)
{
    if (! displayAvailable())
        return;
    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, title, message, "OK");
}

void JuceDialogs::chooseFileToOpenAsync (const juce::String& title, const juce::File& initial,
                                         const juce::String& patterns,
                                         std::function<void (bool, const juce::File&)> done)
{
    if (! displayAvailable())
    {
        if (done)
            done (false, {});
        return;
    }
    asyncChooser = std::make_unique<juce::FileChooser> (title, initial, patterns);
    asyncChooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                               [done = std::move (done)] (const juce::FileChooser& fc)
                               {
                                   const auto result = fc.getResult();
                                   if (done)
                                       done (result != juce::File(), result);
                               });
}

void JuceDialogs::askOkCancelAsync (const juce::String& title, const juce::String& message,
                                    const juce::String& okText, const juce::String& cancelText,
                                    std::function<void (bool)> done)
{
    if (! displayAvailable())
    {
        if (done)
            done (false);
        return;
    }
    juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, title, message, okText, cancelText,
                                        nullptr,
                                        juce::ModalCallbackFunction::create ([done = std::move (done)] (int result)
                                                                             {
                                                                                 if (done)
                                                                                     done (result != 0);
                                                                             }));
}

void JuceDialogs::showAlert (const juce::String& title, const juce::String& message)
{
    if (! displayAvailable())
        return;
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, title, message, "OK");
}

bool JuceDialogs::askOkCancel (const juce::String& title, const juce::String& message,
                               const juce::String& okText, const juce::String& cancelText)
{
    if (! displayAvailable())
        return false;
    return juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, title, message,
                                               okText, cancelText, nullptr, nullptr);
}

bool JuceDialogs::chooseFileToOpen (const juce::String& title, const juce::File& initial,
                                    const juce::String& patterns, juce::File& result)
{
    if (! displayAvailable())
        return false;
    juce::FileChooser chooser (title, initial, patterns);
    if (! chooser.browseForFileToOpen())
        return false;
    result = chooser.getResult();
    return true;
}

bool JuceDialogs::chooseFileToSave (const juce::String& title, const juce::File& initial,
                                    const juce::String& patterns, juce::File& result)
{
    if (! displayAvailable())
        return false;
    juce::FileChooser chooser (title, initial, patterns);
    if (! chooser.browseForFileToSave (true))
        return false;
    result = chooser.getResult();
    return true;
}

void JuceDialogs::showModalComponent (const juce::String& title, juce::Component& content,
                                      juce::Component* centreAround, const juce::Colour& background,
                                      bool resizable)
{
    if (! displayAvailable())
        return;
    juce::DialogWindow::showModalDialog (title, &content, centreAround, background, true, resizable, false);
}
