#pragma once

#include <QString>
#include <QTranslator>

#include <array>

// The language list ("translations/language.dat") and the configuration file ("cfg.dat"),
// both relative to the working directory, and the one translator of the program.
class Languages {
public:
    static constexpr int kMaxLanguages = 5;

    // Reads up to five languages: each line names a translation file ("lang:name;") and the
    // font family used while it is current ("font:family;"). Fills the program's fonts.
    void loadLanguageList();
    int count() const { return m_count; }
    QString name(int index) const;

    // Reads cfg.dat, read-only (a missing file is not created): sets the Frame code and the
    // titles and returns the stored language index (not yet checked against the list). A
    // "code:" line that is not a number leaves the Frame code as it was.
    int loadConfig();

    // Loads and installs the translation of language index (language 0 when the index is
    // out of range or its file does not load) and returns the window title to show.
    QString applyLanguage(int index);

    // Rewrites cfg.dat as a whole; false, with the reason, when it cannot be written.
    bool saveConfig(QString *errorText = nullptr) const;

    QString englishTitle() const { return m_englishTitle; }
    QString chineseTitle() const { return m_chineseTitle; }

private:
    std::array<QString, kMaxLanguages> m_names;
    int m_count = 0;
    QString m_englishTitle;
    QString m_chineseTitle;
    QTranslator m_translator;
};
