#pragma once
// The system's modal dialogs behind one small interface: alerts with one OK
// button, OK/Cancel questions and file choosers. The default implementation
// runs JUCE's blocking dialogs (JUCE_MODAL_LOOPS_PERMITTED=1); tests install
// their own, which answers at once and records what was asked.
//
// Threads: message thread only, for the dialogs and for install().
#include <juce_core/juce_core.h>

#include <functional>
#include <memory>

namespace juce { class FileChooser; class Component; class Colour; }

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // An alert with a single OK button; returns when it is dismissed.
    virtual void showAlert (const juce::String& title, const juce::String& message) = 0;

    // A question with OK and Cancel buttons; true for OK.
    virtual bool askOkCancel (const juce::String& title, const juce::String& message,
                              const juce::String& okText, const juce::String& cancelText) = 0;

    // A chooser for one existing file to open. `patterns` is a list such as
    // "*.wav;*.aif"; an empty `initial` lets the system pick the folder.
    // False when cancelled; otherwise `result` is the chosen file.
    virtual bool chooseFileToOpen (const juce::String& title, const juce::File& initial,
                                   const juce::String& patterns, juce::File& result) = 0;

    // A chooser for a file to save (the user may confirm overwriting).
    // False when cancelled.
    virtual bool chooseFileToSave (const juce::String& title, const juce::File& initial,
                                   const juce::String& patterns, juce::File& result) = 0;

    // Asynchronous forms, for code that must never run a modal loop (the
    // plug-in: a host's UI thread must not be held). They return at once;
    // `done` runs later on the message thread (or at once, in tests), with
    // false when cancelled or when no window can be shown. The defaults
    // answer through the blocking forms, which test doubles implement.
    virtual void showAlertAsync (const juce::String& title, const juce::String& message);
    virtual void chooseFileToOpenAsync (const juce::String& title, const juce::File& initial,
                                        const juce::String& patterns,
                                        std::function<void (bool chosen, const juce::File& result)> done);
    // An OK/Cancel question; `done` gets true for OK (false when no window
    // can be shown).
    virtual void askOkCancelAsync (const juce::String& title, const juce::String& message,
                                   const juce::String& okText, const juce::String& cancelText,
                                   std::function<void (bool ok)> done);

    // A modal dialog window titled `title` showing `content` (not owned; it
    // outlives the call), centred around `centreAround` (null or not on
    // screen: the screen's centre), on `background`, closed by its close
    // button or Escape; it has no OK or Cancel. Returns once it is closed.
    // The default closes at once without showing anything, as test doubles
    // that do not look at the dialog want.
    virtual void showModalComponent (const juce::String& title, juce::Component& content,
                                     juce::Component* centreAround, const juce::Colour& background,
                                     bool resizable);

    // True when windows can be shown (an X display answers). Without one the
    // JUCE implementation shows nothing: alerts are dropped, questions answer
    // Cancel and choosers answer "cancelled".
    static bool displayAvailable();

    // The dialogs in force: the installed ones, or the JUCE implementation.
    static Dialogs& get();
    // Installs d (not owned; null restores the JUCE implementation).
    // Returns what was installed before.
    static Dialogs* install (Dialogs* d);
};

// The JUCE implementation: AlertWindow and FileChooser, blocking, with
// asynchronous forms (AlertWindow::showMessageBoxAsync and showOkCancelBox with
// a callback, FileChooser::launchAsync).
class JuceDialogs : public Dialogs
{
public:
    ~JuceDialogs() override;
    void showAlertAsync (const juce::String& title, const juce::String& message) override;
    void chooseFileToOpenAsync (const juce::String& title, const juce::File& initial,
                                const juce::String& patterns,
                                std::function<void (bool chosen, const juce::File& result)> done) override;
    void askOkCancelAsync (const juce::String& title, const juce::String& message,
                           const juce::String& okText, const juce::String& cancelText,
                           std::function<void (bool ok)> done) override;
    void showAlert (const juce::String& title, const juce::String& message) override;
    bool askOkCancel (const juce::String& title, const juce::String& message,
                      const juce::String& okText, const juce::String& cancelText) override;
    bool chooseFileToOpen (const juce::String& title, const juce::File& initial,
                           const juce::String& patterns, juce::File& result) override;
    bool chooseFileToSave (const juce::String& title, const juce::File& initial,
                           const juce::String& patterns, juce::File& result) override;
    void showModalComponent (const juce::String& title, juce::Component& content, juce::Component* centreAround,
                             const juce::Colour& background, bool resizable) override;

private:
    std::unique_ptr<juce::FileChooser> asyncChooser;  // the chooser launched last (message thread)
};

// Installs some dialogs for the life of a scope (tests).
class ScopedDialogs
{
public:
    explicit ScopedDialogs (Dialogs& d) : previous (Dialogs::install (&d)) {}
    ~ScopedDialogs() { Dialogs::install (previous); }
    ScopedDialogs (const ScopedDialogs&) = delete;
    ScopedDialogs& operator= (const ScopedDialogs&) = delete;

private:
    Dialogs* previous;
};
