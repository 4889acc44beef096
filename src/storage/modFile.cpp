#include "app/clsApp.h"

// Placeholder until the save dialog lands.
bool clsApp::SaveFileAs(const QString &) { return false; }
