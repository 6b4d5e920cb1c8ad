// cfg.dat and translations/language.dat as the program reads them at start-up, from a
// working folder of the fuzzer's own. The first byte picks the file.
#include "fuzzapp.h"

#include "app/languages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void writeFile(const QString &path, const uint8_t *data, size_t size)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char *>(data), qint64(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApp();
    static QTemporaryDir *dir = [] {
        auto *d = new QTemporaryDir;
        QDir(d->path()).mkpath(QStringLiteral("translations"));
        QDir::setCurrent(d->path());
        return d;
    }();
    Q_UNUSED(dir);
    if (size == 0)
        return 0;
    Languages languages;
    if (data[0] & 1) {
        writeFile(QStringLiteral("translations/language.dat"), data + 1, size - 1);
        languages.loadLanguageList();
        for (int i = 0; i < languages.count(); ++i)
            languages.name(i);
    } else {
        writeFile(QStringLiteral("cfg.dat"), data + 1, size - 1);
        const int index = languages.loadConfig();
        languages.applyLanguage(index);
    }
    return 0;
}
