#include "languages.h"

#include "appfolders.h"
#include "logging.h"
#include "protocol/devicetext.h"
#include "protocol/transport.h"
#include "widgets/language.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>

namespace {

const char kLanguageFile[] = "translations/language.dat";
const char kConfigFile[] = "cfg.dat";

// The text after key up to the next ';' (or the end of the line).
QString keyedValue(const QString &line, const QString &key)
{
    const int start = line.indexOf(key);
    if (start < 0)
        return {};
    const int from = start + key.size();
    const int end = line.indexOf(QLatin1Char(';'), from);
    return end < 0 ? line.mid(from) : line.mid(from, end - from);
}

// The folder of the language list: the working folder's or the installed one.
QString translationDir()
{
    return QFileInfo(appfolders::resourceFile(QLatin1String(kLanguageFile))).path() +
           QLatin1Char('/');
}

QTextCodec *eightBitCodec()
{
    QTextCodec *found = proto::deviceCodec();
    return found ? found : QTextCodec::codecForName("UTF-8");
}

} // namespace

QString Languages::name(int index) const
{
    return index >= 0 && index < m_count ? m_names[index] : QString();
}

void Languages::loadLanguageList()
{
    m_count = 0;
    QFile file{appfolders::resourceFile(QLatin1String(kLanguageFile))};
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcApp) << "no language list" << kLanguageFile;
        return;
    }
    QTextCodec *lineCodec = eightBitCodec();
    while (!file.atEnd() && m_count < kMaxLanguages) {
        QByteArray bytes = file.readLine();
        // The line break ends the line, it is no part of a value.
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = lineCodec->toUnicode(bytes);
        m_names[m_count] = keyedValue(line, QStringLiteral("lang:"));
        language::languageFonts()[m_count] = keyedValue(line, QStringLiteral("font:"));
        ++m_count;
    }
}

int Languages::loadConfig()
{
    int index = 0;
    QFile file{QLatin1String(kConfigFile)};
    // Read-only: a file the user may not write is still the program's configuration, and a
    // first start leaves no empty file behind.
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.exists())
            qCWarning(lcApp) << "cannot read" << kConfigFile << file.errorString();
        return index;
    }
    const QString text = eightBitCodec()->toUnicode(file.readAll());
    file.close();

    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1String("current lang:"))) {
            // Only the one character after the prefix counts.
            index = line.size() > 13 ? line.at(13).unicode() - '0' : -1;
        } else if (line.startsWith(QLatin1String("code:"))) {
            const int end = line.indexOf(QLatin1Char(';'), 5);
            bool ok = false;
            const uint code = line.mid(5, end < 0 ? -1 : end - 5).toUInt(&ok);
            // A code of 0 from a damaged line would cut the processor's answers off.
            if (ok)
                proto::Transport::instance().setFrameCode(quint16(code));
            else
                qCWarning(lcApp) << kConfigFile << "line ignored, not a Frame code:" << line;
        } else if (line.startsWith(QLatin1String("EN:"))) {
            m_englishTitle = line.mid(3);
        } else if (line.startsWith(QLatin1String("CN:"))) {
            m_chineseTitle = line.mid(3);
        }
    }
    return index;
}

QString Languages::applyLanguage(int index)
{
    if (index < 0 || index > m_count)
        index = 0;
    const QString requested = name(index);

    QCoreApplication::removeTranslator(&m_translator);
    language::setCurrentLanguage(quint8(index));
    if (!m_translator.load(translationDir() + requested)) {
        qCDebug(lcApp) << "translation" << requested << "not loaded; using language 0";
        language::setCurrentLanguage(0);
        (void)m_translator.load(translationDir() + name(0));
    }
    QCoreApplication::installTranslator(&m_translator);

    const QString title =
        requested.contains(QLatin1String("chinese")) ? m_chineseTitle : m_englishTitle;
    if (!title.isEmpty())
        return title;
    return QCoreApplication::translate("mainWindow", "Digital Audio Processor");
}

bool Languages::saveConfig(QString *errorText) const
{
    QString text = QStringLiteral("current lang:%1\r\ncode:%2\r\n")
                       .arg(language::currentLanguage())
                       .arg(proto::Transport::instance().frameCode());
    if (!m_englishTitle.isEmpty())
        text += QStringLiteral("EN:%1\r\n").arg(m_englishTitle);
    if (!m_chineseTitle.isEmpty())
        text += QStringLiteral("CN:%1\r\n").arg(m_chineseTitle);
    const QByteArray bytes = eightBitCodec()->fromUnicode(text);
    // Written whole or not at all: a failed write leaves the old file as it was.
    QSaveFile file{QLatin1String(kConfigFile)};
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    qCWarning(lcApp) << "cannot write" << kConfigFile << file.errorString();
    if (errorText)
        *errorText = file.errorString();
    return false;
}
