#include "app/frmMain.h"

// Placeholder until the bulk download lands.
void frmMain::GetAllData(qint32, bool &, bool &) {}
