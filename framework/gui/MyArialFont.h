#pragma once
// The one typeface of all text the framework draws, shared by reference
// while at least one user holds it (each editor, and an open About box).
// The family the panels ask for is "Arial"; Linux has none, so the family
// is mapped here, in one place, to the metric-compatible "Liberation Sans"
// (fonts-liberation2). The shared default look-and-feel applies the same
// mapping to every font lookup, so plain juce::Font ("Arial", ...) uses and
// the name lookup after setBold reach the real bold and italic faces.
// Threads: message thread only (initFont, releaseFont, getArialFont).
#include <juce_graphics/juce_graphics.h>

class MyArialFont
{
public:
    struct MyTypeFace
    {
        juce::Typeface::Ptr typeface;
    };

    // One more user; the first creates the typeface.
    static void initFont();
    // One user fewer; the last releases the typeface. Unbalanced calls are ignored.
    static void releaseFont();
    static int getUserCount() noexcept { return initCount; }

    // A font on the shared typeface at `height`, bold when asked; italic is
    // ignored. Without a user (before the first initFont or after the last
    // releaseFont) the default font of that height and weight.
    juce::Font getArialFont (float height, bool bold, bool italic) const;

    // The family that stands for `family` on this system: "Arial" (any
    // case) gives "Liberation Sans"; every other name is returned unchanged.
    static juce::String mapFamilyName (const juce::String& family);

    static MyArialFont sShared;

    MyTypeFace* face = nullptr;

private:
    static int initCount;
};

// Holds the shared font for the life of a scope or an object.
class ScopedArialFont
{
public:
    ScopedArialFont() { MyArialFont::initFont(); }
    ~ScopedArialFont() { MyArialFont::releaseFont(); }
    ScopedArialFont (const ScopedArialFont&) = delete;
    ScopedArialFont& operator= (const ScopedArialFont&) = delete;
};

// Shorthand for MyArialFont::sShared.getArialFont.
inline juce::Font getArialFont (float height, bool bold = false, bool italic = false)
{
    return MyArialFont::sShared.getArialFont (height, bold, italic);
}
