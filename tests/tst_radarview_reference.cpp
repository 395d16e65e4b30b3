// The plan view against a plain plot built the straightforward way: one graphics item for the
// zones' pixmap and one for every axis number, tick dot, target number, marker, track and grid
// cell, each placed by this file's own arithmetic (nothing of view/ is used for the geometry).
// RadarView draws with a few layer items instead; this checks that the operator sees the same
// picture and that a click lands on the same cell in both.
//
// The plain plot also follows the rules that keep the view readable, written here again from
// their description: tracks end at the edges of the grid, a target's number stands beside its
// marker and inside the grid, clear of the other markers and numbers where it can, and the depth
// number on the grid's bottom line is lifted clear of the lateral numbers below it.
#include "radarview.h"
#include "testsupport.h"

#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsPathItem>
#include <QGraphicsPixmapItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QPainter>
#include <QRadialGradient>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <set>

namespace {
constexpr int Slots = 400;
constexpr int LabelSize = 30;

// Everything the operator's scene puts into a plot.
struct Scene {
    double detectionFar = 6, detectionNear = 0, warningFar = 4, alarmFar = 2;
    double extent = 6, angle = 120, left = -128, right = 128, edge = 1;
    bool showTrack = false, shapeByType = true;
    std::set<std::pair<int, int>> marked;   // non-alarm cells, (row, column)
    QVector<TargetFrame> frames;            // oldest first
    QSize size{600, 400};
};
} // namespace
Q_DECLARE_METATYPE(Scene)
namespace {

// A track path that paints only inside a rectangle of its own coordinates.
class ClippedPathItem : public QGraphicsPathItem
{
public:
    ClippedPathItem(const QPainterPath &path, const QRectF &clip) : QGraphicsPathItem(path), clip(clip) {}
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override
    {
        painter->setClipRect(clip, Qt::IntersectClip);
        QGraphicsPathItem::paint(painter, option, widget);
    }

private:
    QRectF clip;
};

class PlainPlot : public QGraphicsView
{
public:
    explicit PlainPlot(const Scene &scene) : s(scene)
    {
        plotScene.setBackgroundBrush(QBrush(QColor(255, 255, 255), Qt::SolidPattern));
        setScene(&plotScene);
        for (const TargetFrame &f : s.frames) {
            history[next] = f;
            next = (next + 1) % Slots;
        }
    }

    void build()
    {
        plotScene.clear();
        cells.clear();
        texts.clear();
        const double g = s.edge, m = LabelSize;
        N = M = int((s.extent - 0.01) / g + 1);
        xL = std::max(N + (s.left - 0.01) / g, 0.0);
        const double xR = std::min(N + s.right / g, 2.0 * N);
        R = std::min(width() / (xR - xL), height() / double(M));
        PW = xR * R - xL * R + 3 * m;
        PH = M * R + 3 * m;

        QPixmap zones(static_cast<int>(PW), static_cast<int>(PH));
        zones.fill(QColor(255, 255, 255));
        {
            QPainter painter(&zones);
            painter.setRenderHint(QPainter::Antialiasing, true);
            paintZones(painter);
        }
        QGraphicsPixmapItem *pixmap = plotScene.addPixmap(zones);
        pixmap->setShapeMode(QGraphicsPixmapItem::BoundingRectShape);

        QFont font;
        font.setPixelSize(LabelSize);
        addAxes(font);
        addTargets(font);
        addCells();

        setSceneRect(0, 0, zones.width(), zones.height());
        fitInView(pixmap, Qt::KeepAspectRatio);
    }

    // The cell a click at a viewport point finds: the topmost item there, if it is a cell.
    bool cellUnder(const QPoint &viewportPoint, GridCell *cell) const
    {
        QGraphicsItem *item = itemAt(viewportPoint);
        for (int i = 0; item && i < cells.size(); ++i)
            for (int k = 0; k < cells[i].size(); ++k)
                if (cells[i][k] == item) {
                    *cell = {i, k};
                    return true;
                }
        return false;
    }

    double X(int column) const { return column * R + 2 * LabelSize - xL * R; }
    double Y(int row) const { return row * R + LabelSize; }
    int rows() const { return M; }
    int columns() const { return 2 * N; }
    bool drawn(int row, int column) const { return cells[row][column]; }
    // Where the numbers stand in the viewport, a pixel wider all round.
    QVector<QRect> numberBoxes() const
    {
        QVector<QRect> boxes;
        for (const QGraphicsTextItem *item : texts)
            boxes.append(mapFromScene(item->sceneBoundingRect()).boundingRect().adjusted(-1, -1, 1, 1));
        return boxes;
    }

private:
    QPointF at(const TargetReport &r) const
    {
        return QPointF(qint16(r[1]) * R / 100 / s.edge + N * R + 2 * LabelSize - xL * R,
                       M * R - qint16(r[2]) * R / 100 / s.edge + LabelSize);
    }
    QRectF grid() const { return QRectF(2 * LabelSize, LabelSize, PW - 3 * LabelSize, PH - 3 * LabelSize); }

    void paintZones(QPainter &painter)
    {
        const double cx = N * R + 2 * LabelSize - xL * R, cy = M * R + LabelSize;
        const QColor outline(57, 120, 166), paleEdge(255, 255, 255, 95);
        struct Zone { double radius, firstStop; QColor inner, outer; };
        QVector<Zone> zones{{s.detectionFar, s.warningFar / s.detectionFar, paleEdge, QColor(104, 199, 242, 90)},
                            {s.warningFar, s.alarmFar / s.warningFar, paleEdge, QColor(247, 241, 130, 90)},
                            {s.alarmFar, 0, paleEdge, QColor(246, 187, 176, 90)}};
        if (s.detectionNear > 0)
            zones.append({s.detectionNear, 0, Qt::white, Qt::white});
        for (const Zone &z : zones) {
            const double rho = z.radius / s.edge;
            painter.setPen(QPen(outline, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            QRadialGradient gradient(cx, cy, rho * R);
            gradient.setColorAt(z.firstStop, z.inner);
            gradient.setColorAt(1, z.outer);
            painter.setBrush(gradient);
            painter.drawPie(QRect(int((N - rho) * R + 2 * LabelSize - xL * R), int((M - rho) * R + LabelSize),
                                  int(2 * rho * R), int(2 * rho * R)),
                            int((180 - s.angle) * 8), int(16 * s.angle));
        }
    }

    QGraphicsTextItem *addText(const QString &text, const QFont &font, const QColor &colour, const QPointF &topLeft)
    {
        QGraphicsTextItem *item = plotScene.addText(text, font);
        item->setDefaultTextColor(colour);
        item->setPos(topLeft);
        texts.append(item);
        return item;
    }

    void addAxes(const QFont &font)
    {
        const double g = s.edge, m = LabelSize, d = 3;
        const double e = 1 / g;
        const int step = int(int(1 + (std::ceil(N / 6.0) - 0.25) / e) * e);
        const QPen tickPen{QColor("black")};
        const QBrush tickBrush(QColor(246, 174, 69), Qt::SolidPattern);
        auto inside = [&](double x, double y) { return x >= 0 && x < PW && y >= 0 && y < PH; };
        for (int i = 0; i <= 2 * N; ++i) {
            if (N > 9 && step > 1 && (i - N) % step != 0)
                continue;
            const double x = i * R + m - xL * R + (i >= N ? LabelSize / 2 : 0), y = PH - 2 * m;
            if (!inside(x, y))
                continue;
            addText(QString::number((i - N) * g), font, Qt::black, QPointF(x, y));
            plotScene.addEllipse(QRectF(X(i) - d / 2, PH - 2 * m - d / 2, d, d), tickPen, tickBrush);
        }
        // The number on the bottom line goes up until the lowest of its digits' pixels is three
        // rows above the highest of the lateral numbers' digits.
        const QFontMetricsF metrics(font);
        const QRectF digits = metrics.tightBoundingRect("-0123456789.");
        const double margin = QTextDocument().documentMargin();
        const double lateralDigitsTop = PH - 2 * m + margin + metrics.ascent() + digits.top();
        for (int i = 0; i <= M; ++i) {
            if (M > 9 && step > 1 && i % step != 0)
                continue;
            double y = i * R + LabelSize / 2;
            if (i == M) {
                const double baseline = lateralDigitsTop - 3 - digits.bottom();
                y = std::min(y, baseline - metrics.ascent() - margin);
            }
            if (!inside(LabelSize / 2, y))
                continue;
            addText(QString::number((M - i) * g), font, Qt::black, QPointF(LabelSize / 2, y));
            plotScene.addEllipse(QRectF(2 * m - d / 2, i * R + m - d / 2, d, d), tickPen, tickBrush);
        }
    }

    QColor colourOf(quint16 id)
    {
        if (!colours.contains(id)) {
            const int v = int((quint64(generator.generate()) * 255) >> 32);
            colours.insert(id, QColor(255, v, 255 - v));
        }
        return colours.value(id);
    }

    // The number's line box (advance by ascent plus descent): 3 px clear of the largest marker
    // (5 px and its outline) on the right, on the left when the grid ends on the right, never
    // left of the grid; vertically centred on the target, then moved into the grid. Where that
    // box covers a marker or a number set before it, the number takes the first free one of
    // eight boxes around its marker (right, left, above, below, then the corners, as far from
    // its centre), 3 px clear of it and then one, two and three half lines further out, each
    // moved into the grid; with none free, the first of them that covers no number. A number
    // within a blank of another on its line counts as covering it.
    QRectF numberBox(const QPointF &p, const QString &text, const QFont &font, const QVector<QRectF> &numbers,
                     const QVector<QRectF> &markers) const
    {
        const QFontMetricsF metrics(font);
        const double w = metrics.horizontalAdvance(text), h = metrics.ascent() + metrics.descent();
        const QRectF plot = grid();
        double left = p.x() + 9;
        if (left + w > plot.right() && p.x() - 9 - w >= plot.left())
            left = p.x() - 9 - w;
        if (left < plot.left())
            left = plot.left();
        double top = p.y() - h / 2;
        if (top > plot.bottom() - h)
            top = plot.bottom() - h;
        if (top < plot.top())
            top = plot.top();
        const QRectF usual(left, top, w, h);
        const auto covers = [](const QRectF &box, const QVector<QRectF> &others) {
            return std::any_of(others.begin(), others.end(), [&box](const QRectF &o) { return box.intersects(o); });
        };
        // Numbers on one line stay a blank apart.
        const double blank = metrics.horizontalAdvance(QLatin1Char(' '));
        const auto nearNumber = [&](const QRectF &box) { return covers(box.adjusted(-blank, 0, blank, 0), numbers); };
        if (!nearNumber(usual) && !covers(usual, markers))
            return usual;
        QRectF clearOfNumbers = nearNumber(usual) ? QRectF() : usual;
        for (const double further : {0.0, h / 2, h, 1.5 * h}) {
            const double d = 9 + further, c = d / std::sqrt(2.0);
            const QPointF corners[] = {{p.x() + d, p.y() - h / 2}, {p.x() - d - w, p.y() - h / 2}, {p.x() - w / 2, p.y() - d - h},
                                       {p.x() - w / 2, p.y() + d}, {p.x() + c, p.y() - c - h}, {p.x() - c - w, p.y() - c - h},
                                       {p.x() + c, p.y() + c}, {p.x() - c - w, p.y() + c}};
            for (const QPointF &corner : corners) {
                const QRectF box(std::max(plot.left(), std::min(corner.x(), plot.right() - w)),
                                 std::max(plot.top(), std::min(corner.y(), plot.bottom() - h)), w, h);
                if (!nearNumber(box) && !covers(box, markers))
                    return box;
                if (clearOfNumbers.isNull() && !nearNumber(box))
                    clearOfNumbers = box;
            }
        }
        return clearOfNumbers.isNull() ? usual : clearOfNumbers;
    }

    void addTargets(const QFont &font)
    {
        const int newest = (next + Slots - 1) % Slots;
        const TargetFrame &frame = history[newest];
        const QPen outline(QColor(57, 120, 166), 1);
        const auto shown = [this](const QPointF &p) { return p.x() >= 0 && p.x() < PW - LabelSize && p.y() >= 0 && p.y() < PH - 2 * LabelSize; };
        QVector<QRectF> markers, numbers;
        for (const TargetReport &report : frame)
            if (shown(at(report)))
                markers.append(QRectF(at(report) - QPointF(6, 6), QSizeF(12, 12)));
        // A text item sets its text in from its corner by the document's margin.
        const double margin = QTextDocument().documentMargin();
        for (auto it = frame.cbegin(); it != frame.cend(); ++it) {
            const QPointF p = at(it.value());
            if (!shown(p))
                continue;
            const QString number = QString::number(it.key());
            numbers.append(numberBox(p, number, font, numbers, markers));
            addText(number, font, QColor(63, 82, 128), numbers.last().topLeft() - QPointF(margin, margin));
            const QColor colour = colourOf(it.key());
            const QBrush fill(colour, Qt::SolidPattern);
            const int shape = s.shapeByType ? it.value()[5] : 1;
            if (shape == 2)
                plotScene.addRect(QRectF(p.x() - 4, p.y() - 4, 8, 8), outline, fill);
            else if (shape == 3)
                plotScene.addPolygon(QPolygonF({{p.x() - 5, p.y()}, {p.x(), p.y() + 5}, {p.x() + 5, p.y()}, {p.x(), p.y() - 5}}),
                                     outline, fill);
            else if (shape == 4)
                plotScene.addPolygon(QPolygonF({{p.x(), p.y() - 5}, {p.x() - 5, p.y() + 5}, {p.x() + 5, p.y() + 5}}), outline, fill);
            else
                plotScene.addEllipse(QRectF(p.x() - 5, p.y() - 5, 10, 10), outline, fill);
            if (!s.showTrack)
                continue;
            QPainterPath track(p);
            for (int k = newest;;) {
                k = (k + Slots - 1) % Slots;
                if (!history[k].contains(it.key()))
                    break;
                track.lineTo(at(history[k].value(it.key())));
                if (k == next)
                    break;
            }
            auto *item = new ClippedPathItem(track, grid());
            item->setPen(QPen(colour, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            plotScene.addItem(item);
        }
    }

    void addCells()
    {
        const double m = LabelSize;
        for (int i = 0; i < M; ++i) {
            QVector<QGraphicsRectItem *> row;
            for (int k = 0; k < 2 * N; ++k) {
                QColor line(151, 212, 227), fill(0, 0, 0, 0);
                if (s.marked.count({i, k}))
                    fill = QColor(146, 163, 202, 75);
                const double x = X(k), y = Y(i);
                if (x < 0 || x >= PW - m || y < 0 || y >= PH - 2 * m) {
                    row.append(nullptr);
                    continue;
                }
                if (x < 2 * m)
                    line = fill = QColor(0, 0, 0, 0);
                row.append(plotScene.addRect(QRectF(x, y, R, R), QPen(line, 1), QBrush(fill, Qt::SolidPattern)));
            }
            cells.append(row);
        }
    }

    Scene s;
    QGraphicsScene plotScene;
    QVector<TargetFrame> history{Slots};
    int next = 0;
    QMap<quint16, QColor> colours;
    QRandomGenerator generator{1u};
    QVector<QVector<QGraphicsRectItem *>> cells;
    QVector<QGraphicsTextItem *> texts;
    int N = 0, M = 0;
    double xL = 0, R = 0, PW = 0, PH = 0;
};

TargetReport report(int id, int xCm, int yCm, int type)
{
    return {quint16(id), quint16(qint16(xCm)), quint16(qint16(yCm)), 0, 0, quint16(type)};
}

// Targets of every class moving over several frames: one in from beyond the left edge, one
// from beyond the far edge, one from behind the radar on the right, one that was missed three
// frames ago.
QVector<TargetFrame> wanderingTargets(double extentM, int frames)
{
    QVector<TargetFrame> all;
    const double e = extentM * 100;
    for (int f = 0; f < frames; ++f) {
        const double t = double(f) / (frames - 1);
        TargetFrame frame;
        frame.insert(1, report(1, int(-1.1 * e + 0.8 * e * t), int(0.37 * e), 1));
        frame.insert(4, report(4, int(e / 4), int(1.15 * e - 0.6 * e * t), 2));
        frame.insert(7, report(7, int(0.1 * e - 0.5 * e * t), int(0.75 * e), 3));
        if (f != frames - 3)
            frame.insert(12, report(12, int(-0.2 * e), int(0.12 * e + 0.3 * e * t), 4));
        frame.insert(30, report(30, int(1.2 * e - 0.3 * e * t), int(-0.2 * e + 0.4 * e * t), 2));
        all.append(frame);
    }
    return all;
}

void applyTo(RadarView &view, const Scene &s)
{
    view.detectionFar = s.detectionFar;
    view.detectionNear = s.detectionNear;
    view.warningFar = s.warningFar;
    view.alarmFar = s.alarmFar;
    view.lateralExtent = view.depthExtent = s.extent;
    view.detectionAngle = s.angle;
    view.leftBoundary = s.left;
    view.rightBoundary = s.right;
    view.gridEdge = s.edge;
    view.showTrack = s.showTrack;
    view.shapeByType = s.shapeByType;
    for (const TargetFrame &f : s.frames) {
        view.frameHistory[view.frameIndex] = f;
        view.frameIndex = (view.frameIndex + 1) % Slots;
    }
}

void showSized(QGraphicsView &view, const QSize &size)
{
    view.resize(size);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
}

QImage viewportImage(QGraphicsView &view) { return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool differs(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
           std::abs(qBlue(a) - qBlue(b)) > tolerance;
}
} // namespace

class TestRadarViewReference : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    void sameAsPlainPlot_data()
    {
        QTest::addColumn<Scene>("scene");
        Scene base;
        base.frames = wanderingTargets(6, 6);
        QTest::newRow("default") << base;

        Scene lane = base;
        lane.left = -1;
        lane.right = 1;
        lane.frames.clear();
        // Besides targets inside it, 8 comes in across the lane and 9 down it from beyond the far edge.
        const QVector<QPoint> across{{-400, 200}, {-400, 200}, {-200, 250}, {40, 300}, {60, 310}};
        const QVector<QPoint> down{{0, 900}, {0, 900}, {0, 800}, {20, 580}, {-30, 340}};
        for (int f = 0; f < 5; ++f)
            lane.frames.append(TargetFrame{{2, report(2, -60 + 25 * f, 150 + 60 * f, 1)}, {3, report(3, 50, 500 - 40 * f, 2)},
                                           {5, report(5, 90, 80, 7)}, {6, report(6, -95, 420, 4)},
                                           {8, report(8, across[f].x(), across[f].y(), 1)},
                                           {9, report(9, down[f].x(), down[f].y(), 1)}});
        lane.showTrack = true;
        QTest::newRow("lane of a type 1 radar") << lane;
        lane.shapeByType = false;
        QTest::newRow("lane of a type 3 radar") << lane;

        Scene quarter = base;
        quarter.edge = 0.25;
        quarter.marked = {{0, 20}, {5, 23}, {12, 24}, {23, 30}};
        QTest::newRow("0.25 m cells") << quarter;

        Scene wide;
        wide.extent = wide.detectionFar = 30;
        wide.warningFar = 20;
        wide.alarmFar = 10;
        wide.frames = wanderingTargets(30, 8);
        wide.showTrack = true;
        wide.size = QSize(900, 500);
        QTest::newRow("30 m") << wide;

        Scene blind = base;
        blind.detectionNear = 1.5;
        blind.angle = 90;
        QTest::newRow("blind zone") << blind;

        Scene marked = base;
        marked.marked = {{0, 3}, {2, 5}, {2, 6}, {3, 0}, {3, 4}, {4, 8}, {5, 5}};   // (3, 4) over target 12
        QTest::newRow("marked cells") << marked;
        // Column 4 starts in the left margin: marked, it stays invisible there.
        marked.left = -1.5;
        marked.right = 1.5;
        marked.marked = {{3, 4}, {3, 5}};
        QTest::newRow("marked cells at a lane's edge") << marked;

        // Numbers beside markers at the edges of the grid and in the left margin.
        Scene edges;
        edges.frames = {TargetFrame{{7, report(7, 150, 350, 1)}, {255, report(255, -250, 250, 2)}, {12, report(12, 580, 300, 3)},
                                    {31, report(31, 0, 595, 4)}, {18, report(18, -200, 5, 1)}, {404, report(404, 590, 590, 2)},
                                    {9, report(9, -640, 300, 1)}}};
        QTest::newRow("targets at the edges") << edges;
        edges.edge = 1.5;
        edges.size = QSize(1200, 500);
        QTest::newRow("1.5 m cells, wide window") << edges;

        Scene tracks = base;
        tracks.frames = wanderingTargets(6, 20);
        tracks.showTrack = true;
        tracks.size = QSize(700, 520);
        QTest::newRow("tracks over twenty frames") << tracks;
    }

    // The two pictures, grabbed from views of the same size, compared pixel by pixel.
    // Outside the numbers' boxes no channel may differ by more than 28 of 255 except at single
    // pixels with no differing neighbour: the view's grid lines, scaled below a pixel, come out
    // up to 13 levels lighter than the cells' outlines, and a tick dot or a track crossing one
    // may differ by more at that pixel. A missing or misplaced cell fill (the faintest changes
    // white by 32), grid line, zone edge, marker or track differs at many neighbouring pixels.
    // Inside the numbers' boxes the view paints with the painter where a text item lays its
    // text out through a document, so at a scale that is not whole a glyph's smoothed edges may
    // land a fraction of a pixel apart: a channel may differ by more than 40 at no more than
    // 0.3 % of the picture, and never at 3 x 3 neighbouring pixels. Measured: 0.007 % at most;
    // the depth numbers moved 2 pixels to the right make 0.38 % differ.
    // A click at the centre of every cell, and one to two pixels inside each of its corners,
    // finds the same cell in both, or none in both. Pixels on or within half a width of a grid
    // line are left out: which of the touching cells' outlines they count in is a matter of
    // rounding, done per cell item in the plain plot and once for the whole grid in the view.
    void sameAsPlainPlot()
    {
        QFETCH(Scene, scene);
        RadarView view;
        applyTo(view, scene);
        showSized(view, scene.size);
        for (const auto &cell : scene.marked)
            QVERIFY(view.SuppressionGrid.setFlag(cell.first, cell.second, true));
        view.nonAlarmCount = int(scene.marked.size());
        view.redrawScene();
        PlainPlot plain(scene);
        showSized(plain, scene.size);
        plain.build();
        QCoreApplication::processEvents();

        const QImage ours = viewportImage(view), theirs = viewportImage(plain);
        QCOMPARE(ours.size(), theirs.size());
        QVector<QBitArray> inNumbers(ours.height(), QBitArray(ours.width()));
        for (const QRect &box : plain.numberBoxes()) {
            const QRect r = box & ours.rect();
            for (int y = r.top(); y <= r.bottom(); ++y)
                inNumbers[y].fill(true, r.left(), r.right() + 1);
        }
        QVector<QBitArray> different(ours.height(), QBitArray(ours.width())), elsewhere = different;
        int count = 0;
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x) {
                const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
                if (!inNumbers[y].testBit(x)) {
                    elsewhere[y].setBit(x, differs(a, b, 28));
                } else if (differs(a, b, 40)) {
                    different[y].setBit(x);
                    ++count;
                }
            }
        const double share = double(count) / (ours.width() * ours.height());
        QVERIFY2(share <= 0.003, qPrintable(QString("%1 % of the pixels differ").arg(100 * share)));
        for (int y = 1; y + 1 < ours.height(); ++y)
            for (int x = 1; x + 1 < ours.width(); ++x) {
                bool block = true;
                int neighbours = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        block = block && different[y + dy].testBit(x + dx);
                        neighbours += (dx || dy) && elsewhere[y + dy].testBit(x + dx);
                    }
                QVERIFY2(!block, qPrintable(QString("the numbers differ around (%1, %2)").arg(x).arg(y)));
                QVERIFY2(!elsewhere[y].testBit(x) || neighbours == 0,
                         qPrintable(QString("the pictures differ at (%1, %2): %3 here, %4 in the plain plot")
                                        .arg(x).arg(y).arg(QColor(ours.pixel(x, y)).name(), QColor(theirs.pixel(x, y)).name())));
            }

        int found = 0;
        for (int i = 0; i < plain.rows(); ++i)
            for (int k = 0; k < plain.columns(); ++k) {
                const double x0 = plain.X(k), x1 = plain.X(k + 1), y0 = plain.Y(i), y1 = plain.Y(i + 1);
                const QPoint centre = plain.mapFromScene(QPointF((x0 + x1) / 2, (y0 + y1) / 2));
                // The first whole pixel that lies more than one pixel inside each edge.
                const QPointF from = plain.viewportTransform().map(QPointF(x0, y0));
                const QPointF to = plain.viewportTransform().map(QPointF(x1, y1));
                const int left = int(std::ceil(from.x())) + 1, top = int(std::ceil(from.y())) + 1;
                const int right = int(std::floor(to.x())) - 2, bottom = int(std::floor(to.y())) - 2;
                QVector<QPoint> points{centre};
                if (right - left > 2 && bottom - top > 2)
                    points << QPoint(left, top) << QPoint(right, top) << QPoint(left, bottom) << QPoint(right, bottom);
                for (const QPoint &p : points) {
                    GridCell a{-1, -1}, b{-1, -1};
                    const bool inView = view.cellAt(p, &a), inPlain = plain.cellUnder(p, &b);
                    QVERIFY2(inView == inPlain && (!inView || a == b),
                             qPrintable(QString("cell (%1, %2), point (%3, %4): view (%5, %6), plain plot (%7, %8)")
                                            .arg(i).arg(k).arg(p.x()).arg(p.y()).arg(a.row).arg(a.column).arg(b.row).arg(b.column)));
                    found += inPlain;
                }
                // Every cell the plain plot draws, its centre finds it.
                if (plain.drawn(i, k)) {
                    GridCell c;
                    QVERIFY(plain.cellUnder(centre, &c) && c == (GridCell{i, k}));
                }
            }
        QVERIFY(found > 0);
    }
};

RADAR_TEST_MAIN(TestRadarViewReference)
#include "tst_radarview_reference.moc"
