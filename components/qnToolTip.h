#pragma once

// A balloon hint: a top-most balloon with an information icon, a bold title
// and a text, its stem pointing at a control. One hint at a time; a left
// click on it closes it.

#include <QString>

class QWidget;

// Shows the hint with its top-left corner (the tip of its stem) at the
// centre of Control moved by (OffsetX, OffsetY), closing any hint already
// shown. Note the order: the vertical offset comes first. Does nothing
// when Control is null.
void ShowBalloonTip(QWidget* Control, const QString& Title, const QString& Text, int OffsetY,
                    int OffsetX);
// Hides the current hint at once and forgets it; its window is destroyed
// BalloonTipRetireDelay() later.
void HideBalloonTip();
// How long a hidden hint's window lives on before it is destroyed, in
// milliseconds: 2500 unless set otherwise. A new delay applies to the hints
// hidden after the change; a negative one counts as 0.
int BalloonTipRetireDelay();
void SetBalloonTipRetireDelay(int Milliseconds);
// The window of the hint now shown, or null.
QWidget* CurrentBalloonTip();
