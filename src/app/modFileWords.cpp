// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modFileWords.h"
#include "common/modMsgBox.h"
#include "storage/clsFile.h"

static QString WriteErrorText(const QString &reason)
{
    const QString cause = reason.isEmpty() ? QStringLiteral("Is it already open in another application?") : reason;
    return QStringLiteral("There is a problem writing to the file.\r\n") + cause;
}

void InstallFileWords()
{
    SetWriteErrorTeller([](const QString &reason, TellWhen when) {
        const QString title = QStringLiteral("ZT 6200 File Error");
        if (when == TellWhen::Now)
            MsgBox(WriteErrorText(reason), vb::Exclamation, title);
        else
            MsgBoxLater(WriteErrorText(reason), vb::Exclamation, title);
    });
}
