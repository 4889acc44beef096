// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window of 10485 x 4500 twips on a 1280 x 960 pixel screen (15
// twips a pixel), for the remembered placement.
#include "storage/modWindowState.h"

struct FakePlacementWindow : PlacementWindow
{
    double left = 0, top = 0;
    qint16 state = 0;
    int moves = 0;
    double Left() const override { return left; }
    double Top() const override { return top; }
    double Width() const override { return 10485; }
    double Height() const override { return 4500; }
    qint16 WindowState() const override { return state; }
    void SetWindowState(qint16 s) override { state = s; }
    void Move(qint32 l, qint32 t) override { left = l, top = t, ++moves; }
    double ScreenWidth() const override { return 19200; }
    double ScreenHeight() const override { return 14400; }
    QVector<QRectF> areas = {{0, 0, 19200, 14400}}; // the primary screen first
    QVector<QRectF> AvailableAreas() const override { return areas; }
};
