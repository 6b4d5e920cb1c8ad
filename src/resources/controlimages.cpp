// Draws the control images that the fader and the knobs are painted with:
//   Fader_Q2                      fader cap, 20 x 43
//   KnobBaseSmall/KnobBase/Large  knob with its scale, 50, 70 and 100 pixels square
//   KnobIndicator(Small/Large)    the pointer, same squares, drawn pointing up; the knob
//                                 rotates it about the centre
// Usage: controlimages <output folder>. The drawing is deterministic (fixed noise seed), so
// a build always produces the same pictures.

#include <QConicalGradient>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Small linear congruential generator: the same streaks on every build and platform.
class Noise {
public:
    explicit Noise(quint32 seed) : m_state(seed) {}
    double next() // 0 .. 1
    {
        m_state = m_state * 1664525u + 1013904223u;
        return double(m_state >> 8) / double(1u << 24);
    }

private:
    quint32 m_state;
};

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Fader cap: two brushed-aluminium faces tilted away from a centre groove that carries a
// white index line, grip ridges on each face, dark rim.
QImage faderCap()
{
    const int w = 20;
    const int h = 43;
    QImage image = blank(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(0.5, 0.5, w - 1, h - 1);
    QPainterPath outline;
    outline.addRoundedRect(body, 3, 3);
    p.setClipPath(outline);

    const double mid = h / 2.0;
    QLinearGradient faces(0, 0, 0, h);
    faces.setColorAt(0.00, QColor(236, 236, 236));
    faces.setColorAt(0.44, QColor(150, 152, 156));
    faces.setColorAt(0.47, QColor(60, 60, 62));
    faces.setColorAt(0.53, QColor(60, 60, 62));
    faces.setColorAt(0.56, QColor(196, 198, 202));
    faces.setColorAt(1.00, QColor(92, 94, 98));
    p.fillRect(image.rect(), faces);

    // Brushing: fine horizontal streaks of varying brightness.
    Noise noise(0x5eed0001u);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; x += 2) {
            const double n = noise.next();
            const int alpha = int(10 + 26 * noise.next());
            p.fillRect(QRectF(x, y, 2 + 3 * n, 1),
                       n > 0.5 ? QColor(255, 255, 255, alpha) : QColor(0, 0, 0, alpha));
        }
    }

    // Grip ridges: a dark line under a light one.
    p.setPen(Qt::NoPen);
    for (double y : {6.0, 11.0, 16.0, 27.0, 32.0, 37.0}) {
        p.fillRect(QRectF(1, y, w - 2, 1), QColor(40, 40, 44, 110));
        p.fillRect(QRectF(1, y + 1, w - 2, 1), QColor(255, 255, 255, 120));
    }

    // Centre groove with the index line that marks the level.
    p.fillRect(QRectF(0, mid - 1.5, w, 3), QColor(24, 24, 26));
    p.fillRect(QRectF(1, mid - 0.5, w - 2, 1), QColor(250, 250, 250));

    // Cylindrical shading towards the left and right edges.
    QLinearGradient sides(0, 0, w, 0);
    sides.setColorAt(0.0, QColor(0, 0, 0, 110));
    sides.setColorAt(0.18, QColor(0, 0, 0, 0));
    sides.setColorAt(0.5, QColor(255, 255, 255, 30));
    sides.setColorAt(0.82, QColor(0, 0, 0, 0));
    sides.setColorAt(1.0, QColor(0, 0, 0, 130));
    p.fillRect(image.rect(), sides);

    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(22, 22, 24), 1));
    p.drawPath(outline);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(3, 1.5), QPointF(w - 3, 1.5));
    return image;
}

// Point at distance r from the centre c, angle in degrees clockwise from straight up.
QPointF polar(QPointF c, double r, double degrees)
{
    const double a = degrees * kPi / 180.0;
    return {c.x() + r * std::sin(a), c.y() - r * std::cos(a)};
}

// Knob base: a scale of eleven ticks over -120 .. +120 degrees, a soft shadow, a dark knurled
// skirt and a spun-aluminium cap.
QImage knobBase(int s)
{
    QImage image = blank(s, s);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(s / 2.0, s / 2.0);
    const double skirt = s * 0.39;
    const double cap = skirt * 0.74;

    // Scale ticks; the ends and the centre are longer.
    for (int i = 0; i <= 10; ++i) {
        const double angle = -120.0 + 24.0 * i;
        const bool major = i == 0 || i == 5 || i == 10;
        const double inner = s * (major ? 0.425 : 0.44);
        p.setPen(
            QPen(QColor(150, 154, 160), std::max(1.0, s * 0.022), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(polar(c, inner, angle), polar(c, s * 0.485, angle));
    }

    // Shadow under the knob.
    QRadialGradient shadow(c + QPointF(0, s * 0.02), skirt + s * 0.05);
    shadow.setColorAt(0.80, QColor(0, 0, 0, 150));
    shadow.setColorAt(1.00, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(c + QPointF(0, s * 0.02), skirt + s * 0.05, skirt + s * 0.05);

    // Skirt with knurling.
    QLinearGradient skirtFill(0, c.y() - skirt, 0, c.y() + skirt);
    skirtFill.setColorAt(0.0, QColor(78, 80, 84));
    skirtFill.setColorAt(1.0, QColor(18, 18, 20));
    p.setBrush(skirtFill);
    p.setPen(QPen(QColor(8, 8, 10), 1));
    p.drawEllipse(c, skirt, skirt);
    const int ridges = s < 60 ? 36 : 48;
    for (int i = 0; i < ridges; ++i) {
        const double angle = 360.0 * i / ridges;
        // Ridges facing the light from above are brighter.
        const int light = int(70 + 60 * (0.5 + 0.5 * std::cos(angle * kPi / 180.0)));
        p.setPen(QPen(QColor(light, light, light + 4, 170), std::max(1.0, s * 0.018)));
        p.drawLine(polar(c, cap + s * 0.025, angle), polar(c, skirt - s * 0.012, angle));
    }

    // Spun aluminium cap: a conical sheen plus fine concentric machining rings.
    QConicalGradient spun(c, 90);
    const QColor bright(238, 240, 242), dim(128, 132, 138);
    for (int i = 0; i <= 8; ++i)
        spun.setColorAt(i / 8.0, i % 2 ? dim : bright);
    p.setPen(QPen(QColor(30, 30, 34), std::max(1.0, s * 0.02)));
    p.setBrush(spun);
    p.drawEllipse(c, cap, cap);

    Noise noise(0x5eed0100u + quint32(s));
    p.setBrush(Qt::NoBrush);
    for (double r = 1.0; r < cap - 1.0; r += 0.75) {
        const double n = noise.next();
        p.setPen(
            QPen(n > 0.5 ? QColor(255, 255, 255, int(40 * n)) : QColor(0, 0, 0, int(50 * n)), 0.6));
        p.drawEllipse(c, r, r);
    }

    // Gloss on the upper half of the cap and a lit rim.
    QRadialGradient gloss(c - QPointF(0, cap * 0.55), cap * 1.1);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 90));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(c, cap - 1, cap - 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    p.drawArc(QRectF(c.x() - cap + 1.5, c.y() - cap + 1.5, 2 * cap - 3, 2 * cap - 3), 30 * 16,
              120 * 16);
    return image;
}

// Pointer: an orange line with a dark edge from near the centre across the skirt, pointing
// straight up (the middle of the range).
QImage knobIndicator(int s)
{
    QImage image = blank(s, s);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(s / 2.0, s / 2.0);
    const QPointF from = polar(c, s * 0.11, 0);
    const QPointF to = polar(c, s * 0.37, 0);
    const double width = std::max(2.5, s * 0.055);
    p.setPen(QPen(QColor(20, 20, 20, 200), width + 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    p.setPen(QPen(QColor(255, 140, 20), width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    p.setPen(QPen(QColor(255, 214, 150), std::max(1.0, width * 0.35), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from + QPointF(-width * 0.15, 0), to + QPointF(-width * 0.15, 0));
    return image;
}

bool save(const QImage &image, const QString &folder, const char *name)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "controlimages: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: controlimages <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "controlimages: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = save(faderCap(), folder, "Fader_Q2");
    ok = save(knobBase(50), folder, "KnobBaseSmall") && ok;
    ok = save(knobBase(70), folder, "KnobBase") && ok;
    ok = save(knobBase(100), folder, "KnobBaseLarge") && ok;
    ok = save(knobIndicator(50), folder, "KnobIndicatorSmall") && ok;
    ok = save(knobIndicator(70), folder, "KnobIndicator") && ok;
    ok = save(knobIndicator(100), folder, "KnobIndicatorLarge") && ok;
    return ok ? 0 : 1;
}
