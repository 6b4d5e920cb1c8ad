#include "fuzzapp.h"

#include <QApplication>
#include <QLoggingCategory>

void ensureFuzzApp()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Garbage makes the protocol's debug output chatty; the fuzzer's own output matters.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
}
