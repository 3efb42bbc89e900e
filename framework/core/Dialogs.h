#pragma once
// The system's modal dialogs behind one small interface: alerts with one OK
// button, OK/Cancel questions and file choosers. The default implementation
// runs JUCE's blocking dialogs (JUCE_MODAL_LOOPS_PERMITTED=1); tests install
// their own, which answers at once and records what was asked.
//
// Threads: message thread only, for the dialogs and for install().
#include <juce_core/juce_core.h>

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

    // The dialogs in force: the installed ones, or the JUCE implementation.
    static Dialogs& get();
    // Installs d (not owned; null restores the JUCE implementation).
    // Returns what was installed before.
    static Dialogs* install (Dialogs* d);
};

// The JUCE implementation: AlertWindow and FileChooser, blocking.
class JuceDialogs : public Dialogs
{
public:
    void showAlert (const juce::String& title, const juce::String& message) override;
    bool askOkCancel (const juce::String& title, const juce::String& message,
                      const juce::String& okText, const juce::String& cancelText) override;
    bool chooseFileToOpen (const juce::String& title, const juce::File& initial,
                           const juce::String& patterns, juce::File& result) override;
    bool chooseFileToSave (const juce::String& title, const juce::File& initial,
                           const juce::String& patterns, juce::File& result) override;
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
