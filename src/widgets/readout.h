#pragma once

#include <QString>

class QLabel;

// Gives a label that shows a live reading (a meter's level, several times a second) a fixed
// size, wide enough for `widest` in the label's font, kept right when the font or style
// changes. Without it every new text asks the whole window for a new layout.
void fixReadoutSize(QLabel *label, const QString &widest);
