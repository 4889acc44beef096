// SPDX-License-Identifier: GPL-3.0-or-later
// The stored main-window placement ("Main/WindowState", "Main/Window") as
// any text the settings store may hold, split at the first line feed. The
// restored state must be one of the three and the title bar's grip on the
// screen, and what was written back must restore to the same placement.
#include "../support/FakePlacementWindow.h"
#include "FuzzSupport.h"

#include <QSettings>
#include <QTemporaryDir>

FUZZ_TARGET
{
    static QTemporaryDir dir;
    // Never written out: no event loop runs and the object lives to the end.
    static QSettings store(dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
    const QString text = FuzzText(data, size);
    const int cut = int(text.indexOf(QLatin1Char('\n')));
    store.setValue(QStringLiteral("Main/WindowState"), cut < 0 ? text : text.left(cut));
    store.setValue(QStringLiteral("Main/Window"), cut < 0 ? QString() : text.mid(cut + 1));

    FakePlacementWindow w, again;
    RestoreWindowState(w, store);
    const QSizeF grip = w.TitleBarPart();
    const QRectF onScreen = QRectF(w.left, w.top, w.Width(), grip.height()).intersected(w.areas.first());
    FuzzAssert(w.state >= 0 && w.state <= 2 && onScreen.width() >= grip.width() && onScreen.height() >= grip.height());
    RestoreWindowState(again, store);
    FuzzAssert(again.state == w.state && again.left == w.left && again.top == w.top);
}
