#pragma once

class QApplication;

// Applies the style sheet resource ":/qss/default" to the whole program. A missing
// resource leaves the platform look.
void applyStyleSheet(QApplication &app);
