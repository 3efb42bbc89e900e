#pragma once
// The look-and-feel every editor installs as the library-wide default: the
// library's V3 look, with font families mapped by MyArialFont::mapFamilyName.
// One instance is shared by all open editors (SharedDefaultLookAndFeel
// through a juce::SharedResourcePointer): the first editor installs it, the
// last one removes it, so closing one editor never changes another's look.
// Threads: message thread only.
#include <juce_gui_basics/juce_gui_basics.h>

class MyLookAndFeel : public juce::LookAndFeel_V3
{
public:
    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override;
};

// Created by the first juce::SharedResourcePointer<SharedDefaultLookAndFeel>,
// deleted with the last.
class SharedDefaultLookAndFeel
{
public:
    SharedDefaultLookAndFeel();
    ~SharedDefaultLookAndFeel();

    MyLookAndFeel lookAndFeel;

    JUCE_DECLARE_NON_COPYABLE (SharedDefaultLookAndFeel)
};
