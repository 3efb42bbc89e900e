#pragma once
// SoundEditorComponent: the waveform of a sound file (from an
// AudioThumbnail it does not own) with the loop as a grey band, the parts
// outside it dimmed, a red play cursor and optional time labels. The mouse
// sets the loop: drag either edge, Shift-press and drag a new loop, drag
// inside the loop to move it (vertical motion changes its length), click
// to jump (action "Position <seconds>"), double-click for the whole file.
// Every loop change by the mouse sends a change message; the owner reads
// getLoop. A file of zero length (or none readable) maps every pixel to
// time 0 and keeps every value finite.
// Threads: message thread only.
#include <juce_audio_utils/juce_audio_utils.h>

#include <cstdint>

class SoundEditorComponent : public juce::Component,
                             public juce::ChangeBroadcaster,
                             public juce::ActionBroadcaster,
                             public juce::ChangeListener
{
public:
    explicit SoundEditorComponent (juce::AudioThumbnail* thumbnail);
    ~SoundEditorComponent() override;

    // Shows t (null: an empty view); the display window and the loop become
    // the whole file. The owner keeps t alive until it is replaced (or the
    // view deleted): the view stops listening to the previous one here.
    void setThumbnail (juce::AudioThumbnail* t);
    juce::AudioThumbnail* getThumbnail() const noexcept { return thumbnail; }
    // Shows [start, end] as fractions of the file.
    void setDisplayNorm (double start, double end);
    // The loop in seconds; ignored during a mouse drag and for values that are not finite.
    void setLoop (double start, double end, bool notify);
    // The same with fractions of the file.
    void setLoopNorm (double start, double end, bool notify);
    // The loop in seconds, or as fractions of the file when `normalised`
    // (an end at the file's end reads 0.9999999).
    void getLoop (double* start, double* end) const;

    // "%3d:%02d:%02d" (minutes, seconds, hundredths) or "%02d:%02d" under a minute.
    static juce::String formatTime (double seconds);

    double getFileLength() const noexcept { return fileLength; }
    double getDisplayStart() const noexcept { return displayStart; }
    double getDisplayEnd() const noexcept { return displayEnd; }
    double getLoopStartX() const noexcept { return loopStartX; }
    double getLoopEndX() const noexcept { return loopEndX; }
    int getDragMode() const noexcept { return dragMode; }

    void paint (juce::Graphics&) override;
    void resized() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;

    // The play cursor in seconds, written by the player panel.
    double cursorTime = 0.0;
    // Moves the play cursor and repaints the pixel columns it leaves and
    // enters (the whole view when the time label follows the cursor).
    void setCursorTime (double t);
    // getLoop reports fractions of the file (the plug-in's panel sets it).
    bool normalised = false;
    bool showTimeAtCursor = false;
    bool showTimeAtMouse = true;

private:
    void updateScale();
    int timeToX (double t) const;
    double xToTime (double x) const;
    void edgesFromLoop (bool clamp);
    void validateLoop();
    void drawTimeLabel (juce::Graphics& g, double t, juce::Point<int> at, bool atCursor);

    juce::AudioThumbnail* thumbnail = nullptr;
    int32_t clickX = 0;
    int32_t lastY = 0;
    int32_t dragMode = 0;
    double fileLength = 1.0;
    double pixelsPerSecond = 0.0;
    double loopStart = 0.0, loopEnd = 0.0;
    double loopStartX = 0.0, loopEndX = 0.0;
    int32_t grabOffset = 0;
    double displayStart = 0.0, displayEnd = 1.0;
    bool mouseInside = false;
    juce::Point<int> mousePos;
    juce::Image waveLayer;
    double waveLayerStart = 0.0, waveLayerEnd = 0.0;
    bool waveLayerValid = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SoundEditorComponent)
};
