#include "heatmaplayer.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int TintAlpha = 170;
constexpr double BarWidth = 14.0;
constexpr double NumberGap = 4.0;
// The cell image stays below 4 MiB: beyond a million cells, a pixel stands for a block of cells.
constexpr qint64 MaxImagePixels = 1 << 20;

struct Stop {
    double at;
    QColor colour;
};
const Stop Ramp[] = {{0.0, QColor(255, 240, 150)}, {0.5, QColor(253, 141, 60)}, {1.0, QColor(189, 0, 38)}};

QString countText(quint32 count)
{
    return count < 10000000u ? QString::number(count) : QString::number(double(count), 'g', 3);
}

QColor rampColour(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    int upper = 1;
    while (upper < int(std::size(Ramp)) - 1 && Ramp[upper].at < t)
        ++upper;
    const Stop &a = Ramp[upper - 1], &b = Ramp[upper];
    const double f = (t - a.at) / (b.at - a.at);
    auto mix = [f](int from, int to) { return int(from + (to - from) * f + 0.5); };
    return QColor(mix(a.colour.red(), b.colour.red()), mix(a.colour.green(), b.colour.green()),
                  mix(a.colour.blue(), b.colour.blue()), TintAlpha);
}

} // namespace

int heatLevel(quint32 count, quint32 highest)
{
    return int(std::min<quint64>(255, quint64(count) * 255 / std::max<quint32>(highest, 1)));
}

QColor heatColour(quint32 count, quint32 highest)
{
    return rampColour(heatLevel(count, highest) / 255.0);
}

quint32 heatScaleTop(quint32 highest)
{
    for (quint64 decade = 1; decade <= 1000000000u; decade *= 10)
        for (quint64 step : {1, 2, 5})
            if (step * decade >= highest)
                return quint32(std::min<quint64>(step * decade, 0xffffffffu));
    return 0xffffffffu;
}

HeatMapItem::HeatMapItem(const ViewGeometry &g, const radarlink::CellCounts &counts, quint32 scaleTop)
{
    if (!(g.scale > 0) || counts.isEmpty())
        return;
    // The block of cells the grid draws: inside the pixmap, not starting in the left margin.
    int left = g.columns(), right = -1, top = g.rows, bottom = -1;
    for (int k = 0; k < g.columns(); ++k)
        if (g.columnX(k) >= 2 * g.margin && g.columnX(k) < g.pixmapWidth - g.margin) {
            left = std::min(left, k);
            right = k;
        }
    for (int i = 0; i < g.rows; ++i)
        if (g.rowY(i) >= 0 && g.rowY(i) < g.pixmapHeight - 2 * g.margin) {
            top = std::min(top, i);
            bottom = i;
        }
    if (right < left || bottom < top)
        return;
    const qint64 across = right - left + 1, down = bottom - top + 1;
    const int block = std::max(1, int(std::ceil(std::sqrt(double(across) * down / MaxImagePixels))));
    const int width = int((across + block - 1) / block), height = int((down + block - 1) / block);

    // Where a pixel stands for several cells it shows the hottest of them.
    QVector<quint32> hottest(width * height, 0);
    counts.forEach([&](const radarlink::GridCell &cell, quint32 count) {
        if (cell.row < top || cell.row > bottom || cell.column < left || cell.column > right)
            return;
        quint32 &pixel = hottest[(cell.row - top) / block * width + (cell.column - left) / block];
        pixel = std::max(pixel, count);
    });
    QRgb palette[256];
    for (int level = 0; level < 256; ++level)
        palette[level] = qPremultiply(rampColour(level / 255.0).rgba());
    cells = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    cells.fill(Qt::transparent);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(cells.scanLine(y));
        for (int x = 0; x < width; ++x)
            if (const quint32 count = hottest[y * width + x])
                line[x] = palette[heatLevel(count, scaleTop)];
    }
    target = QRectF(g.columnX(left), g.rowY(top), width * block * g.scale, height * block * g.scale);
}

void HeatMapItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!cells.isNull())
        painter->drawImage(target, cells);
}

CellOutlineItem::CellOutlineItem(const ViewGeometry &g, const QVector<radarlink::GridCell> &cells, const QColor &colour)
    : colour(colour)
{
    for (const radarlink::GridCell &cell : cells) {
        // Only cells the grid draws: inside the pixmap and right of the left margin.
        if (cell.row < 0 || cell.row >= g.rows || cell.column < 0 || cell.column >= g.columns()
            || !g.cellVisible(cell.row, cell.column) || g.columnX(cell.column) < 2 * g.margin)
            continue;
        // The frame lies inside the cell, so that it never covers a neighbour's tint.
        const double inset = PenWidth / 2;
        const QRectF frame = QRectF(g.columnX(cell.column), g.rowY(cell.row), g.scale, g.scale).adjusted(inset, inset, -inset, -inset);
        frames.append(frame);
        bounds |= frame.adjusted(-inset, -inset, inset, inset);
    }
}

void CellOutlineItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setPen(QPen(colour, PenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    for (const QRectF &frame : frames)
        painter->drawRect(frame);
}

double HeatScaleItem::stripWidth(const QFont &font)
{
    return BarWidth + NumberGap + QFontMetricsF(font).horizontalAdvance(QStringLiteral("0000000")) + NumberGap;
}

HeatScaleItem::HeatScaleItem(const ViewGeometry &g, quint32 scaleTop, const QFont &font, const QColor &textColour)
    : scaleTop(scaleTop), font(font), textColour(textColour)
{
    const QRectF plot = g.plotArea();
    scaleBar = QRectF(g.pixmapWidth, plot.top(), BarWidth, plot.height());
    bounds = scaleBar.adjusted(-1, -1, 1, 1);
    const QFontMetricsF metrics(font);
    const double middle = (metrics.ascent() - metrics.descent()) / 2;
    auto addNumber = [&](quint32 value, double y) {
        const QString text = countText(value);
        const QPointF baseline(scaleBar.right() + NumberGap, y + middle);
        shown.append({text, baseline});
        bounds |= QRectF(baseline.x(), baseline.y() - metrics.ascent(), metrics.horizontalAdvance(text) + 1,
                         metrics.ascent() + metrics.descent() + 1);
    };
    addNumber(scaleTop, scaleBar.top());
    if (scaleTop >= 2)
        addNumber(scaleTop / 2, scaleBar.top() + scaleBar.height() * (1 - double(scaleTop / 2) / scaleTop));
    addNumber(0, scaleBar.bottom());
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
}

void HeatScaleItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    QLinearGradient ramp(scaleBar.bottomLeft(), scaleBar.topLeft());
    for (const Stop &stop : Ramp)
        ramp.setColorAt(stop.at, rampColour(stop.at));
    painter->setBrush(ramp);
    painter->setPen(QPen(textColour, 1));
    painter->drawRect(scaleBar);
    painter->setFont(font);
    for (const Number &number : shown)
        painter->drawText(number.baseline, number.text);
}
