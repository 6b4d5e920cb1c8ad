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

QFont languageFont(int pointSize)
{
    QFont font;
    const QString family = currentLanguageFont();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(pointSize);
    return font;
}

} // namespace language
