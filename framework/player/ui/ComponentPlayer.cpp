#include "ComponentPlayer.h"

#include "KitArtwork.h"
#include "Utilities.h"

#include <cmath>

namespace
{
const juce::Colour switchFillOff (0xffb2bbc2u);

void setUpSwitch (MyJuceSimpleTextButton& b, const juce::String& text)
{
    b.setParams (text, text, true, true);
    b.fillOff = switchFillOff;
    b.fillSpare = juce::Colours::lightgrey;
    b.fillOn = juce::Colours::darkgrey;
    b.textColourOn = juce::Colours::white;
    b.textColourOff = juce::Colours::black;
    b.textMargin = 0;
}

void setUpTransport (MyJuceTextButton& b, TransportPicture picture, bool toggle, float normalOpacity)
{
    b.setParams ({}, {}, toggle, toggle);
    const auto up = GetTransportImage (picture, false);
    const auto down = GetTransportImage (picture, true);
    b.setImages (false, true, true,
                 up, normalOpacity, juce::Colours::transparentBlack,
                 up, 1.0f, juce::Colours::transparentBlack,
                 down, 1.0f, juce::Colours::transparentBlack);
}

void setUpValueLabel (juce::Label& l, juce::Font f)
{
    l.setFont (f);
    l.setJustificationType (juce::Justification::centredBottom);
    l.setEditable (false, true, false);
    l.setColour (juce::Label::backgroundColourId, juce::Colours::black);
    l.setColour (juce::Label::textColourId, juce::Colour (0xffffd79du));
    l.setColour (juce::TextEditor::textColourId, juce::Colours::white);
    l.setColour (juce::TextEditor::highlightColourId, juce::Colour (0xffc8c8c8u));
}

// "%f" of v with a decimal point whatever the process locale.
juce::String fixed6 (float v) { return juce::String ((double) v, 6); }
} // namespace

ComponentPlayer::ComponentPlayer (bool withModePopup)
    : waveform (std::make_unique<SoundEditorComponent> (nullptr)),
      zoom (std::make_unique<ZoomControl>()),
      syncButton (std::make_unique<MyJuceSimpleTextButton> ("new button")),
      beginButton (std::make_unique<MyJuceTextButton> ("new button")),
      playButton (std::make_unique<MyJuceTextButton> ("new button")),
      loopButton (std::make_unique<MyJuceTextButton> ("new button")),
      recordButton (std::make_unique<MyJuceTextButton> ("new button")),
      bypassButton (std::make_unique<MyJuceSimpleTextButton> ("new button")),
      gainSlider (std::make_unique<juce::Slider> ("gain slider")),
      gainLabel (std::make_unique<juce::Label> ("new label", "0 dB")),
      fileNameLabel (std::make_unique<juce::Label> ("new label", "file name")),
      cpuBar (std::make_unique<CpuBar>()),
      modePopup (std::make_unique<MyJucePopup> ("mode", TRANS ("mode"))),
      speedSlider (std::make_unique<MyJuceSlider> ("new slider")),
      speedLabel (std::make_unique<MyJuceLabel> ("new label", "123")),
      thumbnailCache (std::make_unique<juce::AudioThumbnailCache> (5)),
      hasModePopup (withModePopup)
{
    if (formatManager.getNumKnownFormats() == 0)
        formatManager.registerBasicFormats();

    waveform->setName ("new component");
    addAndMakeVisible (*waveform);
    waveform->addChangeListener (this);
    waveform->addActionListener (this);

    zoom->setName ("new component");
    addAndMakeVisible (*zoom);
    zoom->addChangeListener (this);

    setUpSwitch (*syncButton, "sync");
    addChildComponent (*syncButton);
    syncButton->addListener (this);

    setUpTransport (*beginButton, TransportPicture::begin, false, 1.0f);
    beginButton->addShortcut (juce::KeyPress ('b'));
    addChildComponent (*beginButton);
    beginButton->addListener (this);

    setUpTransport (*playButton, TransportPicture::play, true, 0.9414f);
    playButton->addShortcut (juce::KeyPress (juce::KeyPress::spaceKey));
    addChildComponent (*playButton);
    playButton->addListener (this);

    setUpTransport (*loopButton, TransportPicture::loop, true, 0.9414f);
    loopButton->addShortcut (juce::KeyPress ('l'));
    addChildComponent (*loopButton);
    loopButton->addListener (this);

    setUpTransport (*recordButton, TransportPicture::record, true, 1.0f);
    addChildComponent (*recordButton);
    recordButton->addListener (this);

    setUpSwitch (*bypassButton, "bypass");
    addAndMakeVisible (*bypassButton);
    bypassButton->addListener (this);

    gainSlider->setSliderStyle (juce::Slider::LinearBar);
    gainSlider->setRange (0.0, 1.0, 0.0);
    gainSlider->setTextBoxStyle (juce::Slider::NoTextBox, true, 20, 10);
    gainSlider->setColour (juce::Slider::thumbColourId, juce::Colour (0x91202020u));
    addAndMakeVisible (*gainSlider);
    gainSlider->addListener (this);

    gainLabel->setFont (getArialFont (12.0f));
    gainLabel->setJustificationType (juce::Justification::bottomRight);
    addAndMakeVisible (*gainLabel);

    fileNameLabel->setFont (getArialFont (12.0f));
    fileNameLabel->setJustificationType (juce::Justification::bottomLeft);
    addChildComponent (*fileNameLabel);

    cpuBar->setName ("new progressBar");
    addAndMakeVisible (*cpuBar);

    const auto strip = GetMeterStripImage();
    for (int i = 0; i < maxMeters; ++i)
    {
        vuMeters[(size_t) i] = std::make_unique<MyJuceVuMeter> ("new vumeter");
        vuMeters[(size_t) i]->setImage (strip);
        addChildComponent (*vuMeters[(size_t) i]);
    }

    modePopup->addItemText ("normal");
    modePopup->addItemText ("variable");
    modePopup->setTooltip ("play mode: normal or variable speed");
    setUpValueLabel (*modePopup, getArialFont (11.0f, true));
    modePopup->setColour (juce::TextEditor::backgroundColourId, juce::Colour (0xff5c5c5cu));
    addChildComponent (*modePopup);
    modePopup->addChangeListener (this);

    speedSlider->setTooltip ("variable speed");
    speedSlider->setRange (0.0, 1.0, 0.0);
    speedSlider->setSliderStyle (juce::Slider::LinearHorizontal);
    speedSlider->setTextBoxStyle (juce::Slider::NoTextBox, true, 80, 20);
    speedSlider->setColour (juce::Slider::thumbColourId, juce::Colour (0xffdcfdfdu));
    speedSlider->defaultValue = 0.75f;
    addChildComponent (*speedSlider);
    speedSlider->addListener (this);

    speedLabel->setTooltip ("variable speed");
    setUpValueLabel (*speedLabel, getArialFont (11.0f, true));
    speedLabel->setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00999999u));
    addChildComponent (*speedLabel);
    speedLabel->addListener (this);
    speedLabel->addChangeListener (this);

    speedSlider->setVisible (hasModePopup);
    speedLabel->setVisible (hasModePopup);
    showMeters();
}

ComponentPlayer::~ComponentPlayer()
{
    waveform->setThumbnail (nullptr);
    thumbnail.reset();
    thumbnailCache.reset();
}

//==============================================================================
void ComponentPlayer::openFile (juce::File file)
{
    waveform->setThumbnail (nullptr);
    thumbnail = std::make_unique<juce::AudioThumbnail> (1024, formatManager, *thumbnailCache);
    thumbnail->setSource (new juce::FileInputSource (file));
    waveform->setThumbnail (thumbnail.get());
    for (auto* c : std::initializer_list<juce::Component*> { syncButton.get(), loopButton.get(), playButton.get(),
                                                              beginButton.get(), modePopup.get() })
        c->setVisible (true);
    resized();
    currentFile = file;
    repaint();
}

void ComponentPlayer::clearCurrentFile()
{
    waveform->setThumbnail (nullptr);
    thumbnail.reset();
    loopButton->setVisible (false);
    playButton->setVisible (false);
    beginButton->setVisible (false);
    repaint();
}

void ComponentPlayer::setCurrentTime (float seconds)
{
    if (! std::isfinite (seconds))
        return;
    waveform->setCursorTime ((double) seconds);
    const double length = waveform->getFileLength();
    zoom->setPosition (length > 0.0 ? (double) seconds / length : 0.0);
}

void ComponentPlayer::showMeters()
{
    for (int i = 0; i < maxMeters; ++i)
        vuMeters[(size_t) i]->setVisible (vuDisplayOn && i < numMeters);
}

void ComponentPlayer::setNumChannels (int n)
{
    if (n == numMeters)
        return;
    numMeters = juce::jlimit (1, maxMeters, n);
    vuWidth = 6 * numMeters + 1;
    if (vuDisplayOn)
    {
        showMeters();
        resized();
    }
}

void ComponentPlayer::setVuMeter (int index, float level)
{
    if (index < 0 || index >= maxMeters)
        return;
    vuMeters[(size_t) index]->setValues (level, -1.0f);
}

void ComponentPlayer::updateStartButton (bool playing)
{
    if (playButton->getToggleState() != playing)
        playButton->setToggleState (playing, juce::dontSendNotification);
}

void ComponentPlayer::updateRecordButton (bool recording)
{
    if (recordButton->getToggleState() != recording)
        recordButton->setToggleState (recording, juce::dontSendNotification);
}

void ComponentPlayer::updateLoopButton (bool looping)
{
    if (loopButton->getToggleState() != looping)
        loopButton->setToggleState (looping, juce::dontSendNotification);
}

void ComponentPlayer::updateGain (float g)
{
    if (! std::isfinite (g))
        return;
    gainSlider->setValue ((double) g, juce::sendNotificationAsync);
    // The owner calls this on every refresh: the text is formatted only
    // when the gain changed (the label repaints only when its text does).
    if (g != shownGain || shownGainText.isEmpty())
    {
        char text[valueTextSize] = {};
        FloatToGain24Str (g, text);
        shownGain = g;
        shownGainText = text;
    }
    gainLabel->setText (shownGainText, juce::dontSendNotification);
}

void ComponentPlayer::updateVariableSpeed (float speed)
{
    if (! std::isfinite (speed))
        return;
    speedSlider->setValue (0.25 * (double) speed + 0.5, true, false);
    // As with the gain; the text is set again even so, over one the user typed.
    if (speed != shownSpeed || shownSpeedText.isEmpty())
    {
        shownSpeed = speed;
        shownSpeedText = juce::String ((double) speed, 3).paddedLeft (' ', 6);
    }
    speedLabel->setText (shownSpeedText, false);
}

void ComponentPlayer::updatePlayMode (int mode)
{
    const int index = mode == 2 ? 1 : 0;
    if (modePopup->getSelected() == index)
        return;
    modePopup->setValue ((float) index, true);
    sendNewMode (index);
}

void ComponentPlayer::setRecordTime (juce::String text)
{
    fileNameLabel->setText (text, juce::dontSendNotification);
}

void ComponentPlayer::updateLoop (float start, float end)
{
    waveform->setLoopNorm ((double) start, (double) end, false);
}

void ComponentPlayer::displayVuMeter (bool on)
{
    vuDisplayOn = on;
    if (! on)
        vuWidth = 0;
    for (int i = 0; i < numMeters; ++i)
        vuMeters[(size_t) i]->setVisible (on);
    resized();
}

void ComponentPlayer::setText (juce::String text)
{
    dropHint = text;
    repaint();
}

void ComponentPlayer::clearShortcuts()
{
    playButton->clearShortcuts();
    loopButton->clearShortcuts();
    beginButton->clearShortcuts();
}

//==============================================================================
void ComponentPlayer::buttonClicked (juce::Button* b)
{
    const bool on = b->getToggleState();
    if (b == beginButton.get())
        sendActionMessage ("Begin");
    else if (b == playButton.get())
    {
        const bool withRecord = juce::ModifierKeys::currentModifiers.isCommandDown();
        sendActionMessage (juce::String (on ? "Start" : "Pause") + (withRecord ? "&Record" : ""));
    }
    else if (b == loopButton.get())
        sendActionMessage (on ? "LoopOn" : "LoopOff");
    else if (b == recordButton.get())
        sendActionMessage (on ? "RecordOn" : "RecordOff");
    else if (b == bypassButton.get())
        sendActionMessage (on ? "ByPassOn" : "ByPassOff");
    else if (b == syncButton.get())
        sendActionMessage (on ? "SyncOn" : "SyncOff");
}

void ComponentPlayer::sliderValueChanged (juce::Slider* s)
{
    if (s == gainSlider.get())
        sendActionMessage ("Gain " + fixed6 ((float) gainSlider->getValue()));
    else if (s == speedSlider.get())
        sendNewVariableSpeed ((float) speedSlider->getValue());
}

void ComponentPlayer::labelTextChanged (juce::Label* l)
{
    if (l != speedLabel.get())
        return;
    const float v = speedLabel->getText().getFloatValue();
    sendNewVariableSpeed (Clip (0.0f, 1.0f, 0.25f * v + 0.5f));
}

void ComponentPlayer::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == waveform.get())
    {
        double start = 0.0, end = 0.0;
        waveform->getLoop (&start, &end);
        sendActionMessage ("Loop " + juce::String (start) + " " + juce::String (end) + " ");
    }
    else if (source == zoom.get())
    {
        float start = 0.0f, end = 1.0f;
        zoom->getZoom (&start, &end);
        waveform->setDisplayNorm ((double) start, (double) end);
    }
    else if (source == modePopup.get())
    {
        sendNewMode (modePopup->getSelected());
    }
    else if (source == speedLabel.get())
    {
        const float a = speedLabel->action;
        const double step = juce::ModifierKeys::currentModifiers.isCommandDown() ? 0.05 : 0.005;
        double v = speedSlider->getValue();
        if (a == 1.0f)
            v += step;
        else if (a == -1.0f)
            v -= step;
        sendNewVariableSpeed (Clip (0.0f, 1.0f, (float) v));
    }
}

void ComponentPlayer::actionListenerCallback (const juce::String& message)
{
    if (message.startsWith ("Position"))
        sendActionMessage (message);
}

bool ComponentPlayer::isInterestedInFileDrag (const juce::StringArray& files)
{
    if (files.isEmpty())
        return false;
    const auto name = juce::File (files[0]).getFileName();
    juce::StringArray patterns;
    patterns.addTokens (formatManager.getWildcardForAllFormats(), ";", "\"");
    for (const auto& p : patterns)
        if (p.isNotEmpty() && name.matchesWildcard (p.trim(), true))
            return true;
    return false;
}

void ComponentPlayer::filesDropped (const juce::StringArray& files, int, int)
{
    if (! files.isEmpty())
        sendActionMessage ("Open " + files[0]);
}

//==============================================================================
void ComponentPlayer::paintOverChildren (juce::Graphics& g)
{
    if (thumbnail != nullptr)
        return;
    g.setColour (juce::Colours::yellow);
    g.setFont (getArialFont (12.0f, true));
    g.drawSingleLineText (dropHint, 50, 24, juce::Justification::left);
}

void ComponentPlayer::resized()
{
    const int w = getWidth();
    const int a = hasModePopup ? 44 : 0;
    const int x0 = syncShown ? a + 36 : a;
    const int left = std::max (0, w - (int) vuWidth);

    waveform->setBounds (0, 0, left, 35);
    zoom->setBounds (0, 35, left, 5);
    if (hasModePopup)
        modePopup->setBounds (2, 42, 44, 16);
    if (syncShown)
        syncButton->setBounds (a + 4, 42, 32, 16);

    beginButton->setBounds (x0 + 4, 42, 16, 16);
    playButton->setBounds (beginButton->getRight() + 4, 42, 16, 16);
    loopButton->setBounds (playButton->getRight() + 4, 42, 24, 16);
    recordButton->setBounds (loopButton->getRight() + 4, 42, 24, 16);
    fileNameLabel->setBounds (x0 + 110, 42, 800, 16);

    cpuBar->setBounds (w - cpuWidth, 44, std::max (0, cpuWidth - 5), 12);
    gainSlider->setBounds (cpuBar->getX() - 61, 44, 57, 12);
    gainLabel->setBounds (gainSlider->getX() - 40, 46, 40, 12);
    bypassButton->setBounds (gainLabel->getX() - 40, 42, 40, 16);

    for (int i = 0; i < numMeters; ++i)
        vuMeters[(size_t) i]->setBounds (w - (numMeters - i) * 6, 0, 5, 40);

    speedLabel->setBounds (2, 60, 44, 16);
    speedSlider->setBounds (52, 60, std::max (0, w - 60), 16);
}
