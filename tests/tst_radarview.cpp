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
QImage picture(RadarView &view) { return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32); }

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

// The zone a pixel shows, told apart by its tint: red in the alarm fan, yellow in the warning
// band, blue towards the outer edge of the detection band, plain white outside every fan.
QString zoneOf(const QColor &c)
{
    if (c == QColor(Qt::white))
        return "none";
    if (c.blue() > c.red() + 15)
        return "detection";
    if (c.red() > c.green() + 5 && c.green() >= c.blue() - 5)
        return "alarm";
    if (c.red() > c.blue() + 15 && c.green() > c.blue() + 15)
        return "warning";
    return "pale " + describe(c);
}

bool isDark(QRgb c) { return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90; }

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

// The numbers drawn along both axes, read from the picture: each run of text starts a little
// after its label's corner (the text's own margin of 4 pixels and the glyph's side bearing).
bool runsMatch(const QVector<int> &runs, const QVector<double> &expected, QString *why)
{
    int bad = runs.size() == expected.size() ? -1 : 0;
    for (int i = 0; bad < 0 && i < runs.size(); ++i)
        if (runs[i] < expected[i] + 2 || runs[i] > expected[i] + 13)
            bad = i;
    *why = QString("%1 numbers drawn, %2 expected; number %3 starts at %4, expected near %5")
               .arg(runs.size()).arg(expected.size()).arg(bad).arg(runs.value(bad)).arg(expected.value(bad));
    return bad < 0;
}

void checkAxisNumbers(RadarView &view, int step)
{
    const QImage image = picture(view);
    const ViewGeometry &g = view.geometry();
    const int PW = int(g.pixmapWidth), PH = int(g.pixmapHeight);
    QString why;
    // The lateral numbers hang below the bottom grid line; the band leaves out the depth axis's
    // "0" just above it and the tick dots on the line. The depth numbers sit in the left
    // margin, left of the tick dots.
    QVERIFY2(runsMatch(darkRuns(view, image, Qt::Horizontal, 0, PW, PH - 2 * LabelSize + 18, PH - LabelSize + 2),
                       lateralLabelX(g, step), &why), qPrintable("lateral axis: " + why));
    QVERIFY2(runsMatch(darkRuns(view, image, Qt::Vertical, 0, PH - 2 * LabelSize + 10, 2, 33), depthLabelY(g, step), &why),
             qPrintable("depth axis: " + why));
}

TargetReport report(quint16 id, int xCm, int yCm, int type = 1)
{
    return TargetReport{id, quint16(qint16(xCm)), quint16(qint16(yCm)), 0, 0, quint16(type)};
}

// Puts the next frame of target reports into the view's ring, as a poll does.
void push(RadarView &view, std::initializer_list<TargetReport> reports)
{
    TargetFrame frame;
    for (const TargetReport &r : reports)
        frame.insert(r.value(0), r);
    view.frameHistory[view.frameIndex] = frame;
    view.frameIndex = (view.frameIndex + 1) % History;
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

// The marker at a point, told apart by which of three probe points around it are filled with
// its colour in the scene magnified twentyfold (circle of radius 5, square of half side 4,
// diamond and triangle of 5): beside it (circle, diamond), at 45 degrees (circle, square,
// triangle), and low to the side (only the triangle's base).
QString shapeAt(RadarView &view, const QPointF &position, const QColor &fill)
{
    const double half = 12, factor = 20;
    QImage image(int(2 * half * factor), int(2 * half * factor), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.scene()->render(&painter, QRectF(image.rect()), QRectF(position - QPointF(half, half), QSizeF(2 * half, 2 * half)));
    auto filled = [&](double dx, double dy) {
        return image.pixelColor(int(std::floor((dx + half) * factor)), int(std::floor((dy + half) * factor))) == fill;
    };
    switch (4 * filled(4.0, 0) + 2 * filled(2.9, 2.9) + filled(3.2, 4.2)) {
    case 6: return "circle";
    case 2: return "square";
    case 4: return "diamond";
    case 3: return "triangle";
    default: return "unknown";
    }
}

void click(RadarView &view, const QPointF &scenePoint, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(view.viewport(), button, Qt::NoModifier, view.mapFromScene(scenePoint));
}
void clickCell(RadarView &view, int row, int column) { click(view, cellCentre(view, row, column)); }

// The eligible cells of the factory scene (6 m range, 120 degrees, 1 m cells), row 0 farthest.
const char *const factoryEligibility[] = {
    "..XXXXXXXX..",
    ".XXXXXXXXXX.",
    "XXXXXXXXXXXX",
    "XXXXXXXXXXXX",
    "..XXXXXXXX..",
    "....XXXX....",
};

} // namespace

class TestRadarView : public QObject
{
    Q_OBJECT

    static void checkZones(RadarView &view, const QVector<QPair<QPointF, QString>> &expected)
    {
        const QImage image = picture(view);
        for (const auto &e : expected) {
            const QString seen = zoneOf(colourAt(view, image, metres(view, e.first.x(), e.first.y())));
            QVERIFY2(seen == e.second, qPrintable(QString("at (%1, %2) m: %3").arg(e.first.x()).arg(e.first.y()).arg(seen)));
        }
    }

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
        QCOMPARE(view.SuppressionGrid.columnCount(5), 12);

        // A larger window redraws at a larger scale.
        view.resize(1200, 800);
        QVERIFY(waitUntil([&] { return view.pixelsPerCell == 100.0; }));
        QCOMPARE(view.sceneRect(), QRectF(0, 0, 1290, 690));
    }

    // ---- zones ------------------------------------------------------------------------

    // Nested fans: alarm inside warning inside detection, each shading from white at its inner
    // edge to its colour at its outer edge; the blind zone white when set; angle and ranges
    // move the edges.
    void zonesFollowTheScene()
    {
        RadarView view;
        showAt(view);
        checkZones(view, {{{0.5, 1.5}, "alarm"}, {{0.5, 3.5}, "warning"}, {{-1.6, 2.6}, "warning"},
                          {{0.5, 5.5}, "detection"}, {{-3.4, 4.4}, "detection"}, {{-5.5, 0.5}, "none"},
                          {{-5.5, 5.5}, "none"}});
        const QImage image = picture(view);
        QVERIFY(colourAt(view, image, metres(view, 0.5, 4.3)).red()
                > colourAt(view, image, metres(view, 0.5, 5.5)).red() + 20);   // fading inwards

        // A blind zone of 1.8 m: white up to it, the alarm fan beyond.
        view.detectionNear = 1.8;
        view.redrawScene();
        checkZones(view, {{{0.5, 1.5}, "none"}, {{-0.4, 0.5}, "none"}, {{0.5, 1.85}, "alarm"}});

        // A 60 degree fan leaves 37.7 degrees off the axis white; shorter ranges move the bands.
        view.detectionNear = 0;
        view.detectionAngle = 60;
        view.warningFar = 5;
        view.alarmFar = 4;
        view.redrawScene();
        checkZones(view, {{{-3.4, 4.4}, "none"}, {{0.5, 3.5}, "alarm"}, {{0.5, 4.5}, "warning"},
                          {{0.5, 5.5}, "detection"}});
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
        QCOMPARE(lateralLabelX(view.geometry(), step).size(), lateral);
        QCOMPARE(depthLabelY(view.geometry(), step).size(), depth);
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
            return all.join(' ');
        };
        QCOMPARE(texts(), QString("-6 -5 -4 -3 -2 -1 0 1 2 3 4 5 6 6 5 4 3 2 1 0"));
        view.setGridEdgeText("1.5");
        QCOMPARE(texts(), QString("-6 -4.5 -3 -1.5 0 1.5 3 4.5 6 6 4.5 3 1.5 0"));
        view.lateralExtent = view.depthExtent = 30;
        view.setGridEdgeText("1");
        QCOMPARE(texts(), QString("-30 -25 -20 -15 -10 -5 0 5 10 15 20 25 30 30 25 20 15 10 5 0"));
    }

    // ---- targets and tracks -------------------------------------------------------------

    void targetMarkerColourShapeAndNumber()
    {
        RadarView view;
        showAt(view);
        push(view, {report(4, 50, 350, 2), report(9, -250, 450, 3), report(12, 250, 150, 4),
                                 report(20, -350, 250, 1), report(30, 350, 450, 7)});
        view.redrawScene();
        const QImage image = picture(view);
        struct Expect {
            QPointF at;
            QString shape;
        };
        const Expect expected[] = {{{0.5, 3.5}, "square"}, {{-2.5, 4.5}, "diamond"}, {{2.5, 1.5}, "triangle"},
                                   {{-3.5, 2.5}, "circle"}, {{3.5, 4.5}, "circle"}};
        for (int n = 0; n < 5; ++n) {
            const QPointF at = metres(view, expected[n].at.x(), expected[n].at.y());
            // Colours are handed out in ascending id order of the first frame.
            COMPARE_COLOUR(colourAt(view, image, at), handedOutColour(n), 0);
            QCOMPARE(shapeAt(view, at, handedOutColour(n)), expected[n].shape);
        }
        // The number hangs right below the marker, in the number colour, nothing of it above-left.
        const QPointF square = metres(view, 0.5, 3.5);
        auto numberIn = [&](int x0, int x1, int y0, int y1) {
            for (int dx = x0; dx < x1; ++dx)
                for (int dy = y0; dy < y1; ++dy)
                    if (close(colourAt(view, image, square + QPointF(dx, dy)), view.targetLabelColour, 12))
                        return true;
            return false;
        };
        QVERIFY(numberIn(4, 25, 8, 36));
        QVERIFY(!numberIn(-25, -6, -25, -6));

        // An obstacle radar does not tell classes apart: every target is a circle.
        view.shapeByType = false;
        view.redrawScene();
        for (int n = 0; n < 5; ++n)
            QCOMPARE(shapeAt(view, metres(view, expected[n].at.x(), expected[n].at.y()), handedOutColour(n)),
                     QString("circle"));
    }

    // The first colour is the same in every run whatever the id; a target keeps its colour
    // after a disconnect has emptied the frames, and a new one gets the next colour.
    void targetColoursAreStable()
    {
        RadarView other;
        showAt(other);
        push(other, {report(77, 150, 350)});
        other.redrawScene();
        COMPARE_COLOUR(colourAt(other, picture(other), metres(other, 1.5, 3.5)), handedOutColour(0), 0);

        RadarView view;
        showAt(view);
        push(view, {report(5, 150, 350), report(6, -150, 350)});
        view.redrawScene();
        const QPointF where = metres(view, 1.5, 3.5);
        for (TargetFrame &frame : view.frameHistory)
            frame.clear();
        view.frameIndex = 0;
        view.redrawScene();
        QVERIFY(targetsOf(view) && targetsOf(view)->targets().isEmpty());
        QVERIFY(!close(colourAt(view, picture(view), where), handedOutColour(0), 0));
        push(view, {report(8, -250, 250), report(5, 150, 350)});
        view.redrawScene();
        COMPARE_COLOUR(colourAt(view, picture(view), where), handedOutColour(0), 0);
        COMPARE_COLOUR(colourAt(view, picture(view), metres(view, -2.5, 2.5)), handedOutColour(2), 0);
    }

    // Frames, oldest first: A at P0 (before a gap), the gap, then P1, P2, P3 (newest). The track
    // runs back from P3 to P1 and stops at the gap: two segments. The ring wraps on the way.
    // A target missing from the frame before the newest has no track; one present in every slot
    // has 399 segments; with tracks off only the markers show.
    void tracksFollowConsecutiveFramesBack()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        view.frameIndex = 398;
        const int A = 21, other = 22;
        push(view, {report(A, -450, 550)});                          // P0, slot 398
        push(view, {report(other, 450, 150)});                       // gap, slot 399
        push(view, {report(A, -300, 450), report(other, 450, 150)}); // P1, slot 0
        push(view, {report(A, -100, 450)});                          // P2, slot 1
        push(view, {report(A, 100, 350), report(other, -150, 250)}); // P3, slot 2
        view.redrawScene();
        const TargetsItem *targets = targetsOf(view);
        QVERIFY(targets);
        QCOMPARE(targets->targets().size(), 2);
        const QPointF P0 = metres(view, -4.5, 5.5), P1 = metres(view, -3, 4.5), P2 = metres(view, -1, 4.5),
                      P3 = metres(view, 1, 3.5);
        QCOMPARE(targets->targets()[0].track, QPolygonF(QVector<QPointF>{P3, P2, P1}));
        QCOMPARE(targets->targets()[1].track.size(), 1);   // missing from slot 1

        QImage image = picture(view);
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
        QVERIFY(!lineNear((P1 + P0) / 2));   // no segment across the gap
        QVERIFY(!lineNear(P0));

        // Present in every slot of the ring: the walk stops at the oldest slot. The target moves
        // from 5.5 m left to 4.47 m right of the axis, 3.5 m out.
        for (int f = 0; f < History; ++f)
            push(view, {report(9, -550 + f * 1000 / History, 350)});
        view.redrawScene();
        QCOMPARE(targetsOf(view)->targets().size(), 1);
        QCOMPARE(targetsOf(view)->targets()[0].track.size(), History);
        const QColor nine = view.targetColours.value(9);
        auto trackAt = [&](const QImage &picture, double x) {
            return close(colourAt(view, picture, metres(view, x, 3.5)), nine, 40);
        };
        image = picture(view);
        QVERIFY(trackAt(image, -0.5) && trackAt(image, -5.3));

        view.showTrack = false;
        view.redrawScene();
        image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, metres(view, 4.47, 3.5)), nine, 0);   // newest position
        QVERIFY(!trackAt(image, -0.5));                                           // where it was
    }

    // A target is drawn only when it lies on the grid or in the left margin: not right of the
    // grid, not above the picture, not behind the radar. Positions at the ends of the 16-bit
    // range cost no colour, and a track through them stays finite.
    void targetsOffTheGridAreSkipped()
    {
        RadarView view;
        view.showTrack = true;
        showAt(view);
        for (int f = 0; f < History - 1; ++f)
            push(view, {report(20, 32767, 32767), report(21, -32768, 100), report(22, 0, -32768),
                                     report(9, f % 2 ? 32767 : -32768, f % 2 ? -32768 : 32767)});
        push(view, {report(1, 590, 350), report(2, 620, 350), report(3, -650, 350),
                                 report(4, -730, 350), report(5, 150, -10), report(6, 150, 5), report(7, 150, 700),
                                 report(8, 150, 590), report(9, 150, 250), report(20, 32767, 32767),
                                 report(21, -32768, 100), report(22, 0, -32768)});
        QElapsedTimer clock;
        clock.start();
        view.redrawScene();
        const QImage image = picture(view);
        QVERIFY(clock.elapsed() < 20000);
        QStringList drawn;
        for (const DrawnTarget &t : targetsOf(view)->targets()) {
            drawn << t.number;
            for (const QPointF &p : t.track)
                QVERIFY(std::isfinite(p.x()) && std::isfinite(p.y()));
        }
        QCOMPARE(drawn, (QStringList{"1", "3", "6", "8", "9"}));
        QCOMPARE(targetsOf(view)->targets().last().track.size(), History);   // its far-off past, untested
        COMPARE_COLOUR(colourAt(view, image, metres(view, 5.9, 3.5)), view.targetColours.value(1), 0);
        COMPARE_COLOUR(colourAt(view, image, metres(view, -6.5, 3.5)), view.targetColours.value(3), 0);
        COMPARE_COLOUR(colourAt(view, image, metres(view, 6.2, 3.5)), QColor(Qt::white), 0);
        QVERIFY(!view.targetColours.contains(20));   // never drawn, so no colour handed out
    }

    // ---- marked cells in the picture ----------------------------------------------------

    void markedCellsAreTintedAboveTargets()
    {
        RadarView view;
        showAt(view);
        push(view, {report(3, 150, 350, 2)});   // in cell (2, 7)
        view.redrawScene();
        const QPointF empty = cellCentre(view, 3, 4) + QPointF(7, -9);
        const QPointF onTarget = metres(view, 1.5, 3.5);
        const QPointF neighbour = cellCentre(view, 3, 5) + QPointF(7, -9);
        const QImage before = picture(view);

        QVERIFY(view.SuppressionGrid.setFlag(3, 4, true));
        QVERIFY(view.SuppressionGrid.setFlag(2, 7, true));
        view.nonAlarmCount = 2;
        view.redrawScene();
        const QImage image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, empty), over(view.nonAlarmFill, colourAt(view, before, empty)), 2);
        // Cells lie above the targets: the marker shows through the fill.
        COMPARE_COLOUR(colourAt(view, image, onTarget), over(view.nonAlarmFill, colourAt(view, before, onTarget)), 2);
        COMPARE_COLOUR(colourAt(view, image, neighbour), colourAt(view, before, neighbour), 0);
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
        const QImage before = picture(view);
        QVERIFY(view.SuppressionGrid.setFlag(3, 4, true));
        QVERIFY(view.SuppressionGrid.setFlag(3, 5, true));
        view.nonAlarmCount = 2;
        view.redrawScene();
        const QImage image = picture(view);
        COMPARE_COLOUR(colourAt(view, image, inMargin), colourAt(view, before, inMargin), 0);
        COMPARE_COLOUR(colourAt(view, image, nextCell), over(view.nonAlarmFill, colourAt(view, before, nextCell)), 2);
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
                    QCOMPARE(view.nonAlarmCount, 0);
                }
            }
            QCOMPARE(row, QString::fromLatin1(factoryEligibility[i]));
        }
        // An accepted cell is tinted.
        const QColor before = colourAt(view, picture(view), cellCentre(view, 5, 4) + QPointF(6, 6));
        clickCell(view, 5, 4);
        COMPARE_COLOUR(colourAt(view, picture(view), cellCentre(view, 5, 4) + QPointF(6, 6)),
                       over(view.nonAlarmFill, before), 2);
    }

    // Ten cells at most: the eleventh click changes nothing until one is cleared. A marked cell
    // that the range no longer reaches can still be cleared, but not set again.
    void tenCellsAtMost()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        for (int k = 0; k < 10; ++k)
            clickCell(view, 2, k);
        QCOMPARE(view.nonAlarmCount, 10);
        const QImage full = picture(view);
        clickCell(view, 2, 10);
        QCOMPARE(view.nonAlarmCount, 10);
        QCOMPARE(picture(view), full);
        clickCell(view, 2, 3);
        clickCell(view, 2, 10);
        QVERIFY(view.SuppressionGrid.isSet(2, 10) && !view.SuppressionGrid.isSet(2, 3));
        QCOMPARE(view.SuppressionGrid.setCount(), 10);

        view.detectionFar = 2;   // rows 0 to 3 now lie beyond the range
        view.redrawScene();
        clickCell(view, 2, 5);
        clickCell(view, 2, 5);
        QVERIFY(!view.SuppressionGrid.isSet(2, 5));
        QCOMPARE(view.nonAlarmCount, 9);
    }

    // A new cell size empties the marks and redraws the grid; texts that are no size are ignored.
    void gridEdgeTexts()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        clickCell(view, 3, 6);
        const QImage before = picture(view);
        for (const char *text : {"0", "abc", "-1", "", "0.0", "nan", "inf", "1,5"}) {
            view.setGridEdgeText(QString::fromLatin1(text));
            QCOMPARE(view.gridEdge, 1.0);
            QCOMPARE(view.nonAlarmCount, 1);
        }
        QCOMPARE(picture(view), before);
        QVERIFY(!view.setGridEdge(0));
        QVERIFY(!view.setGridEdge(std::nan("")));

        RadarView plain;
        showAt(plain);
        plain.setGridEdgeText("0.5");
        view.setGridEdgeText("0.5");
        QCOMPARE(view.geometry().columnsPerSide, 12);
        QCOMPARE(view.SuppressionGrid.setCount(), 0);
        QCOMPARE(view.nonAlarmCount, 0);
        QCOMPARE(picture(view), picture(plain));
        clickCell(view, 10, 12);
        QVERIFY(view.SuppressionGrid.isSet(10, 12));
    }

    void clicksOffTheCellsChangeNothing()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        push(view, {report(2, 150, 350)});
        view.redrawScene();
        const QImage before = picture(view);
        const ViewGeometry &g = view.geometry();
        const QVector<QPointF> offCells{
            {25, 3 * 50 + 30},                    // on the depth number "3"
            {8 * 50 + 30 + 15 + 10, 350},         // on the lateral number "2"
            {45, 200}, {675, 200}, {300, 12},     // left, right and top margins
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
    }

    // Right on the line between columns 6 and 7 of row 2, and on the corner of four cells: the
    // pointer touches several cells and takes the one drawn last, the lower and further right.
    // Between (4, 3), which may be marked, and (5, 3) below it, which may not, the click does nothing.
    void clickNearAGridLineTakesACellUnderThePointer()
    {
        RadarView view;
        view.selectMode = true;
        showAt(view);
        const ViewGeometry &g = view.geometry();
        struct Case {
            QPointF at;
            QVector<GridCell> cells;
        };
        for (const Case &c : {Case{QPointF(g.columnX(7), g.rowY(2) + 25), {{2, 7}}},
                              Case{QPointF(g.columnX(7), g.rowY(3)), {{3, 7}}},
                              Case{QPointF(g.columnX(3) + 25, g.rowY(5)), {}}}) {
            click(view, c.at);
            QCOMPARE(view.SuppressionGrid.setCells(), c.cells);
            if (!c.cells.isEmpty())
                click(view, c.at);
            QCOMPARE(view.SuppressionGrid.setCount(), 0);
        }
    }

    // With select mode off and the area crop off, the same clicks toggle detection-area cells,
    // tinted in their own fill, which wins over a non-alarm mark on the same cell. With the crop
    // on, the picture shrinks to the set cells and shows them filled as non-alarm cells over
    // the band they lie in, and clicks no longer edit them.
    void detectionAreaCells()
    {
        RadarView view;
        view.showDetectionArea = false;
        showAt(view);
        const QPointF spot = cellCentre(view, 2, 5) + QPointF(7, -9);
        const QColor plain = colourAt(view, picture(view), spot);
        clickCell(view, 2, 5);
        clickCell(view, 3, 8);
        clickCell(view, 5, 0);   // not eligible
        clickCell(view, 3, 8);
        QCOMPARE(view.DetectionAreaGrid.setCells(), (QVector<GridCell>{{2, 5}}));
        QCOMPARE(view.SuppressionGrid.setCount(), 0);
        QVERIFY(view.SuppressionGrid.setFlag(2, 5, true));
        view.nonAlarmCount = 1;
        view.redrawScene();
        COMPARE_COLOUR(colourAt(view, picture(view), spot), over(view.detectionAreaFill, plain), 2);

        view.showDetectionArea = true;
        view.redrawScene();
        const ViewGeometry &g = view.geometry();
        QCOMPARE(QRect(QPoint(g.colMin, g.rowMin), QPoint(g.colMax, g.rowMax)), QRect(QPoint(5, 2), QPoint(6, 3)));
        QCOMPARE(view.pixelsPerCell, 400.0);
        const QPointF inCell = cellCentre(view, 2, 5) + QPointF(37, -51);
        const QColor filled = colourAt(view, picture(view), inCell);
        view.SuppressionGrid.setFlag(2, 5, false);
        view.nonAlarmCount = 0;
        view.redrawScene();
        const QColor beneath = colourAt(view, picture(view), inCell);
        QCOMPARE(zoneOf(beneath), QString("warning"));
        COMPARE_COLOUR(filled, over(view.nonAlarmFill, beneath), 2);
        clickCell(view, 2, 5);
        QVERIFY(view.DetectionAreaGrid.isSet(2, 5));
        QCOMPARE(view.nonAlarmCount, 0);
    }

    // 655 m in 0.25 m cells: 13.7 million cells, each a fraction of a pixel. A click still marks
    // one cell, and that cell lies under the pointer; the zones and depth numbers still show.
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
        for (const QPointF &m : {QPointF(-100, 500), QPointF(0.3, 300.1), QPointF(50.3, 600), QPointF(120, 400),
                                 QPointF(-3.3, 20), QPointF(-127, 640)}) {
            const QPoint pointer = view.mapFromScene(metres(view, m.x(), m.y()));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointer);
            QCOMPARE(view.SuppressionGrid.setCount(), 1);
            QCOMPARE(view.nonAlarmCount, 1);
            const GridCell c = view.SuppressionGrid.setCells().first();
            const QRectF cell(g.columnX(c.column) - 0.5, g.rowY(c.row) - 0.5, g.scale + 1, g.scale + 1);
            QVERIFY2(view.viewportTransform().mapRect(cell).intersects(QRectF(pointer, QSizeF(1, 1))),
                     qPrintable(QString("cell (%1, %2) is not under the pointer").arg(c.row).arg(c.column)));
            QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointer);
            QCOMPARE(view.SuppressionGrid.setCount(), 0);
        }
        const QImage image = picture(view);
        const int step = axisLabelStep(g.columnsPerSide, g.edge);
        QCOMPARE(step, 440);
        const QVector<double> numbersAt = depthLabelY(g, step);
        for (const QPointF &p : {QPointF(40, numbersAt[0] + 45), QPointF(g.pixmapWidth - 10, numbersAt[1] + 45)})
            QCOMPARE(zoneOf(colourAt(view, image, p)), QString("detection"));
        QString why;
        const QVector<int> down = darkRuns(view, image, Qt::Vertical, 0, int(g.pixmapHeight) - 50, 2, 33);
        QVERIFY2(runsMatch(down, numbersAt, &why), qPrintable(why));
    }

    // ---- legend ----------------------------------------------------------------------

    // The four symbols beside the plot: red with a black outline, centred at (16, 16), the name
    // to the right of them.
    void legendSymbols()
    {
        const QColor red(255, 0, 0);
        QImage symbol[4];
        auto filled = [&](int kind, int x, int y) { return symbol[kind].pixelColor(x, y) == red; };
        for (int kind = 0; kind < 4; ++kind) {
            symbol[kind] = RadarView::legendPicture(kind, "X", QFont()).toImage();
            QCOMPARE(symbol[kind].size(), QSize(128, 32));
            QCOMPARE(symbol[kind].pixelColor(0, 0).alpha(), 0);
            QVERIFY(filled(kind, 16, 16) || kind == 1);
            bool named = false;
            for (int x = 40; x < 128 && !named; ++x)
                for (int y = 0; y < 32 && !named; ++y)
                    named = symbol[kind].pixelColor(x, y).alpha() > 200;
            QVERIFY(named);
        }
        // Circle of diameter 10 from (11, 11).
        QVERIFY(filled(0, 16, 12) && filled(0, 12, 16) && !filled(0, 12, 12));
        QCOMPARE(symbol[0].pixelColor(11, 16), QColor(Qt::black));
        // Square of side 4 from (14, 14): the outline on 14 and 18, red inside.
        QVERIFY(filled(1, 15, 15) && filled(1, 17, 17) && !filled(1, 16, 12));
        QCOMPARE(symbol[1].pixelColor(14, 16), QColor(Qt::black));
        QCOMPARE(symbol[1].pixelColor(19, 16).alpha(), 0);
        // Diamond of half diagonal 5, triangle of apex 5 and half base 5.
        QVERIFY(filled(2, 13, 16) && !filled(2, 13, 20) && filled(2, 16, 13));
        QVERIFY(!filled(3, 13, 16) && filled(3, 13, 20) && filled(3, 16, 13));
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
            push(view, {report(1, 150, 350), report(2, 32767, -32768)});
        showAt(view, size);
        view.redrawScene();
        const ViewGeometry &g = view.geometry();
        for (double v : {g.scale, g.stripLeft, g.stripRight, g.pixmapWidth, g.pixmapHeight, view.pixelsPerCell})
            QVERIFY(std::isfinite(v));
        const QImage image = picture(view);
        QCOMPARE(image.size(), view.viewport()->size());
        for (int x = 0; x < image.width(); x += 17)
            for (int y = 0; y < image.height(); y += 13)
                QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QCOMPARE(view.SuppressionGrid.setCount(), view.nonAlarmCount);
        QVERIFY(view.nonAlarmCount <= 10);
    }

    // A widget of no size has no scale and takes no click; grown, it shows the picture again.
    void zeroSizeWidget()
    {
        RadarView view;
        view.selectMode = true;
        push(view, {report(1, 150, 350)});
        view.resize(0, 0);
        view.redrawScene();
        QCOMPARE(view.pixelsPerCell, 0.0);
        QVERIFY(std::isfinite(view.geometry().pixmapWidth) && std::isfinite(view.sceneRect().width()));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 0));
        QCOMPARE(view.nonAlarmCount, 0);
        showAt(view);
        QCOMPARE(view.pixelsPerCell, 50.0);
        COMPARE_COLOUR(colourAt(view, picture(view), metres(view, 1.5, 3.5)), view.targetColours.value(1), 0);
    }
};

RADAR_TEST_MAIN(TestRadarView)
#include "tst_radarview.moc"
