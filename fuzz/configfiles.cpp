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
        return d;
    }();
    if (size == 0)
        return 0;
    // The files are read relative to the working folder; the fuzzer's own paths (corpus,
    // artifacts) may be relative too, so the folder is changed back after every input.
    const QString home = QDir::currentPath();
    QDir::setCurrent(dir->path());
    {
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
    }
    QDir::setCurrent(home);
    return 0;
}
