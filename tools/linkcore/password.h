#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace linkcore {

// Checks a password as the login dialog takes it: at most 8 Latin-1 characters.
std::optional<QByteArray> checkedPassword(const QString &text, QString *error);

} // namespace linkcore
