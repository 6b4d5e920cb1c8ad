#pragma once

#include <QFont>
#include <QString>

#include <array>

// Program-wide language state: the index of the current language and the font family of
// each listed language. The main window fills it when it reads the language list and
// applies a language; every widget class reads it when it retranslates.
namespace language {

inline constexpr int kMaxLanguages = 5;

quint8 currentLanguage();
void setCurrentLanguage(quint8 index);

std::array<QString, kMaxLanguages> &languageFonts();

// languageFonts()[currentLanguage()]
QString currentLanguageFont();

// A font of the current language's family at pointSize; the application's default family
// when the language names none.
QFont languageFont(int pointSize);

} // namespace language

using language::currentLanguageFont;
using language::languageFont;
