#include "SelvoApplication.h"

#include "StoredSettings.h"

namespace selvo
{
void JUCEHelloWorldApplication::initialise (const juce::String&)
{
    StoredSettings::getInstance()->init ("Vokt Selvo");
    mainWindow = std::make_unique<StandaloneFilterWindow> (juce::String(), juce::Colours::lightgrey, seams);
}

void JUCEHelloWorldApplication::shutdown()
{
    mainWindow.reset();
    StoredSettings::deleteInstance();
}
} // namespace selvo
