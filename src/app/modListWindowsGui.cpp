#include "app/modListWindowsGui.h"
#include "app/modDownload.h"
#include "saveddata/frmDeleteData.h"

// One line per store: data type, then the window that lists it.
void RegisterListWindows()
{
    SetDownloadTargetFactory(0, &frmDeleteData::NewDownloadTarget);
}
