#pragma once

#include <QString>

class QProgressDialog;

// The program-wide progress dialog of firmware and preset transfers. The main window
// creates the dialog and registers it; without one the operations do nothing.
//
// The dialog follows proto::Transfer: it opens when a transfer's range is known, moves
// with it and closes when it ends; its Cancel stops the transfer where that is safe and is
// not offered where it is not.
void setProgressDialog(QProgressDialog *dialog);
QProgressDialog *progressDialog();

// Range 0 ... count, label, shown, value 0.
void progressStart(int count, const QString &label);
// -1 (and the dialog reset) when the user has cancelled it, else sets value and gives 0.
int progressStep(int value);
// Resets the dialog (which clears a cancel) and closes it.
void progressEnd();
