#include "password.h"

namespace linkcore {

std::optional<QByteArray> checkedPassword(const QString &text, QString *error)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            *error = QStringLiteral("a password takes Latin-1 characters only");
            return std::nullopt;
        }
    }
    if (text.size() > 8) {
        *error = QStringLiteral("a password has at most 8 characters");
        return std::nullopt;
    }
    return text.toLatin1();
}

} // namespace linkcore
