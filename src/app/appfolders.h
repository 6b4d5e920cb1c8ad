#pragma once

#include <QString>

// Where the program keeps its files. It works in one folder: cfg.dat and device.db are written
// there, and translations/ and image/ are looked up there first. Started from a staged run
// folder (build/run) or from a folder that already holds cfg.dat or device.db, that is the
// current folder, as always. Started from somewhere else (the desktop menu starts it in the
// home folder), it is the user's data folder; translations and images then come from the
// install prefix (<prefix>/share/dapcontrol).
namespace appfolders {

// Picks the working folder, creates it when needed and makes it current. Returns it.
// Call once, after the QApplication exists.
QString setUp();

// True when folder holds what marks it as the program's own working folder.
bool isWorkingFolder(const QString &folder);

// The readable file for a path relative to the working folder ("translations/language.dat",
// "image/logo.bmp"): the working folder's own copy when it has one, otherwise the installed
// one; the relative path itself when neither exists.
QString resourceFile(const QString &relative);

// The installed data folder next to the executable (<prefix>/share/dapcontrol); empty when
// the program does not run from an install prefix.
QString installedDataDir();

} // namespace appfolders
