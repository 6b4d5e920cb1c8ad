#pragma once

#include <QLabel>
#include <QString>

// A label that shows a live reading (a meter's level, several times a second):
// - a fixed size, wide enough for `widest` in its font, kept right when the font or style
//   changes; otherwise every new text asks the whole window for a new layout;
// - on a parent of one plain colour, its own background of that colour, so that a new text
//   repaints the reading alone rather than every background beneath it;
// - plain text in its palette's colour and its alignment, drawn without the frame a label
//   asks its style for on every paint. No rich text, pixmap, indent or margin.
class Readout : public QLabel {
    Q_OBJECT
public:
    Readout(const QString &text, const QString &widest, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fitWidest();
    void fillLikeParent();

    QString m_widest;
};
