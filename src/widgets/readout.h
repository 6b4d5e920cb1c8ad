#pragma once

#include <QString>

class QLabel;

// Sets up a label that shows a live reading (a meter's level, several times a second):
// - a fixed size, wide enough for `widest` in the label's font, kept right when the font or
//   style changes; without it every new text asks the whole window for a new layout;
// - on a parent of one plain colour, its own background of that colour, so that a new text
//   repaints the label alone rather than every background beneath it.
void setUpReadout(QLabel *label, const QString &widest);
