// The process entry of the application "Vokt Selvo".
#include "SelvoApplication.h"

START_JUCE_APPLICATION (selvo::JUCEHelloWorldApplication)
