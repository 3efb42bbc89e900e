#pragma once
// MyEditor: the base of both effect editors. It listens to its effect's
// change messages and answers each with updateParametersFromFilter, receives
// the effect's 50 ms tick, turns typed parameter text into a value, declares
// the hooks through which the framework steps and highlights parameters, and
// owns what every editor window shares: a tooltip window, a bounds
// constrainer, an optional resize corner, the shared default look-and-feel
// and font, and a display scale stepped by 0.1.
// Threads: message thread only (construction, destruction, change
// messages, the effect's tick, mouse and keys).
#include <juce_audio_processors/juce_audio_processors.h>

#include "MyArialFont.h"
#include "MyBoundsConstrainer.h"
#include "MyEffect.h"
#include "MyLookAndFeel.h"
#include "QueuedWindowEvents.h"

#include <cstdint>
#include <memory>

class MyEditor : public juce::AudioProcessorEditor,
                 public juce::ChangeListener,
                 public MyEffectEditorHooks
{
public:
    explicit MyEditor (MyEffect* effect);
    ~MyEditor() override;

    void paint (juce::Graphics&) override;

    // Step parameter `index` one unit up or down (Cmd held: the big step). Nothing in the base.
    virtual void IncrParametre (long index);
    virtual void DecrParametre (long index);
    // Show that parameter `index` is addressed (Highlight.h); 0 in the base.
    long SetControlHighliteInfo (long index, short on, short type) override;
    // The effect's 50 ms tick. Nothing in the base.
    void timerCallback() override;

    // A typed text: the effect's value for it, clipped to 0..1, set through
    // setParameterNotifyingHost. Opens no gesture.
    void setParameter (long index, juce::String text);
    virtual long getUIWidth();
    virtual long getUIHeight();
    // Sets the size only when both are non-zero.
    virtual void setSize (int width, int height);
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    // The editor's bounds constrainer; null in the base. Concrete editors
    // return theirs. The base installs `constrainer` with setConstrainer at
    // construction, since the library's wrappers and windows read the
    // library's own (non-virtual) getConstrainer, which this one hides.
    virtual MyBoundsConstrainer* getConstrainer();
    // Refresh every control from the effect.
    virtual void updateParametersFromFilter() = 0;

    // Step the display scale by 0.1 (up while below 4.0, down while above
    // 1.0), set it as the desktop's scale and size the editor to the
    // effect's stored editor size times the scale.
    void incrScale();
    void decrScale();

    MyEffect* getEffect() const noexcept { return effect; }

    // The height margin a constrainer adds while dragging: 20 in the
    // application (standalone wrapper), 0 in a plug-in.
    static int constrainerExtraHeightFor (const MyEffect& effect);

    // True while incrScale or decrScale resizes the editor: the size then
    // comes from the stored size, so a concrete editor's resized must not
    // store it back (truncated twice, the size would drift with every step).
    bool isApplyingScale() const noexcept { return applyingScale; }

    std::unique_ptr<juce::ResizableCornerComponent> resizer;
    MyBoundsConstrainer constrainer;
    std::unique_ptr<juce::TooltipWindow> tooltipWindow;
    float scale = 1.0f;
    juce::SharedResourcePointer<SharedDefaultLookAndFeel> defaultLookAndFeel;
    // Input Xlib has read but JUCE has not dispatched reaches the windows.
    QueuedWindowEvents queuedWindowEvents { this };
    int64_t defaultWidth = 0;
    int64_t defaultHeight = 0;

private:
    void applyScale();

    MyEffect* const effect;
    bool applyingScale = false;
    ScopedArialFont fontUser;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyEditor)
};
