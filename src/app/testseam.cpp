#include "app/testseam.h"

#include "app/mainwindow.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QTimer>

#include <functional>
#include <memory>

namespace testseam {

namespace {

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// A checked button or entry reads "text [x]", an entry that opens a submenu "text >".
QString marked(const QString &text, bool checked, bool submenu = false)
{
    return text + (checked ? QStringLiteral(" [x]") : QString()) +
           (submenu ? QStringLiteral(" >") : QString());
}

QString textOf(const QWidget *w)
{
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        return marked(b->text(), b->isCheckable() && b->isChecked());
    if (const auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (const auto *s = qobject_cast<const QAbstractSpinBox *>(w))
        return s->text();
    if (const auto *c = qobject_cast<const QComboBox *>(w))
        return c->currentText();
    return {};
}

QString rectText(const QRect &r)
{
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The classes (and object names) from the window down to w, so the test can tell the
// "Mute" of the input level page from the one of the overview.
QString pathOf(const QWidget *w)
{
    QStringList parts;
    for (const QWidget *p = w; p; p = p->isWindow() ? nullptr : p->parentWidget()) {
        QString part = QString::fromLatin1(p->metaObject()->className());
        if (!p->objectName().isEmpty())
            part += QLatin1Char('#') + p->objectName();
        parts.prepend(part);
    }
    return parts.join(QLatin1Char('/'));
}

void addActions(QStringList &lines, const QWidget *owner, const QList<QAction *> &actions,
                const std::function<QRect(QAction *)> &geometry)
{
    for (QAction *a : actions) {
        if (!a->isVisible() || a->isSeparator())
            continue;
        const QRect r = geometry(a);
        if (r.isEmpty())
            continue;
        lines << QStringLiteral("action\t%1\t%2\t%3\t%4")
                     .arg(pathOf(owner), rectText(r.translated(owner->mapToGlobal(QPoint()))))
                     .arg(a->isEnabled() ? 1 : 0)
                     .arg(oneLine(marked(a->text(), a->isChecked(), a->menu() != nullptr)));
    }
}

QString widgetMap()
{
    QStringList lines;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        QList<QWidget *> widgets{top};
        widgets += top->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (!w->isVisible() || w->window() != top)
                continue;
            const QRect r(w->mapToGlobal(QPoint()), w->size());
            const QString kind = w == top ? QStringLiteral("window") : QStringLiteral("widget");
            const QString text = w == top ? w->windowTitle() : textOf(w);
            lines << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                         .arg(kind, pathOf(w), rectText(r))
                         .arg(w->isEnabled() ? 1 : 0)
                         .arg(oneLine(text));
            if (auto *bar = qobject_cast<QMenuBar *>(w))
                addActions(lines, bar, bar->actions(),
                           [bar](QAction *a) { return bar->actionGeometry(a); });
            if (auto *menu = qobject_cast<QMenu *>(w))
                addActions(lines, menu, menu->actions(),
                           [menu](QAction *a) { return menu->actionGeometry(a); });
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

void applyOptions(MainWindowOptions &options)
{
    bool ok = false;
    const uint port = qEnvironmentVariable("DAPCONTROL_TEST_ANNOUNCE_PORT").toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return;
    options.devices.announcePort = quint16(port);
    options.devices.commandAddress = QHostAddress(QHostAddress::LocalHost);
    options.devices.commandPort = 9;
}

void startWidgetMap()
{
    const QString path = qEnvironmentVariable("DAPCONTROL_TEST_WIDGET_MAP");
    if (path.isEmpty())
        return;
    auto *timer = new QTimer(qApp);
    auto last = std::make_shared<QString>();
    QObject::connect(timer, &QTimer::timeout, qApp, [path, last] {
        const QString map = widgetMap();
        if (map == *last)
            return;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(map.toUtf8());
        if (file.commit())
            *last = map;
    });
    timer->start(200);
}

} // namespace testseam
