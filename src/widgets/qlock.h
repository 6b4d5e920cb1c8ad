#pragma once

#include <QString>
#include <QWidget>

// A small padlock: the body in the state's colour (green Free, orange Read-only, red for
// anything else), the shackle open for Free and closed otherwise, and a short text on the
// body. Any mouse press emits clicked().
class QLock : public QWidget {
    Q_OBJECT
public:
    explicit QLock(QWidget *parent = nullptr);
    QLock(int state, const QString &text, QWidget *parent = nullptr);

    int state() const { return m_state; }
    QString text() const { return m_text; }
    void setState(int state);
    void setText(const QString &text);

    // The body colour of a state.
    static QColor stateColor(int state);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_state = 0;
    QString m_text;
};
