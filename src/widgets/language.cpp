#include "language.h"

namespace language {

namespace {
quint8 g_current = 0;
} // namespace

quint8 currentLanguage() { return g_current; }

void setCurrentLanguage(quint8 index) { g_current = index; }

std::array<QString, kMaxLanguages> &languageFonts()
{
    static std::array<QString, kMaxLanguages> fonts;
    return fonts;
}

QString currentLanguageFont()
{
    return g_current < kMaxLanguages ? languageFonts()[g_current] : QString();
}

} // namespace language
