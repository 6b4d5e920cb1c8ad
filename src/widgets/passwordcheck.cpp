#include "passwordcheck.h"

#include <QCoreApplication>

#include <algorithm>

namespace passwordcheck {

bool fitsProcessor(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QByteArray bytes(const QString &text)
{
    return text.toLatin1();
}

QString refusalMessage()
{
    return QCoreApplication::translate("PasswordCheck", "Only Latin-1 characters allowed");
}

} // namespace passwordcheck
