#include "MyRariZuzDisplay.h"

#include "WidgetClock.h"

#include <algorithm>
#include <cmath>
#include <limits>

MyRariZuzDisplay::MyRariZuzDisplay()
    : sonogram (juce::Image::ARGB, 1024, 1024, true),
      gestures ([this] (const juce::String& m) { sendActionMessage (m); })
{
    setName ("Selvo Display");
    setWantsKeyboardFocus (true);
    sonogram.clear (sonogram.getBounds(), juce::Colours::black);

    for (int i = 0; i < colourCount; ++i)
    {
        colourMap[(size_t) i] = colourMapEntry (i);
        colourPixels[(size_t) i] = colourMap[(size_t) i].getPixelARGB();
    }

#if VOKT_OPENGL
    glContext.setRenderer (this);
    glContext.setMultisamplingEnabled (true);
    glContext.attachTo (*this);
#endif
}

MyRariZuzDisplay::~MyRariZuzDisplay()
{
    stopTimer();
#if VOKT_OPENGL
    glContext.detach();
#endif
}

juce::Colour MyRariZuzDisplay::colourMapEntry (int i) noexcept
{
    i = juce::jlimit (0, colourCount - 1, i);
    if (i < 180)
    {
        const float t = (float) i / 180.0f;
        return juce::Colour ((juce::uint8) (int) (248.0f * t), 0, 0);
    }
    const float t = (float) (i - 180) / 76.0f;
    return juce::Colour ((juce::uint8) 248, (juce::uint8) (int) (194.0f * t), 0);
}

int MyRariZuzDisplay::levelIndex (float power) noexcept
{
    if (! std::isfinite (power))
        return 0;
    float level = 0.0f;
    if (power != 0.0f)
        level = 1.0f - 10.0f * std::log10 (1.0f / std::abs (power)) / 96.0f;
    const float x = (level * 1.2500001f - 0.12500001f) * 256.0f;
    if (! (x > 0.0f))
        return 0;  // NaN included
    return x >= 255.0f ? 255 : (int) x;
}

int MyRariZuzDisplay::rowBin (int i, int h) noexcept
{
    if (h <= 0 || i <= 0)
        return 0;
    // trunc ((i / h)^2 x h), exactly.
    return (int) (((int64_t) i * (int64_t) i) / (int64_t) h);
}

//==============================================================================
void MyRariZuzDisplay::buildBackground (const MyBuffersArray<float>* line, int n)
{
    if (line == nullptr || line->getCount() == 0 || line->getLength() < 2)
        return;

    const uint64_t count = line->getCount();
    const uint64_t length = line->getLength();
    const uint64_t half = length / 2;
    if (count > (uint64_t) std::numeric_limits<int>::max() || half > (uint64_t) std::numeric_limits<int>::max())
        return;

    const int W = (int) count, H = (int) half;
    if (sonogram.getWidth() != W || sonogram.getHeight() != H || (int) rowBins.size() != H)
    {
        sonogram = juce::Image (juce::Image::ARGB, W, H, true);
        sonogram.clear (sonogram.getBounds(), juce::Colours::black);
        rowBins.resize ((size_t) H);
        for (int i = 0; i < H; ++i)
            rowBins[(size_t) i] = rowBin (i, H);
    }

    n = std::min (n, W);
    if (n > 0)
    {
        if (n < W)
            sonogram.moveImageSection (0, 0, n, 0, W - n, H);

        const uint64_t writeIndex = line->getWriteIndex() % count;
        const float scale = 2.0f / ((float) length * 60.0f);
        juce::Image::BitmapData bits (sonogram, W - n, 0, n, H, juce::Image::BitmapData::readWrite);

        for (int k = 0; k < n; ++k)
        {
            const uint64_t slot = (writeIndex + count - 1 - (uint64_t) k % count) % count;
            const int column = n - 1 - k;  // W - 1 - k, in the section
            for (int i = 0; i < H; ++i)
            {
                const uint64_t b = (uint64_t) rowBins[(size_t) i];
                const float re = line->loadRelaxed (slot, 2 * b);
                const float im = line->loadRelaxed (slot, 2 * b + 1);
                const float power = (re * re + im * im) * scale;
                auto* pixel = reinterpret_cast<juce::PixelARGB*> (bits.getPixelPointer (column, H - 1 - i));
                *pixel = colourPixels[(size_t) levelIndex (power)];
            }
        }
    }

    repaint();
}

//==============================================================================
juce::File MyRariZuzDisplay::getSnapshotFolder() const
{
    return snapshotFolder != juce::File() ? snapshotFolder
                                          : juce::File::getSpecialLocation (juce::File::userDesktopDirectory);
}

juce::File MyRariZuzDisplay::printImage()
{
    const auto folder = getSnapshotFolder();
    if (! folder.isDirectory() && ! folder.createDirectory().wasOk())
        return {};

    juce::File file;
    for (int n = 0; n < std::numeric_limits<int>::max(); ++n)
    {
        file = folder.getChildFile ("RariZuz_" + juce::String (n) + ".jpg");
        if (! file.exists())
            break;
    }
    if (file.exists())
        return {};

    auto image = sonogram.createCopy();
    // The JPEG format holds no side over 65500 pixels (a picture of the
    // largest frame size is 65536 rows high): such a picture is scaled down.
    if (image.getWidth() > maxSnapshotSide || image.getHeight() > maxSnapshotSide)
        image = image.rescaled (std::min (image.getWidth(), maxSnapshotSide),
                                std::min (image.getHeight(), maxSnapshotSide),
                                juce::Graphics::lowResamplingQuality);

    bool ok = false;
    {
        juce::FileOutputStream out (file, 32768);
        if (! out.openedOk())
            return {};
        juce::JPEGImageFormat jpeg;
        ok = jpeg.writeImageToStream (image, out);
        out.flush();
        ok = ok && out.getStatus().wasOk();
    }
    if (! ok)
    {
        file.deleteFile();
        return {};
    }
    return file;
}

//==============================================================================
void MyRariZuzDisplay::setBounds (int x, int y, int w, int h)
{
    juce::Component::setBounds (x, y, w, h);
    gestures.setSize (w, h);
}

void MyRariZuzDisplay::resized()
{
    gestures.setSize (getWidth(), getHeight());
}

void MyRariZuzDisplay::paint (juce::Graphics& g)
{
    g.setImageResamplingQuality (juce::Graphics::lowResamplingQuality);
    g.drawImageWithin (sonogram, 0, 0, getWidth(), getHeight(), juce::RectanglePlacement::stretchToFit, false);
    for (const auto& bar : gestures.getBars())
        bar.paint (g);
}

void MyRariZuzDisplay::SetSpectrum (float*, long) {}

//==============================================================================
void MyRariZuzDisplay::setCenter (int i, float x, float y)
{
    gestures.setCenter (i, x, y);
}

void MyRariZuzDisplay::setLength (int i, float v)
{
    gestures.setLength (i, v);
}

void MyRariZuzDisplay::setAngle (int i, float a)
{
    gestures.setAngle (i, a);
}

void MyRariZuzDisplay::setSelected (int i, bool on)
{
    gestures.setSelected (i, on);
}

//==============================================================================
BarPointer MyRariZuzDisplay::pointerOf (const juce::MouseEvent& e) const
{
    BarPointer p;
    p.index = e.source.getIndex();
    p.touch = e.source.isTouch();
    p.x = e.position.x;
    p.y = e.position.y;
    p.command = e.mods.isCommandDown();
    p.alt = e.mods.isAltDown();
    p.shift = e.mods.isShiftDown();
    return p;
}

void MyRariZuzDisplay::mouseEnter (const juce::MouseEvent&) {}
void MyRariZuzDisplay::mouseExit (const juce::MouseEvent&) {}

void MyRariZuzDisplay::mouseDown (const juce::MouseEvent& e)
{
    if (gestures.pointerDown (pointerOf (e)))
        repaint();
}

void MyRariZuzDisplay::mouseDrag (const juce::MouseEvent& e)
{
    if (gestures.pointerDrag (pointerOf (e)))
        repaint();
}

void MyRariZuzDisplay::mouseUp (const juce::MouseEvent& e)
{
    if (gestures.pointerUp (pointerOf (e)))
        repaint();
}

void MyRariZuzDisplay::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    gestures.wheel (wheel.deltaX, wheel.deltaY, wheel.isReversed, e.mods.isCommandDown(), WidgetMilliseconds());
    repaint();
    startTimer (50);
}

void MyRariZuzDisplay::timerCallback()
{
    gestures.tick (WidgetMilliseconds());
}

bool MyRariZuzDisplay::keyPressed (const juce::KeyPress& key)
{
    const int code = key.getKeyCode();
    if (code == juce::KeyPress::deleteKey || code == juce::KeyPress::backspaceKey)
    {
        if (gestures.deleteKey())
        {
            repaint();
            return true;
        }
        return false;
    }
    if ((code == 'Z' || code == 'z') && key.getModifiers().isCommandDown())
    {
        if (gestures.undoKey())
        {
            repaint();
            return true;
        }
    }
    return false;
}

//==============================================================================
void MyRariZuzDisplay::renderOpenGL()
{
    if (juce::OpenGLHelpers::isContextActive())
        juce::OpenGLHelpers::clear (juce::Colours::black);
}

void MyRariZuzDisplay::newOpenGLContextCreated() {}
void MyRariZuzDisplay::openGLContextClosing() {}
