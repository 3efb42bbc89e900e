#include "MyArialFont.h"

MyArialFont MyArialFont::sShared;
int MyArialFont::initCount = 0;

juce::String MyArialFont::mapFamilyName (const juce::String& family)
{
    if (family.equalsIgnoreCase ("Arial"))
        return "Liberation Sans";
    return family;
}

void MyArialFont::initFont()
{
    if (++initCount == 1)
    {
        auto* face = new MyTypeFace();
        face->typeface = juce::Typeface::createSystemTypefaceFor (
            juce::Font (mapFamilyName ("Arial"), 12.0f, juce::Font::plain));
        sShared.face = face;
    }
}

void MyArialFont::releaseFont()
{
    if (initCount <= 0)
        return;

    if (--initCount == 0)
    {
        auto* face = sShared.face;
        sShared.face = nullptr;
        if (face != nullptr)
            face->typeface = nullptr;
        delete face;
    }
}

juce::Font MyArialFont::getArialFont (float height, bool bold, bool /*italic*/) const
{
    if (face == nullptr || face->typeface == nullptr)
        return juce::Font (height, bold ? juce::Font::bold : juce::Font::plain);

    juce::Font font (face->typeface);
    if (bold)
        font.setBold (true);  // looks "Liberation Sans" Bold up by name
    font.setHeight (height);
    return font;
}
