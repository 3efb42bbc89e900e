#include "MyRariZuzDisplay.h"

#include "WidgetClock.h"

#include <algorithm>
#include <cmath>
#include <limits>

MyRariZuzDisplay::MyRariZuzDisplay()
    : ring ((size_t) 1024 * 1024, 0),
      ringWidth (1024),
      ringHeight (1024),
      gestures ([this] (const juce::String& m) { sendActionMessage (m); })
{
    setName ("Selvo Display");
    setWantsKeyboardFocus (true);
    setOpaque (true);

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
    if (ringWidth != W || ringHeight != H || (int) rowBins.size() != H)
    {
        ring.assign ((size_t) W * (size_t) H, 0);  // index 0 is black
        ringWidth = W;
        ringHeight = H;
        head = 0;
        rowBins.resize ((size_t) H);
        for (int i = 0; i < H; ++i)
            rowBins[(size_t) i] = rowBin (i, H);
        sonogramStale = stretchedStale = true;
    }

    n = std::min (n, W);
    if (n > 0)
    {
        const uint64_t writeIndex = line->getWriteIndex() % count;
        const float scale = 2.0f / ((float) length * 60.0f);

        for (int k = 0; k < n; ++k)
        {
            const uint64_t slot = (writeIndex + count - 1 - (uint64_t) k % count) % count;
            // Frame k (0 the newest) becomes the picture's column W - 1 - k.
            const int column = (head + n - 1 - k) % W;
            for (int i = 0; i < H; ++i)
            {
                const uint64_t b = (uint64_t) rowBins[(size_t) i];
                const float re = line->loadRelaxed (slot, 2 * b);
                const float im = line->loadRelaxed (slot, 2 * b + 1);
                const float power = (re * re + im * im) * scale;
                ring[(size_t) (H - 1 - i) * (size_t) W + (size_t) column] = (uint8_t) levelIndex (power);
            }
        }
        head = (head + n) % W;
        sonogramStale = stretchedStale = true;
    }

    repaint();
}

const juce::Image& MyRariZuzDisplay::getSonogram() const
{
    const int W = ringWidth, H = ringHeight;
    if (sonogram.getWidth() != W || sonogram.getHeight() != H)
    {
        sonogram = juce::Image (juce::Image::ARGB, W, H, false);
        sonogramStale = true;
    }
    if (sonogramStale)
    {
        const juce::Image::BitmapData to (sonogram, juce::Image::BitmapData::writeOnly);
        jassert (to.pixelStride == (int) sizeof (juce::PixelARGB));
        for (int y = 0; y < H; ++y)
        {
            const auto* row = ring.data() + (size_t) y * (size_t) W;
            auto* pixel = reinterpret_cast<juce::PixelARGB*> (to.getLinePointer (y));
            for (int x = head; x < W; ++x)
                *pixel++ = colourPixels[row[x]];
            for (int x = 0; x < head; ++x)
                *pixel++ = colourPixels[row[x]];
        }
        sonogramStale = false;
    }
    return sonogram;
}

void MyRariZuzDisplay::updateStretchMaps (int w, int h)
{
    const juce::Point<int> source (ringWidth, ringHeight), target (w, h);
    if (source == mapSource && target == mapTarget)
        return;

    // A picture of the ring's size whose every pixel holds its own column
    // (then its own row) in its colour, stretched as paint stretches the
    // picture; a row (a column) of the result is read back. Each channel
    // carries 5 bits in the middle of an 8-step, so that the edge pixels the
    // renderer covers only partly still decode; wider numbers take more
    // passes.
    juce::Image probe (juce::Image::ARGB, source.x, source.y, false);
    auto readBack = [&] (bool rows, std::vector<int32_t>& map) {
        const int size = rows ? h : w, limit = rows ? source.y : source.x;
        map.assign ((size_t) size, 0);
        // Two pixels across: a strip one pixel thin is all partly covered
        // and drawn pixel by pixel, not as the runs a whole picture is.
        juce::Image strip (juce::Image::ARGB, rows ? 2 : w, rows ? h : 2, true);
        for (int shift = 0; shift == 0 || ((limit - 1) >> shift) != 0; shift += 15)
        {
            {
                const juce::Image::BitmapData bits (probe, juce::Image::BitmapData::writeOnly);
                for (int y = 0; y < source.y; ++y)
                    for (int x = 0; x < source.x; ++x)
                    {
                        const auto code = (uint32_t) ((rows ? y : x) >> shift);
                        auto part = [code] (int at) { return (juce::uint8) ((((code >> at) & 31u) << 3) | 4u); };
                        reinterpret_cast<juce::PixelARGB*> (bits.getPixelPointer (x, y))->setARGB (255, part (10), part (5), part (0));
                    }
            }
            strip.clear (strip.getBounds());
            {
                juce::Graphics g (strip);
                g.setImageResamplingQuality (juce::Graphics::lowResamplingQuality);
                g.drawImageWithin (probe, 0, 0, w, h, juce::RectanglePlacement::stretchToFit, false);
            }
            for (int i = 0; i < size; ++i)
            {
                const auto c = strip.getPixelAt (rows ? 0 : i, rows ? i : std::min (1, h - 1));
                const auto code = ((uint32_t) (c.getRed() >> 3) << 10) | ((uint32_t) (c.getGreen() >> 3) << 5) | (uint32_t) (c.getBlue() >> 3);
                map[(size_t) i] |= (int32_t) (code << shift);
            }
        }
        for (auto& m : map)
            m = juce::jlimit (0, limit - 1, m);
    };
    readBack (false, columnMap);
    readBack (true, rowMap);
    mapSource = source;
    mapTarget = target;
    stretchedStale = true;
}

void MyRariZuzDisplay::updateStretched()
{
    const int w = getWidth(), h = getHeight();
    updateStretchMaps (w, h);
    if (stretched.getWidth() != w || stretched.getHeight() != h)
    {
        stretched = juce::Image (juce::Image::ARGB, w, h, false);
        stretchedStale = true;
    }
    if (! stretchedStale)
        return;

    const int W = ringWidth;
    ringColumns.resize ((size_t) w);
    for (int x = 0; x < w; ++x)
    {
        const int c = head + columnMap[(size_t) x];
        ringColumns[(size_t) x] = c >= W ? c - W : c;
    }
    const juce::Image::BitmapData to (stretched, juce::Image::BitmapData::writeOnly);
    jassert (to.pixelStride == (int) sizeof (juce::PixelARGB));
    for (int y = 0; y < h; ++y)
    {
        const auto* source = ring.data() + (size_t) rowMap[(size_t) y] * (size_t) W;
        auto* pixel = reinterpret_cast<juce::PixelARGB*> (to.getLinePointer (y));
        for (int x = 0; x < w; ++x)
            pixel[x] = colourPixels[source[ringColumns[(size_t) x]]];
    }
    stretchedStale = false;
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

    auto image = getSonogram().createCopy();
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
    // At one pixel per unit the stretched copy is the picture as the
    // renderer would stretch it; a scaled context stretches the picture.
    if (getWidth() > 0 && getHeight() > 0 && g.getInternalContext().getPhysicalPixelScaleFactor() == 1.0f)
    {
        updateStretched();
        g.drawImageAt (stretched, 0, 0);
    }
    else
    {
        g.drawImageWithin (getSonogram(), 0, 0, getWidth(), getHeight(), juce::RectanglePlacement::stretchToFit, false);
    }
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
    // The timer only closes wheel gestures: none open, it rests until the next wheel move.
    if (! gestures.isWheelActive())
        stopTimer();
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
