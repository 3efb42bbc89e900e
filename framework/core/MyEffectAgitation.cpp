// Agitation of MyEffect: groups, glides and the engine hooks.
#include "MyEffect.h"

void MyEffect::DoAgitation() {}
int MyEffect::getLastAgitatedParameters() { return 0; }

void MyEffect::setParameterNoAgit (int param, float v)
{
    applyingAgitation.store (true);
    setIndexedParameter (param, v);
    applyingAgitation.store (false);
}

float MyEffect::setAgitationForParam (int, int, float idValue)
{
    return idValue < 0.0f ? 0.0f : (idValue > 1.0f ? 1.0f : idValue);
}

bool MyEffect::doSpecificAgitation (int, float) { return false; }
bool MyEffect::doSpecificRandomizeAgitation (int, float) { return false; }
void MyEffect::setSpecificAgitationInitialization (int) {}
bool MyEffect::isAgitatorParam (int) { return false; }

void MyEffect::SetAgitation() {}
void MyEffect::resetAgitation (int) {}
bool MyEffect::isAgitationControlsChanged() { return agitationControlsChanged.exchange (false); }
void MyEffect::setAgitationControlsChanged (bool changed) { agitationControlsChanged.store (changed); }
