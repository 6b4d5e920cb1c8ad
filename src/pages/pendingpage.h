#pragma once

#include <QDialog>
#include <QWidget>

#include <type_traits>

// Holds a tab of the container until the page's own class is built: an empty page under
// the object name the container gives it. Frames routed to it are dropped.
class PendingPage : public QWidget {
    Q_OBJECT
public:
    explicit PendingPage(QWidget *parent = nullptr);

    // The two receive forms of the real pages (module and security pages; settings page).
    void receive(quint8, quint8, quint16, const uchar *) {}
    void receive(quint8, quint8, quint8, quint16, const uchar *) {}

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Same for a dialog that is not built yet.
class PendingDialog : public QDialog {
    Q_OBJECT
public:
    explicit PendingDialog(QWidget *parent = nullptr);
};

template <class T>
inline constexpr bool isPending =
    std::is_base_of_v<PendingPage, T> || std::is_base_of_v<PendingDialog, T>;

// Runs f(object) only when object is of a built class, so wiring written against a page's
// real interface is compiled as soon as the page replaces its placeholder.
template <class T, class F> void ifBuilt(T *object, F &&f)
{
    if constexpr (!isPending<T>)
        f(object);
}
