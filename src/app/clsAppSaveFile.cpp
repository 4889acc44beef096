#include "app/clsApp.h"

// Placeholder until the save dialog lands (then it lives beside ShowSaveDialog).
bool clsApp::SaveFileAs(const QString &) { return false; }
