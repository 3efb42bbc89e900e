// Tempo sync of MyEffect: snapping, note tables and the play-head reading.
#include "MyEffect.h"

bool MyEffect::SetSyncMode (int, bool) { return false; }
void MyEffect::UpdateSyncParameters() {}
void MyEffect::UpdateSyncParameter (int) {}
float MyEffect::SearchSyncValue (int, float value) { return value; }
int MyEffect::GetNombreMax (int) { return 1; }
float MyEffect::getSyncMsFromValue (int, float v) { return v * 1000.0f; }
float MyEffect::getSyncValueFromMs (int, float ms) { return ms / 1000.0f; }
float MyEffect::getValueForMax (int) { return 1.0f; }
bool MyEffect::isInHerz (int) { return false; }
bool MyEffect::ReadTimeInfo() { return false; }
int MyEffect::GetSyncNombre (int) { return 1; }
int MyEffect::GetSyncNote (int) { return 4; }
bool MyEffect::GetSyncMode (int) { return false; }
bool MyEffect::GetSyncAble (int) { return false; }
void MyEffect::SetSyncNombre (int, int) {}
void MyEffect::SetSyncNote (int, int) {}
void MyEffect::ToggleSyncMode (int) {}

void MyEffect::SyncToDelaiStr (int, char* buf)
{
    if (buf != nullptr)
        buf[0] = 0;
}

void MyEffect::IncSync (int) {}
void MyEffect::DecSync (int) {}
void MyEffect::SetSyncNoteFromBar (int) {}
bool MyEffect::CheckForBar (int) { return true; }

void MyEffect::copySyncControlTo (SyncControl*) {}
void MyEffect::copySyncControlFrom (const SyncControl*) {}
void MyEffect::initSyncControl (SyncControl*) {}
void MyEffect::enableSyncControl (int, SyncControl*, bool) {}
