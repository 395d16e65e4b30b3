// The plan view as the operator sees and uses it: the picture rendered offscreen and read at
// chosen pixels (zones, blind zone, axis numbers, targets, tracks, marked cells), and the cell
// marking done with simulated mouse clicks on the viewport.
#include "radarview.h"
#include "sceneitems.h"
#include "testsupport.h"

#include <QGraphicsScene>
#include <QPainter>

#include <cmath>

namespace {
constexpr int History = RadarView::HistorySize;
constexpr int LabelSize = 30;

void showAt(RadarView &view, const QSize &size = QSize(600, 400))
{
    view.resize(size);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
}

// The picture in the viewport, as on screen.
QImage picture(RadarView &view)
{
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QColor colourAt(const RadarView &view, const QImage &image, const QPointF &scenePoint)
{
    return image.pixelColor(view.mapFromScene(scenePoint));
}

// A point of the radar plane in metres (x across the axis, y away from the radar), in the scene.
QPointF metres(const RadarView &view, double x, double y)
{
    return view.geometry().radarPoint(x * 100, y * 100);
}

QPointF cellCentre(const RadarView &view, int row, int column)
{
    const ViewGeometry &g = view.geometry();
    return QPointF(g.columnX(column) + g.scale / 2, g.rowY(row) + g.scale / 2);
}

bool close(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString describe(const QColor &c)
{
    return QString("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

#define COMPARE_COLOUR(actual, expected, tolerance)                                                       \
    do {                                                                                                \
        const QColor a_ = (actual), e_ = (expected);                                                    \
        if (!close(a_, e_, tolerance))                                                                  \
            QFAIL(qPrintable(QString("colour %1, expected %2").arg(describe(a_), describe(e_))));       \
    } while (0)

// A translucent colour laid over an opaque one.
QColor over(const QColor &top, const QColor &below)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(top.redF() * a + below.redF() * (1 - a), top.greenF() * a + below.greenF() * (1 - a),
                            top.blueF() * a + below.blueF() * (1 - a));
}

// What the zones should look like at a scene point: nested fans over white, each shading from
// its inner colour at the edge of the next zone in to its own colour at its outer edge.
QColor expectedZoneColour(const RadarView &view, const QPointF &scenePoint)
{
    const ViewGeometry &g = view.geometry();
    const QPointF radar = g.radarPoint(0, 0);
    const double x = (scenePoint.x() - radar.x()) / g.scale * g.edge;
    const double y = (radar.y() - scenePoint.y()) / g.scale * g.edge;
    const double r = std::hypot(x, y);
    const double offAxis = std::atan2(std::fabs(x), y) * 180 / M_PI;
    struct Zone {
        double radius, stop;
        QColor inner, outer;
    };
    QVector<Zone> zones{{view.detectionFar, view.warningFar / view.detectionFar, view.detectionInner, view.detectionColour},
                        {view.warningFar, view.alarmFar / view.warningFar, view.warningInner, view.warningColour},
                        {view.alarmFar, 0, view.alarmInner, view.alarmColour}};
    if (view.detectionNear > 0)
        zones.append({view.detectionNear, 0, view.blindInner, view.blindColour});
    double red = 1, green = 1, blue = 1;
    for (const Zone &z : zones) {
        if (r >= z.radius || offAxis > view.detectionAngle / 2)
            continue;
        const double t = r / z.radius;
        const double f = t <= z.stop ? 0 : (t - z.stop) / (1 - z.stop);
        // The gradient mixes premultiplied colours.
        const double ai = z.inner.alphaF(), ao = z.outer.alphaF();
        const double a = ai + (ao - ai) * f;
        const double pr = z.inner.redF() * ai + (z.outer.redF() * ao - z.inner.redF() * ai) * f;
        const double pg = z.inner.greenF() * ai + (z.outer.greenF() * ao - z.inner.greenF() * ai) * f;
        const double pb = z.inner.blueF() * ai + (z.outer.blueF() * ao - z.inner.blueF() * ai) * f;
        red = pr + red * (1 - a);
        green = pg + green * (1 - a);
        blue = pb + blue * (1 - a);
    }
    return QColor::fromRgbF(red, green, blue);
}

bool isDark(QRgb c)
{
    return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90;
}

// Runs of scene coordinates along one axis in which a band of the picture holds dark (text)
// pixels; returns the first coordinate of each run. The scene is sampled pixel by pixel and
// each sample is looked up in the rendered viewport.
QVector<int> darkRuns(const RadarView &view, const QImage &image, Qt::Orientation along, int from, int to,
                      int bandFrom, int bandTo)
{
    QVector<int> starts;
    bool inRun = false;
    int gap = 0;
    for (int s = from; s < to; ++s) {
        bool dark = false;
        for (int b = bandFrom; b <= bandTo && !dark; ++b) {
            const QPointF p = along == Qt::Horizontal ? QPointF(s, b) : QPointF(b, s);
            const QPoint v = view.mapFromScene(p);
            dark = image.rect().contains(v) && isDark(image.pixel(v));
        }
        if (dark) {
            if (!inRun)
                starts.append(s);
            inRun = true;
            gap = 0;
        } else if (inRun && ++gap >= 8) {   // wider than the gaps between the characters of a number
            inRun = false;
        }
    }
    return starts;
}

// Where the numbers of both axes should start, in scene pixels.
QVector<double> lateralLabelX(const ViewGeometry &g, int step)
{
    QVector<double> xs;
    for (int i = 0; i <= g.columns(); ++i)
        if (!(g.columnsPerSide > 9 && step > 1 && (i - g.columnsPerSide) % step != 0))
            xs.append(i * g.scale + LabelSize - g.stripLeft * g.scale + (i >= g.columnsPerSide ? LabelSize / 2 : 0));
    return xs;
}

QVector<double> depthLabelY(const ViewGeometry &g, int step)
{
    QVector<double> ys;
    for (int i = 0; i <= g.rows; ++i)
        if (!(g.rows > 9 && step > 1 && i % step != 0))
            ys.append(i * g.scale + LabelSize / 2 - g.rowMin * g.scale);
    return ys;
}

// Each run of text starts a little after its label's corner: the text's own margin of 4 pixels
// and the glyph's side bearing.
bool runsMatch(const QVector<int> &runs, const QVector<double> &expected, QString *why)
{
    if (runs.size() != expected.size()) {
        *why = QString("%1 numbers drawn, %2 expected").arg(runs.size()).arg(expected.size());
        return false;
    }
    for (int i = 0; i < runs.size(); ++i) {
        if (runs[i] < expected[i] + 2 || runs[i] > expected[i] + 13) {
            *why = QString("number %1 starts at %2, expected near %3").arg(i).arg(runs[i]).arg(expected[i]);
            return false;
        }
    }
    return true;
}

void checkAxisNumbers(RadarView &view, int step)
{
    const QImage image = picture(view);
    const ViewGeometry &g = view.geometry();
    const int PW = int(g.pixmapWidth), PH = int(g.pixmapHeight);
    QString why;
    // The lateral numbers hang below the bottom grid line; the band leaves out the depth axis's
    // "0" just above it and the tick dots on the line.
    const QVector<int> across =
        darkRuns(view, image, Qt::Horizontal, 0, PW, PH - 2 * LabelSize + 18, PH - LabelSize + 2);
    QVERIFY2(runsMatch(across, lateralLabelX(g, step), &why), qPrintable("lateral axis: " + why));
    // The depth numbers sit in the left margin, left of the tick dots.
    const QVector<int> down = darkRuns(view, image, Qt::Vertical, 0, PH - 2 * LabelSize + 10, 2, 33);
    QVERIFY2(runsMatch(down, depthLabelY(g, step), &why), qPrintable("depth axis: " + why));
}

TargetReport report(quint16 id, int xCm, int yCm, int type = 1)
{
    return TargetReport{id, quint16(qint16(xCm)), quint16(qint16(yCm)), 0, 0, quint16(type)};
}

void pushFrame(RadarView &view, const TargetFrame &frame)
{
    view.frameHistory[view.frameIndex] = frame;
    view.frameIndex = (view.frameIndex + 1) % History;
}

TargetFrame frameOf(std::initializer_list<TargetReport> reports)
{
    TargetFrame frame;
    for (const TargetReport &r : reports)
        frame.insert(r.value(0), r);
    return frame;
}

// The n-th colour the program hands out, counting from the first target it ever sees.
QColor handedOutColour(int n)
{
    QRandomGenerator generator(1u);
    int v = 0;
    for (int i = 0; i <= n; ++i)
        v = int((quint64(generator.generate()) * 255) >> 32);
    return QColor(255, v, 255 - v);
}

const TargetsItem *targetsOf(const RadarView &view)
{
    const TargetsItem *found = nullptr;
    for (QGraphicsItem *item : view.scene()->items())
        if (auto *t = dynamic_cast<const TargetsItem *>(item)) {
            if (found)
                return nullptr;   // one layer of targets, never two
            found = t;
        }
    return found;
}

// The scene around a point, magnified, for telling marker shapes apart.
struct Magnified {
    QImage image;
    double factor;
    QColor at(double dx, double dy) const
    {
        return image.pixelColor(QPoint(int(std::floor(dx * factor + image.width() / 2.0)),
                                       int(std::floor(dy * factor + image.height() / 2.0))));
    }
};

Magnified magnify(RadarView &view, const QPointF &centre, double half = 12, double factor = 20)
{
    Magnified m{QImage(int(2 * half * factor), int(2 * half * factor), QImage::Format_ARGB32), factor};
    m.image.fill(Qt::white);
    QPainter painter(&m.image);
    view.scene()->render(&painter, QRectF(m.image.rect()), QRectF(centre - QPointF(half, half), QSizeF(2 * half, 2 * half)));
    return m;
}

// Which of three probe points around a marker are filled with its colour; the pattern tells the
// four shapes apart (circle of radius 5, square of half side 4, diamond and triangle of 5).
QString shapeAt(RadarView &view, const QPointF &position, const QColor &fill)
{
    const Magnified m = magnify(view, position);
    const bool beside = m.at(4.0, 0) == fill;        // circle and diamond reach it
    const bool corner = m.at(2.9, 2.9) == fill;      // circle, square and triangle
    const bool base = m.at(3.2, 4.2) == fill;        // only the triangle's base
    if (beside && corner && !base)
        return "circle";
    if (!beside && corner && !base)
        return "square";
    if (beside && !corner && !base)
        return "diamond";
    if (!beside && corner && base)
        return "triangle";
    return QString("unknown (%1%2%3)").arg(beside).arg(corner).arg(base);
}

void click(RadarView &view, const QPointF &scenePoint, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(view.viewport(), button, Qt::NoModifier, view.mapFromScene(scenePoint));
}

void clickCell(RadarView &view, int row, int column)
{
    click(view, cellCentre(view, row, column));
}

// The eligible cells of the factory scene (6 m range, 120 degrees, 1 m cells), row 0 farthest.
const char *const factoryEligibility[] = {
    "..XXXXXXXX..",
    ".XXXXXXXXXX.",
    "XXXXXXXXXXXX",
    "XXXXXXXXXXXX",
    "..XXXXXXXX..",
    "....XXXX....",
};

QVector<GridCell> eligibleFactoryCells()
{
    QVector<GridCell> cells;
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 12; ++k)
            if (factoryEligibility[i][k] == 'X')
                cells.append({i, k});
    return cells;
}
} // namespace

class TestRadarView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    // ---- geometry on screen ------------------------------------------------------------

    void factorySceneFillsTheWidget()
    {
        RadarView view;
        showAt(view);
        const ViewGeometry &g = view.geometry();
        QCOMPARE(g.columnsPerSide, 6);
        QCOMPARE(g.rows, 6);
        QCOMPARE(view.pixelsPerCell, 50.0);
        QCOMPARE(view.sceneRect(), QRectF(0, 0, 690, 390));
        QCOMPARE(g.radarPoint(0, 0), QPointF(360, 330));
        // The whole picture is in sight, undistorted.
        QVERIFY(view.viewport()->rect().contains(view.mapFromScene(QPointF(0, 0))));
        QVERIFY(view.viewport()->rect().contains(view.mapFromScene(QPointF(689, 389))));
        QCOMPARE(view.transform().m11(), view.transform().m22());
        QCOMPARE(view.SuppressionGrid.rowCount(), 6);
        QCOMPARE(view.SuppressionGrid.columnCount(5), 12);

        // A larger window redraws at a larger scale.
        view.resize(1200, 800);
        QVERIFY(waitUntil([&] { return view.pixelsPerCell == 100.0; }));
        QCOMPARE(view.sceneRect(), QRectF(0, 0, 1290, 690));
    }

    // ---- zones ------------------------------------------------------------------------

    void zonesAreNestedShadedFans()
    {
        RadarView view;
        showAt(view);
        const QImage image = picture(view);
        // Points inside cells, clear of grid lines and zone outlines.
        const QVector<QPointF> points{{0.5, 1.5}, {-0.4, 1.3}, {0.5, 3.5}, {-1.6, 2.6}, {0.5, 4.3},
                                      {0.5, 5.5}, {-2.3, 5.2}, {3.6, 4.4}, {-5.5, 0.5}, {-5.5, 5.5}, {5.6, 2.6}};
        for (const QPointF &p : points)
            COMPARE_COLOUR(colourAt(view, image, metres(view, p.x(), p.y())),
                           expectedZoneColour(view, metres(view, p.x(), p.y())), 4);

        // And in plain words: red inside the alarm fan, yellow in the warning band, blue at the
        // outer edge of the detection band fading to white at its inner edge, white outside.
        const QColor alarm = colourAt(view, image, metres(view, 0.5, 1.5));
        QVERIFY(alarm.red() > alarm.green() && alarm.green() > alarm.blue() - 5 && alarm.blue() < 240);
        const QColor warning = colourAt(view, image, metres(view, 0.5, 3.5));
        QVERIFY(warning.red() > warning.blue() + 20 && warning.green() > warning.blue() + 20);
        const QColor outer = colourAt(view, image, metres(view, 0.5, 5.5));
        const QColor inner = colourAt(view, image, metres(view, 0.5, 4.3));
        QVERIFY(outer.blue() > outer.red() + 30);
        QVERIFY(inner.red() > outer.red() + 20);
        COMPARE_COLOUR(colourAt(view, image, metres(view, -5.5, 0.5)), QColor(Qt::white), 0);
        COMPARE_COLOUR(colourAt(view, image, metres(view, -5.5, 5.5)), QColor(Qt::white), 0);
    }

    void blindZoneIsWhiteOnlyWhenSet()
    {
        RadarView view;
        showAt(view);
        view.detectionNear = 0;
        view.redrawScene();
        QImage image = picture(view);
        const QPointF inBlindRange = metres(view, 0.5, 1.5);     // 1.58 m from the radar
        QVERIFY(!close(colourAt(view, image, inBlindRange), Qt::white, 8));

        view.detectionNear = 1.8;
        view.redrawScene();
        image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, inBlindRange), QColor(Qt::white), 0);
        COMPARE_COLOUR(colourAt(view, image, metres(view, -0.4, 0.5)), QColor(Qt::white), 0);
        // Beyond it the alarm zone shows as before.
        const QPointF outside = metres(view, 0.5, 1.85);
        COMPARE_COLOUR(colourAt(view, image, outside), expectedZoneColour(view, outside), 4);
        QVERIFY(!close(colourAt(view, image, outside), Qt::white, 8));
    }

    void fanFollowsAngleAndRange()
    {
        RadarView view;
        showAt(view);
        const QPointF wide = metres(view, -3.4, 4.4);   // 37.7 degrees off the axis, 5.56 m out
        QVERIFY(!close(colourAt(view, picture(view), wide), Qt::white, 8));
        view.detectionAngle = 60;
        view.redrawScene();
        COMPARE_COLOUR(colourAt(view, picture(view), wide), QColor(Qt::white), 0);
        QVERIFY(!close(colourAt(view, picture(view), metres(view, 0.5, 3.5)), Qt::white, 8));

        view.detectionAngle = 120;
        view.warningFar = 5;
        view.alarmFar = 4;
        view.redrawScene();
        const QImage image = picture(view);
        for (const QPointF &p : {QPointF(0.5, 3.5), QPointF(0.5, 4.5), QPointF(0.5, 5.5), QPointF(-1.6, 2.6)})
            COMPARE_COLOUR(colourAt(view, image, metres(view, p.x(), p.y())),
                           expectedZoneColour(view, metres(view, p.x(), p.y())), 4);
    }

    // ---- axis numbers -------------------------------------------------------------------

    void axisNumbersFollowTheStep_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("edge");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("lateral");
        QTest::addColumn<int>("depth");
        QTest::newRow("6 m, 1 m: every boundary") << 6.0 << 1.0 << QSize(600, 400) << 1 << 13 << 7;
        QTest::newRow("30 m, 1 m: every fifth") << 30.0 << 1.0 << QSize(1200, 800) << 5 << 13 << 7;
        QTest::newRow("20 m, 2 m: every second") << 20.0 << 2.0 << QSize(1200, 800) << 2 << 11 << 6;
        QTest::newRow("9 m, 1 m: no step at 9 a side") << 9.0 << 1.0 << QSize(1800, 900) << 1 << 19 << 10;
    }
    void axisNumbersFollowTheStep()
    {
        QFETCH(double, extent);
        QFETCH(double, edge);
        QFETCH(QSize, size);
        QFETCH(int, step);
        QFETCH(int, lateral);
        QFETCH(int, depth);
        RadarView view;
        view.lateralExtent = view.depthExtent = view.detectionFar = extent;
        view.gridEdge = edge;
        showAt(view, size);
        const ViewGeometry &g = view.geometry();
        QCOMPARE(lateralLabelX(g, step).size(), lateral);
        QCOMPARE(depthLabelY(g, step).size(), depth);
        checkAxisNumbers(view, step);
    }

    // The numbers read as the operator expects: metres from the axis and from the radar.
    void axisNumberTexts()
    {
        RadarView view;
        showAt(view);
        auto texts = [&view] {
            QStringList all;
            for (QGraphicsItem *item : view.scene()->items())
                if (auto *axes = dynamic_cast<AxesItem *>(item))
                    for (const AxesItem::Label &label : axes->labels())
                        all << label.text;
            return all;
        };
        QCOMPARE(texts(), (QStringList{"-6", "-5", "-4", "-3", "-2", "-1", "0", "1", "2", "3", "4", "5", "6",
                                       "6", "5", "4", "3", "2", "1", "0"}));
        view.setGridEdgeText("1.5");
        QCOMPARE(texts(), (QStringList{"-6", "-4.5", "-3", "-1.5", "0", "1.5", "3", "4.5", "6",
                                       "6", "4.5", "3", "1.5", "0"}));
        view.lateralExtent = view.depthExtent = 30;
        view.setGridEdgeText("1");
        QCOMPARE(texts(), (QStringList{"-30", "-25", "-20", "-15", "-10", "-5", "0", "5", "10", "15", "20", "25",
                                       "30", "30", "25", "20", "15", "10", "5", "0"}));
    }

    // ---- targets and tracks -------------------------------------------------------------

    void targetMarkerColourShapeAndNumber()
    {
        RadarView view;
        showAt(view);
        pushFrame(view, frameOf({report(4, 50, 350, 2), report(9, -250, 450, 3), report(12, 250, 150, 4),
                                 report(20, -350, 250, 1), report(30, 350, 450, 7)}));
        view.redrawScene();
        const QImage image = picture(view);
        struct Expect {
            quint16 id;
            QPointF at;
            QString shape;
        };
        const Expect expected[] = {{4, {0.5, 3.5}, "square"},   {9, {-2.5, 4.5}, "diamond"},
                                   {12, {2.5, 1.5}, "triangle"}, {20, {-3.5, 2.5}, "circle"},
                                   {30, {3.5, 4.5}, "circle"}};
        for (int n = 0; n < 5; ++n) {
            const Expect &e = expected[n];
            const QPointF at = metres(view, e.at.x(), e.at.y());
            // Colours are handed out in ascending id order of the first frame.
            COMPARE_COLOUR(colourAt(view, image, at), handedOutColour(n), 0);
            QCOMPARE(view.targetColours.value(e.id), handedOutColour(n));
            QCOMPARE(shapeAt(view, at, handedOutColour(n)), e.shape);
        }
        // The number hangs right below the marker, in the number colour.
        const QPointF square = metres(view, 0.5, 3.5);
        bool numberSeen = false;
        for (int dx = 4; dx < 25 && !numberSeen; ++dx)
            for (int dy = 8; dy < 36 && !numberSeen; ++dy)
                numberSeen = close(colourAt(view, image, square + QPointF(dx, dy)), view.targetLabelColour, 12);
        QVERIFY(numberSeen);
        // Nothing of it above-left of the marker.
        for (int dx = -25; dx < -6; ++dx)
            for (int dy = -25; dy < -6; ++dy)
                QVERIFY(!close(colourAt(view, image, square + QPointF(dx, dy)), view.targetLabelColour, 12));

        // An obstacle radar does not tell classes apart: every target is a circle.
        view.shapeByType = false;
        view.redrawScene();
        for (int n = 0; n < 5; ++n)
            QCOMPARE(shapeAt(view, metres(view, expected[n].at.x(), expected[n].at.y()), handedOutColour(n)),
                     QString("circle"));
    }

    void firstTargetColourIsTheSameInEveryRun()
    {
        QColor first;
        for (int run = 0; run < 2; ++run) {
            RadarView view;
            showAt(view);
            pushFrame(view, frameOf({report(run == 0 ? 3 : 77, 150, 350)}));
            view.redrawScene();
            const QColor seen = colourAt(view, picture(view), metres(view, 1.5, 3.5));
            if (run == 0)
                first = seen;
            else
                COMPARE_COLOUR(seen, first, 0);
        }
        COMPARE_COLOUR(first, handedOutColour(0), 0);
    }

    void targetKeepsItsColourAfterTheFramesAreEmptied()
    {
        RadarView view;
        showAt(view);
        pushFrame(view, frameOf({report(5, 150, 350), report(6, -150, 350)}));
        view.redrawScene();
        const QColor five = view.targetColours.value(5);
        // A disconnect empties the ring.
        for (TargetFrame &frame : view.frameHistory)
            frame.clear();
        view.redrawScene();
        view.frameIndex = 0;
        QVERIFY(targetsOf(view) && targetsOf(view)->targets().isEmpty());
        const QPointF where = metres(view, 1.5, 3.5);
        QVERIFY(!close(colourAt(view, picture(view), where), five, 0));
        pushFrame(view, frameOf({report(8, -250, 250), report(5, 150, 350)}));
        view.redrawScene();
        COMPARE_COLOUR(colourAt(view, picture(view), where), five, 0);
        COMPARE_COLOUR(colourAt(view, picture(view), metres(view, -2.5, 2.5)), handedOutColour(2), 0);
    }

    // Frames, oldest first: A at P0 (before a gap), the gap, then P1, P2, P3 (newest). The track
    // runs back from P3 to P1 and stops at the gap: two segments. The ring wraps on the way.
    void trackFollowsConsecutiveFramesBack()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        view.frameIndex = 398;
        const int A = 21, other = 22;
        pushFrame(view, frameOf({report(A, -450, 550)}));                        // P0, slot 398
        pushFrame(view, frameOf({report(other, 450, 150)}));                     // gap, slot 399
        pushFrame(view, frameOf({report(A, -300, 450), report(other, 450, 150)})); // P1, slot 0
        pushFrame(view, frameOf({report(A, -100, 450)}));                        // P2, slot 1
        pushFrame(view, frameOf({report(A, 100, 350)}));                         // P3, slot 2
        view.redrawScene();
        QCOMPARE(view.frameIndex, 3);

        const TargetsItem *targets = targetsOf(view);
        QVERIFY(targets);
        QCOMPARE(targets->targets().size(), 1);
        const QPointF P0 = metres(view, -4.5, 5.5), P1 = metres(view, -3, 4.5), P2 = metres(view, -1, 4.5),
                      P3 = metres(view, 1, 3.5);
        QCOMPARE(targets->targets()[0].track, QPolygonF(QVector<QPointF>{P3, P2, P1}));

        const QImage image = picture(view);
        const QColor colour = view.targetColours.value(A);
        // The line is one scene pixel wide, a little less on screen, so it shows slightly lighter.
        auto lineNear = [&](const QPointF &scenePoint) {
            const QPoint centre = view.mapFromScene(scenePoint);
            for (int dx = -2; dx <= 2; ++dx)
                for (int dy = -2; dy <= 2; ++dy)
                    if (close(image.pixelColor(centre + QPoint(dx, dy)), colour, 40))
                        return true;
            return false;
        };
        QVERIFY(lineNear(P3 + (P2 - P3) * 0.3));
        QVERIFY(lineNear((P2 + P1) / 2));
        QVERIFY(!lineNear((P1 + P0) / 2));    // no segment across the gap
        QVERIFY(!lineNear(P0));
    }

    void trackEdgeCases()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        // Missing from the frame just before the newest: no segment at all.
        pushFrame(view, frameOf({report(1, 150, 250)}));
        pushFrame(view, frameOf({report(2, -150, 250)}));
        pushFrame(view, frameOf({report(1, 150, 350), report(2, -150, 350)}));
        view.redrawScene();
        const TargetsItem *targets = targetsOf(view);
        QVERIFY(targets);
        QCOMPARE(targets->targets().size(), 2);
        QCOMPARE(targets->targets()[0].track.size(), 1);
        QCOMPARE(targets->targets()[1].track.size(), 2);

        // Present in every slot of the ring: the walk stops at the oldest slot, 399 segments.
        // The target moves from 5.5 m left to 4.47 m right of the axis, 3.5 m out.
        for (int f = 0; f < History; ++f)
            pushFrame(view, frameOf({report(9, -550 + f * 1000 / History, 350)}));
        view.redrawScene();
        targets = targetsOf(view);
        QVERIFY(targets);
        QCOMPARE(targets->targets().size(), 1);
        QCOMPARE(targets->targets()[0].track.size(), History);
        const QColor colour = view.targetColours.value(9);
        auto trackAt = [&](const QImage &image, double x) {
            return close(colourAt(view, image, metres(view, x, 3.5)), colour, 40);
        };
        QVERIFY(trackAt(picture(view), -0.5));
        QVERIFY(trackAt(picture(view), -5.3));

        // Tracks off: markers only.
        view.showTrack = false;
        view.redrawScene();
        QVERIFY(targetsOf(view)->targets()[0].track.size() <= 1);
        const QImage image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, metres(view, 4.47, 3.5)), colour, 0);   // newest position
        QVERIFY(!trackAt(image, -0.5));                                              // where it was
    }

    // A target is drawn only when it lies on the grid or in the left margin: not right of the
    // grid, not above the picture, not behind the radar.
    void targetsOffTheGridAreSkipped()
    {
        RadarView view;
        showAt(view);
        pushFrame(view, frameOf({report(1, 590, 350), report(2, 620, 350), report(3, -650, 350),
                                 report(4, -730, 350), report(5, 150, -10), report(6, 150, 5), report(7, 150, 700),
                                 report(8, 150, 590)}));
        view.redrawScene();
        const TargetsItem *targets = targetsOf(view);
        QVERIFY(targets);
        QStringList drawn;
        for (const DrawnTarget &t : targets->targets())
            drawn << t.number;
        QCOMPARE(drawn, (QStringList{"1", "3", "6", "8"}));
        const QImage image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, metres(view, 5.9, 3.5)), view.targetColours.value(1), 0);
        COMPARE_COLOUR(colourAt(view, image, metres(view, -6.5, 3.5)), view.targetColours.value(3), 0);
        const QPointF rightMargin = metres(view, 6.2, 3.5);
        COMPARE_COLOUR(colourAt(view, image, rightMargin), QColor(Qt::white), 0);
    }

    void targetsFarOutsideTheGrid()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        for (int f = 0; f < History - 1; ++f)
            pushFrame(view, frameOf({report(1, 32767, 32767), report(2, -32768, 100), report(3, 0, -32768),
                                     report(4, f % 2 ? 32767 : -32768, f % 2 ? -32768 : 32767)}));
        pushFrame(view, frameOf({report(1, 32767, 32767), report(2, -32768, 100), report(3, 0, -32768),
                                 report(4, 150, 350)}));
        QElapsedTimer clock;
        clock.start();
        view.redrawScene();
        const QImage image = picture(view);
        QVERIFY(clock.elapsed() < 20000);
        const TargetsItem *targets = targetsOf(view);
        QVERIFY(targets);
        QCOMPARE(targets->targets().size(), 1);    // only target 4 is on the grid
        const QPolygonF &track = targets->targets()[0].track;
        QCOMPARE(track.size(), History);           // its far-off past is drawn, untested
        for (const QPointF &p : track)
            QVERIFY(std::isfinite(p.x()) && std::isfinite(p.y()));
        COMPARE_COLOUR(colourAt(view, image, metres(view, 1.5, 3.5)), view.targetColours.value(4), 0);
        QVERIFY(!view.targetColours.contains(1));   // never drawn, so no colour handed out
    }

    // ---- marked cells in the picture ----------------------------------------------------

    void markedCellsAreTintedAboveTargets()
    {
        RadarView view;
        showAt(view);
        pushFrame(view, frameOf({report(3, 150, 350, 2)}));   // in cell (2, 7)
        view.redrawScene();
        QImage image = picture(view);
        const QPointF empty = cellCentre(view, 3, 4) + QPointF(7, -9);
        const QColor plain = colourAt(view, image, empty);
        const QPointF onTarget = metres(view, 1.5, 3.5);
        const QColor target = colourAt(view, image, onTarget);

        QVERIFY(view.SuppressionGrid.setFlag(3, 4, true));
        QVERIFY(view.SuppressionGrid.setFlag(2, 7, true));
        view.nonAlarmCount = 2;
        view.redrawScene();
        image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, empty), over(view.nonAlarmFill, plain), 2);
        // Cells lie above the targets: the marker shows through the fill.
        COMPARE_COLOUR(colourAt(view, image, onTarget), over(view.nonAlarmFill, target), 2);
        // Neighbours stay clear.
        COMPARE_COLOUR(colourAt(view, image, cellCentre(view, 3, 5) + QPointF(7, -9)),
                       expectedZoneColour(view, cellCentre(view, 3, 5) + QPointF(7, -9)), 4);
    }

    void detectionAreaCellsWinOverNonAlarmFillWhenShown()
    {
        RadarView view;
        showAt(view);
        const QPointF spot = cellCentre(view, 3, 4) + QPointF(7, -9);
        const QColor plain = colourAt(view, picture(view), spot);
        view.showDetectionArea = false;
        view.redrawScene();
        QVERIFY(view.DetectionAreaGrid.setFlag(3, 4, true));
        QVERIFY(view.SuppressionGrid.setFlag(3, 4, true));
        view.nonAlarmCount = 1;
        view.redrawScene();
        COMPARE_COLOUR(colourAt(view, picture(view), spot), over(view.detectionAreaFill, plain), 2);

        // Cropping on: the picture shows only that cell, filled as a non-alarm cell.
        view.showDetectionArea = true;
        view.redrawScene();
        QCOMPARE(view.geometry().colMin, 4);
        QCOMPARE(view.geometry().rowMax, 4);
        QCOMPARE(view.pixelsPerCell, 400.0);
        const QPointF inCell = cellCentre(view, 3, 4) + QPointF(37, -51);
        const QColor beneath = expectedZoneColour(view, inCell);
        COMPARE_COLOUR(colourAt(view, picture(view), inCell), over(view.nonAlarmFill, beneath), 4);
    }

    // A cell that the strip cuts so that it starts in the left margin is there but invisible.
    void cellStartingInTheMarginIsInvisible()
    {
        RadarView view;
        view.leftBoundary = -1.5;
        view.rightBoundary = 1.5;
        showAt(view);
        const ViewGeometry &g = view.geometry();
        QVERIFY(g.columnX(4) > 0 && g.columnX(4) < 2 * LabelSize);
        const QPointF inMargin(g.columnX(4) + 8, g.rowY(3) + g.scale / 2);
        const QPointF nextCell(g.columnX(5) + 20, g.rowY(3) + g.scale / 2);
        QImage image = picture(view);
        const QColor marginBefore = colourAt(view, image, inMargin);
        const QColor nextBefore = colourAt(view, image, nextCell);
        QVERIFY(view.SuppressionGrid.setFlag(3, 4, true));
        QVERIFY(view.SuppressionGrid.setFlag(3, 5, true));
        view.nonAlarmCount = 2;
        view.redrawScene();
        image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, inMargin), marginBefore, 0);
        COMPARE_COLOUR(colourAt(view, image, nextCell), over(view.nonAlarmFill, nextBefore), 2);
        // No grid line is drawn for it either: the margin row above the cell's top edge is clean.
        for (double x = g.columnX(4) + 2; x < 2 * LabelSize - 3; x += 1)
            QVERIFY(!close(colourAt(view, image, QPointF(x, g.rowY(3))), view.gridColour, 6));
    }

    // ---- editing by mouse --------------------------------------------------------------

    void clicksFollowTheFactoryEligibility()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        for (int i = 0; i < 6; ++i) {
            QString row;
            for (int k = 0; k < 12; ++k) {
                clickCell(view, i, k);
                const bool set = view.SuppressionGrid.isSet(i, k);
                row += set ? 'X' : '.';
                QCOMPARE(view.nonAlarmCount, set ? 1 : 0);
                QCOMPARE(view.SuppressionGrid.setCount(), view.nonAlarmCount);
                if (set) {
                    clickCell(view, i, k);   // a second click clears it again
                    QVERIFY(!view.SuppressionGrid.isSet(i, k));
                    QCOMPARE(view.nonAlarmCount, 0);
                }
            }
            QCOMPARE(row, QString::fromLatin1(factoryEligibility[i]));
        }
        // Beside the radar, far left: refused; row 5, column 4: accepted and tinted.
        const QColor before = colourAt(view, picture(view), cellCentre(view, 5, 4) + QPointF(6, 6));
        clickCell(view, 5, 0);
        clickCell(view, 5, 4);
        QVERIFY(!view.SuppressionGrid.isSet(5, 0));
        QVERIFY(view.SuppressionGrid.isSet(5, 4));
        COMPARE_COLOUR(colourAt(view, picture(view), cellCentre(view, 5, 4) + QPointF(6, 6)),
                       over(view.nonAlarmFill, before), 2);
    }

    void tenCellsAtMost()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        const QVector<GridCell> eligible = eligibleFactoryCells();
        for (int n = 0; n < 10; ++n)
            clickCell(view, eligible[n].row, eligible[n].column);
        QCOMPARE(view.nonAlarmCount, 10);
        const GridCell eleventh = eligible[10];
        const QImage full = picture(view);
        clickCell(view, eleventh.row, eleventh.column);
        QVERIFY(!view.SuppressionGrid.isSet(eleventh.row, eleventh.column));
        QCOMPARE(view.nonAlarmCount, 10);
        QCOMPARE(picture(view), full);
        // Clearing one makes room again.
        clickCell(view, eligible[3].row, eligible[3].column);
        QCOMPARE(view.nonAlarmCount, 9);
        clickCell(view, eleventh.row, eleventh.column);
        QVERIFY(view.SuppressionGrid.isSet(eleventh.row, eleventh.column));
        QCOMPARE(view.nonAlarmCount, 10);
        QCOMPARE(view.SuppressionGrid.setCount(), 10);
    }

    void setCellCanBeClearedAfterItBecameIneligible()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        clickCell(view, 0, 5);
        clickCell(view, 1, 1);
        QCOMPARE(view.nonAlarmCount, 2);
        view.detectionFar = 3;   // the far rows now lie beyond the range
        view.redrawScene();
        clickCell(view, 0, 5);
        QVERIFY(!view.SuppressionGrid.isSet(0, 5));
        QCOMPARE(view.nonAlarmCount, 1);
        clickCell(view, 0, 5);   // and cannot be set again
        QVERIFY(!view.SuppressionGrid.isSet(0, 5));
        QCOMPARE(view.nonAlarmCount, 1);
        clickCell(view, 1, 1);
        QCOMPARE(view.nonAlarmCount, 0);
    }

    void gridEdgeChangeEmptiesTheMarks()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        clickCell(view, 2, 3);
        clickCell(view, 3, 7);
        clickCell(view, 4, 5);
        QCOMPARE(view.nonAlarmCount, 3);
        const QImage unmarked = [&] {
            RadarView plain;
            showAt(plain);
            plain.setGridEdgeText("0.5");
            return picture(plain);
        }();

        view.setGridEdgeText("0.5");
        QCOMPARE(view.gridEdge, 0.5);
        QCOMPARE(view.geometry().columnsPerSide, 12);
        QCOMPARE(view.SuppressionGrid.setCount(), 0);
        QCOMPARE(view.nonAlarmCount, 0);
        QCOMPARE(picture(view), unmarked);
        // Ten new cells fit, the eleventh does not.
        int marked = 0;
        for (int i = 6; i <= 10; ++i)
            for (int k = 11; k <= 12; ++k) {
                clickCell(view, i, k);
                QVERIFY(view.SuppressionGrid.isSet(i, k));
                QCOMPARE(view.nonAlarmCount, ++marked);
            }
        clickCell(view, 5, 12);
        QVERIFY(!view.SuppressionGrid.isSet(5, 12));
        QCOMPARE(view.nonAlarmCount, 10);
    }

    void badGridEdgeTextsAreIgnored()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        clickCell(view, 3, 6);
        const QImage before = picture(view);
        for (const char *text : {"0", "abc", "-1", "", "0.0", "nan", "inf", "1,5"}) {
            view.setGridEdgeText(QString::fromLatin1(text));
            QCOMPARE(view.gridEdge, 1.0);
            QVERIFY(view.SuppressionGrid.isSet(3, 6));
            QCOMPARE(view.nonAlarmCount, 1);
            QCOMPARE(view.pixelsPerCell, 50.0);
        }
        QCOMPARE(picture(view), before);
        QVERIFY(!view.setGridEdge(0));
        QVERIFY(!view.setGridEdge(std::nan("")));
        QCOMPARE(view.gridEdge, 1.0);
    }

    void clicksOffTheCellsChangeNothing()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        pushFrame(view, frameOf({report(2, 150, 350)}));
        view.redrawScene();
        const QImage before = picture(view);
        const ViewGeometry &g = view.geometry();
        const QVector<QPointF> offCells{
            {25, 3 * 50 + 30},                    // on the depth number "3"
            {8 * 50 + 30 + 15 + 10, 350},         // on the lateral number "2"
            {45, 200},                            // left margin
            {675, 200},                           // right margin
            {300, 12},                            // top margin
            {300, g.pixmapHeight - 12},           // bottom margin below the numbers
        };
        for (const QPointF &p : offCells)
            click(view, p);
        // Outside the scene altogether, above the picture.
        QVERIFY(view.mapFromScene(QPointF(0, 0)).y() > 5);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 2));
        // Other buttons, and a left click while select mode is off.
        click(view, cellCentre(view, 3, 6), Qt::RightButton);
        click(view, cellCentre(view, 3, 6), Qt::MiddleButton);
        view.selectMode = false;
        clickCell(view, 3, 6);
        QCOMPARE(view.SuppressionGrid.setCount(), 0);
        QCOMPARE(view.DetectionAreaGrid.setCount(), 0);
        QCOMPARE(view.nonAlarmCount, 0);
        QCOMPARE(picture(view), before);

        // A click on the target finds the cell under it.
        view.selectMode = true;
        click(view, metres(view, 1.5, 3.5));
        QVERIFY(view.SuppressionGrid.isSet(2, 7));
        QCOMPARE(view.nonAlarmCount, 1);
    }

    void clickNearAGridLineTakesACellUnderThePointer()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        const ViewGeometry &g = view.geometry();
        // Right on the line between columns 6 and 7 of row 2, and on the corner of four cells: the
        // pointer touches several cells and takes the one drawn last, the lower and further right.
        struct Case {
            QPointF at;
            GridCell cell;
        };
        for (const Case &c : {Case{QPointF(g.columnX(7), g.rowY(2) + 25), GridCell{2, 7}},
                              Case{QPointF(g.columnX(7), g.rowY(3)), GridCell{3, 7}},
                              Case{QPointF(g.columnX(3) + 25, g.rowY(5)), GridCell{5, 3}}}) {
            click(view, c.at);
            const QVector<GridCell> set = view.SuppressionGrid.setCells();
            if (c.cell == GridCell{5, 3}) {
                // Between (4, 3), which may be marked, and (5, 3) below it, which may not: the
                // lower cell is the one found, so the click does nothing.
                QVERIFY(set.isEmpty());
                continue;
            }
            QVERIFY2(set.size() == 1 && set[0] == c.cell,
                     qPrintable(QString("(%1, %2)").arg(set.value(0).row).arg(set.value(0).column)));
            click(view, c.at);
            QCOMPARE(view.SuppressionGrid.setCount(), 0);
        }
    }

    // With select mode off and the area crop off, the same clicks toggle detection-area cells.
    void detectionAreaEditing()
    {
        RadarView view;
        view.showDetectionArea = false;
        showAt(view);
        clickCell(view, 2, 5);
        clickCell(view, 3, 8);
        clickCell(view, 5, 0);   // not eligible
        QVERIFY(view.DetectionAreaGrid.isSet(2, 5));
        QVERIFY(view.DetectionAreaGrid.isSet(3, 8));
        QVERIFY(!view.DetectionAreaGrid.isSet(5, 0));
        QCOMPARE(view.nonAlarmCount, 0);
        QCOMPARE(view.SuppressionGrid.setCount(), 0);
        clickCell(view, 3, 8);
        QVERIFY(!view.DetectionAreaGrid.isSet(3, 8));

        // Crop on: the picture shrinks to the set cell's row and column.
        view.showDetectionArea = true;
        view.redrawScene();
        QCOMPARE(view.geometry().colMin, 5);
        QCOMPARE(view.geometry().colMax, 6);
        QCOMPARE(view.geometry().rowMin, 2);
        QCOMPARE(view.geometry().rowMax, 3);
        clickCell(view, 2, 5);   // ignored: select mode is off
        QVERIFY(view.DetectionAreaGrid.isSet(2, 5));
    }

    // 655 m in 0.25 m cells: 13.7 million cells, each a fraction of a pixel. A click still marks
    // one cell, and that cell lies under the pointer.
    void clicksOnAHugeGridMarkTheCellUnderThePointer()
    {
        RadarView view;
        view.selectMode = true;
        view.lateralExtent = view.depthExtent = view.detectionFar = 655;
        view.warningFar = 400;
        view.alarmFar = 200;
        view.gridEdge = 0.25;
        showAt(view);
        const ViewGeometry &g = view.geometry();
        QCOMPARE(g.columnsPerSide, 2620);
        QCOMPARE(g.rows, 2620);
        for (const QPointF &m : {QPointF(-100, 500), QPointF(0.3, 300.1), QPointF(50.3, 600), QPointF(120, 400),
                                 QPointF(-3.3, 20), QPointF(-127, 640)}) {
            const QPoint pointer = view.mapFromScene(metres(view, m.x(), m.y()));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointer);
            QCOMPARE(view.SuppressionGrid.setCount(), 1);
            QCOMPARE(view.nonAlarmCount, 1);
            const GridCell c = view.SuppressionGrid.setCells().first();
            const QRectF cell(g.columnX(c.column) - 0.5, g.rowY(c.row) - 0.5, g.scale + 1, g.scale + 1);
            const QRectF onScreen = view.viewportTransform().mapRect(cell);
            QVERIFY2(onScreen.intersects(QRectF(pointer, QSizeF(1, 1))),
                     qPrintable(QString("cell (%1, %2) is not under the pointer").arg(c.row).arg(c.column)));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointer);
            QCOMPARE(view.SuppressionGrid.setCount(), 0);
            QCOMPARE(view.nonAlarmCount, 0);
        }
        // The zones and the depth numbers are still drawn.
        const QImage image = picture(view);
        const int step = axisLabelStep(g.columnsPerSide, g.edge);
        QCOMPARE(step, 440);
        // In the margins beside the grid, between the depth numbers.
        const QVector<double> numbersAt = depthLabelY(g, step);
        const QPointF leftMargin(40, numbersAt[0] + 45), rightMargin(g.pixmapWidth - 10, numbersAt[1] + 45);
        for (const QPointF &p : {leftMargin, rightMargin}) {
            COMPARE_COLOUR(colourAt(view, image, p), expectedZoneColour(view, p), 4);
            QVERIFY(!close(colourAt(view, image, p), Qt::white, 8));
        }
        QString why;
        const QVector<int> down = darkRuns(view, image, Qt::Vertical, 0, int(g.pixmapHeight) - 50, 2, 33);
        QVERIFY2(runsMatch(down, depthLabelY(g, step), &why), qPrintable(why));
    }

    // ---- legend ----------------------------------------------------------------------

    // The four symbols beside the plot: red with a black outline, centred at (16, 16), the name
    // to the right of them.
    void legendSymbols()
    {
        const QColor red(255, 0, 0);
        auto filled = [&red](const QImage &image, int x, int y) { return image.pixelColor(x, y) == red; };
        QImage symbol[4];
        for (int kind = 0; kind < 4; ++kind) {
            symbol[kind] = RadarView::legendPicture(kind, "X", QFont()).toImage();
            QCOMPARE(symbol[kind].size(), QSize(128, 32));
            QCOMPARE(symbol[kind].pixelColor(0, 0).alpha(), 0);
            QCOMPARE(symbol[kind].pixelColor(127, 0).alpha(), 0);
            QVERIFY(filled(symbol[kind], 16, 16) || kind == 1);
            bool named = false;
            for (int x = 40; x < 128 && !named; ++x)
                for (int y = 0; y < 32 && !named; ++y)
                    named = symbol[kind].pixelColor(x, y).alpha() > 200;
            QVERIFY(named);
        }
        // Circle of diameter 10 from (11, 11).
        QVERIFY(filled(symbol[0], 16, 12) && filled(symbol[0], 12, 16) && !filled(symbol[0], 12, 12));
        QCOMPARE(symbol[0].pixelColor(11, 16), QColor(Qt::black));
        // Square of side 4 from (14, 14): the outline on 14 and 18, red inside.
        QVERIFY(filled(symbol[1], 15, 15) && filled(symbol[1], 17, 17) && !filled(symbol[1], 16, 12));
        QCOMPARE(symbol[1].pixelColor(14, 16), QColor(Qt::black));
        QCOMPARE(symbol[1].pixelColor(19, 16).alpha(), 0);
        // Diamond of half diagonal 5, triangle of apex 5 and half base 5.
        QVERIFY(filled(symbol[2], 13, 16) && !filled(symbol[2], 13, 20) && filled(symbol[2], 16, 13));
        QVERIFY(!filled(symbol[3], 13, 16) && filled(symbol[3], 13, 20) && filled(symbol[3], 16, 13));
    }

    // ---- bad input -------------------------------------------------------------------

    void degenerateScenesDrawWithoutFault_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("range");
        QTest::addColumn<QSize>("size");
        QTest::newRow("boundaries 0") << 0.0 << 0.0 << 120.0 << 6.0 << QSize(600, 400);
        QTest::newRow("angle 0") << -128.0 << 128.0 << 0.0 << 6.0 << QSize(600, 400);
        QTest::newRow("angle 200") << -128.0 << 128.0 << 200.0 << 6.0 << QSize(600, 400);
        QTest::newRow("range 0") << -128.0 << 128.0 << 120.0 << 0.0 << QSize(600, 400);
        QTest::newRow("boundaries crossed") << 3.0 << -3.0 << 120.0 << 6.0 << QSize(600, 400);
        QTest::newRow("tiny widget") << -128.0 << 128.0 << 120.0 << 6.0 << QSize(3, 2);
    }
    void degenerateScenesDrawWithoutFault()
    {
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, angle);
        QFETCH(double, range);
        QFETCH(QSize, size);
        RadarView view;
        view.leftBoundary = left;
        view.rightBoundary = right;
        view.detectionAngle = angle;
        view.detectionFar = view.warningFar = view.alarmFar = range;
        view.selectMode = true;
        view.showTrack = true;
        for (int f = 0; f < 3; ++f)
            pushFrame(view, frameOf({report(1, 150, 350), report(2, 32767, -32768)}));
        showAt(view, size);
        view.redrawScene();
        const ViewGeometry &g = view.geometry();
        for (double v : {g.scale, g.stripLeft, g.stripRight, g.pixmapWidth, g.pixmapHeight, view.pixelsPerCell})
            QVERIFY(std::isfinite(v));
        const QImage image = picture(view);
        QCOMPARE(image.size(), view.viewport()->size());
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.viewport()->rect().center());
        for (int x = 0; x < image.width(); x += 17)
            for (int y = 0; y < image.height(); y += 13)
                QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QCOMPARE(view.SuppressionGrid.setCount(), view.nonAlarmCount);
        QVERIFY(view.nonAlarmCount <= 10);
    }

    void fanAngleDecidesWhatCanBeMarked()
    {
        RadarView view;
        view.selectMode = true;
        view.detectionAngle = 0;
        showAt(view);
        clickCell(view, 3, 5);
        clickCell(view, 3, 4);
        QVERIFY(view.SuppressionGrid.isSet(3, 5));    // along the axis
        QVERIFY(!view.SuppressionGrid.isSet(3, 4));
        COMPARE_COLOUR(colourAt(view, picture(view), metres(view, -0.4, 2.6)),
                       over(view.nonAlarmFill, Qt::white), 2);

        view.detectionAngle = 200;   // wider than a half circle: every cell in range
        view.redrawScene();
        clickCell(view, 5, 0);
        QVERIFY(view.SuppressionGrid.isSet(5, 0));
        COMPARE_COLOUR(colourAt(view, picture(view), metres(view, -5.5, 2.5)),
                       expectedZoneColour(view, metres(view, -5.5, 2.5)), 4);
    }

    void zeroSizeWidget()
    {
        RadarView view;
        view.selectMode = true;
        pushFrame(view, frameOf({report(1, 150, 350)}));
        view.resize(0, 0);
        view.redrawScene();
        QCOMPARE(view.pixelsPerCell, 0.0);
        QVERIFY(std::isfinite(view.geometry().pixmapWidth));
        QVERIFY(std::isfinite(view.sceneRect().width()));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
        QCOMPARE(view.nonAlarmCount, 0);
        // Growing to a real size brings the picture back.
        showAt(view);
        QCOMPARE(view.pixelsPerCell, 50.0);
        COMPARE_COLOUR(colourAt(view, picture(view), metres(view, 1.5, 3.5)), view.targetColours.value(1), 0);
    }
};

RADAR_TEST_MAIN(TestRadarView)
#include "tst_radarview.moc"
