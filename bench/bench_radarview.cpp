// Cost of the plan view from a new detection frame until the view has been painted, against a
// reference that clears the scene and re-creates every item for every frame: the pixmap of the
// zones, a text and a dot per axis number, a text, a marker and a path per target, and one
// rectangle per grid cell. The detection-result poll runs every 50 ms, so a picture that takes
// longer than that to update leaves the operator with a frozen tool.
//
// The naive rebuild is a yardstick of cost only. It borrows the view's geometry and leaves out
// the marks that keep the plot readable (tracks cut at the grid's edge, numbers beside their
// markers), so the share of pixels printed for it says nothing about whether the view draws
// the right picture; tst_radarview_reference checks that against a plot with its own geometry.
//
// Scenes: default (6 m, 1 m cells, 10 targets with tracks), crowded (the same with 50 targets
// within 2 m of the radar, whose numbers must be placed apart), large (30 m, 0.25 m cells, 255
// targets each with a full 399-frame track: 100,000 track points, where the new frame must beat
// the naive rebuild twenty times over) per frame and with the geometry changing every time, and
// extreme (655 m, 0.25 m cells: 13.7 million cells, where the reference is not run
// at all since it would need one item per cell).
//
// The heat map layer: a new frame's cost with the layer on, its counts grown by that frame as
// the live plot grows them, against the same frames with the layer off; default and large
// scenes, the counts warmed by a long walk first so that many cells are tinted.
#include "benchsupport.h"
#include "radarview.h"
#include "tripanalysis.h"

#include <QApplication>
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

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int History = RadarView::HistorySize;

// The scene inputs shared by both views.
struct SceneSetup {
    double extent = 6.0;
    double edge = 1.0;
    int targets = 10;
};

// Targets wander in front of the radar; the walk is the same in every run.
class TargetWalk
{
public:
    TargetWalk(int count, double extentM) : extentCm(extentM * 100), rng(7u)
    {
        for (int i = 0; i < count; ++i)
            positions.append(QPointF(uniform(-0.9, 0.9) * extentCm, uniform(0.05, 0.95) * extentCm));
    }

    TargetFrame next()
    {
        TargetFrame frame;
        for (int i = 0; i < positions.size(); ++i) {
            QPointF &p = positions[i];
            const double stepCm = extentCm / 300;
            p.setX(std::clamp(p.x() + uniform(-1, 1) * stepCm, -0.95 * extentCm, 0.95 * extentCm));
            p.setY(std::clamp(p.y() + uniform(-1, 1) * stepCm, 0.02 * extentCm, 0.98 * extentCm));
            const quint16 id = quint16(i + 1);
            frame.insert(id, TargetReport{id, quint16(qint16(std::lround(p.x()))),
                                          quint16(qint16(std::lround(p.y()))), 0, 0, quint16(1 + i % 4)});
        }
        return frame;
    }

private:
    double uniform(double low, double high) { return low + (high - low) * rng.generateDouble(); }

    double extentCm;
    QRandomGenerator rng;
    QVector<QPointF> positions;
};

// The literal rebuild: everything is deleted and created again, one item per part.
class ReferenceView : public QGraphicsView
{
public:
    ReferenceView()
    {
        graphicsScene.setBackgroundBrush(QBrush(QColor(255, 255, 255), Qt::SolidPattern));
        setScene(&graphicsScene);
    }

    void rebuild()
    {
        graphicsScene.clear();
        const SceneExtents extents{lateralExtent, depthExtent, leftBoundary, rightBoundary, gridEdge};
        const ViewGeometry g = computeGeometry(extents, nullptr, width(), height(), m);
        const double R = g.scale, PW = g.pixmapWidth, PH = g.pixmapHeight;
        const int N = g.columnsPerSide, M = g.rows;

        zones = QPixmap(int(PW), int(PH));
        zones.fill(QColor(255, 255, 255));
        QPainter painter(&zones);
        painter.setRenderHint(QPainter::Antialiasing, true);
        paintZones(painter, g);
        QGraphicsPixmapItem *pixmapItem = graphicsScene.addPixmap(zones);
        pixmapItem->setShapeMode(QGraphicsPixmapItem::BoundingRectShape);

        QFont font;
        font.setPixelSize(m);
        const int step = axisLabelStep(N, gridEdge);
        const double d = 3.0;
        auto addLabel = [&](const QString &text, double x, double y, const QRectF &tick) {
            if (x < 0 || x >= PW || y < 0 || y >= PH)
                return;
            QGraphicsTextItem *label = graphicsScene.addText(text, font);
            label->setDefaultTextColor(QColor(0, 0, 0));
            label->setPos(x, y);
            graphicsScene.addEllipse(tick, QPen(QColor("black")), QBrush(QColor(246, 174, 69)));
        };
        for (int i = 0; i <= 2 * N; ++i) {
            if (N > 9 && step > 1 && (i - N) % step != 0)
                continue;
            addLabel(QString("%1").arg((i - N) * gridEdge), i * R + m - g.stripLeft * R + (i >= N ? m / 2 : 0),
                     PH - 2 * m, QRectF(g.columnX(i) - d / 2, PH - 2 * m - d / 2, d, d));
        }
        for (int i = 0; i <= M; ++i) {
            if (M > 9 && step > 1 && i % step != 0)
                continue;
            addLabel(QString("%1").arg((M - i) * gridEdge), m / 2, i * R + m / 2 - g.rowMin * R,
                     QRectF(2 * m - d / 2, i * R + m - d / 2 - g.rowMin * R, d, d));
        }

        addTargets(g, font);

        cellItems.clear();
        const QPen gridPen(QColor(151, 212, 227), 1);
        for (int i = 0; i < M; ++i) {
            QVector<QGraphicsRectItem *> row;
            for (int k = 0; k < 2 * N; ++k) {
                const double x = g.columnX(k), y = g.rowY(i);
                if (x < 0 || x >= PW - m || y < 0 || y >= PH - 2 * m) {
                    row.append(nullptr);
                    continue;
                }
                QPen pen = gridPen;
                QBrush brush(QColor(0, 0, 0, 0), Qt::SolidPattern);
                if (x < 2 * m) {
                    pen.setColor(QColor(0, 0, 0, 0));
                    brush.setColor(QColor(0, 0, 0, 0));
                }
                row.append(graphicsScene.addRect(x, y, R, R, pen, brush));
            }
            cellItems.append(row);
        }

        setSceneRect(0, 0, zones.width(), zones.height());
        fitInView(pixmapItem, Qt::KeepAspectRatio);
    }

    double lateralExtent = 6, depthExtent = 6, leftBoundary = -128, rightBoundary = 128, gridEdge = 1;
    double detectionFar = 6, warningFar = 4, alarmFar = 2, detectionAngle = 120;
    bool showTrack = true;
    QVector<TargetFrame> frameHistory{History};
    int frameIndex = 0;

private:
    void paintZones(QPainter &painter, const ViewGeometry &g)
    {
        const double R = g.scale;
        const int N = g.columnsPerSide, M = g.rows;
        const double cx = N * R + 2 * m - g.stripLeft * R, cy = M * R + m - g.rowMin * R;
        const QColor outline(57, 120, 166), inner(255, 255, 255, 95);
        struct Zone {
            double radius, firstStop;
            QColor outer;
        };
        const Zone all[] = {{detectionFar, warningFar / detectionFar, QColor(104, 199, 242, 90)},
                            {warningFar, alarmFar / warningFar, QColor(247, 241, 130, 90)},
                            {alarmFar, 0, QColor(246, 187, 176, 90)}};
        for (const Zone &zone : all) {
            const double rho = zone.radius / gridEdge;
            painter.setPen(QPen(outline, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            QRadialGradient gradient(cx, cy, rho * R);
            gradient.setColorAt(zone.firstStop, inner);
            gradient.setColorAt(1, zone.outer);
            painter.setBrush(gradient);
            painter.drawPie(QRect(int((N - rho) * R + 2 * m - g.stripLeft * R), int((M - rho) * R + m - g.rowMin * R),
                                  int(2 * rho * R), int(2 * rho * R)),
                            int((180 - detectionAngle) * 8), int(16 * detectionAngle));
        }
    }

    void addTargets(const ViewGeometry &g, const QFont &font)
    {
        const int newest = (frameIndex + History - 1) % History;
        auto position = [&g](const TargetReport &r) { return g.radarPoint(qint16(r.value(1)), qint16(r.value(2))); };
        const TargetFrame &frame = frameHistory.at(newest);
        const QPen outline(QColor(57, 120, 166), 1);
        for (auto it = frame.cbegin(); it != frame.cend(); ++it) {
            const QPointF p = position(it.value());
            if (p.x() < 0 || p.x() >= g.pixmapWidth - m || p.y() < 0 || p.y() >= g.pixmapHeight - 2 * m)
                continue;
            QGraphicsTextItem *number = graphicsScene.addText(QString("%1").arg(it.key()), font);
            number->setDefaultTextColor(QColor(63, 82, 128));
            number->setPos(p);
            auto colour = colours.constFind(it.key());
            if (colour == colours.cend()) {
                const int v = int(colourGenerator.bounded(255u));
                colour = colours.insert(it.key(), QColor(255, v, 255 - v));
            }
            const QBrush fill(colour.value(), Qt::SolidPattern);
            switch (it.value().value(5)) {
            case 2:
                graphicsScene.addRect(p.x() - 4, p.y() - 4, 8, 8, outline, fill);
                break;
            case 3:
                graphicsScene.addPolygon(QPolygonF({p + QPointF(-5, 0), p + QPointF(0, 5), p + QPointF(5, 0),
                                                    p + QPointF(0, -5)}),
                                         outline, fill);
                break;
            case 4:
                graphicsScene.addPolygon(QPolygonF({p + QPointF(0, -5), p + QPointF(-5, 5), p + QPointF(5, 5)}),
                                         outline, fill);
                break;
            default:
                graphicsScene.addEllipse(p.x() - 5, p.y() - 5, 10, 10, outline, fill);
                break;
            }
            if (!showTrack)
                continue;
            QPainterPath track(p);
            for (int k = newest;;) {
                k = (k + History - 1) % History;
                const auto entry = frameHistory.at(k).constFind(it.key());
                if (entry == frameHistory.at(k).cend())
                    break;
                track.lineTo(position(entry.value()));
                if (k == frameIndex)
                    break;
            }
            graphicsScene.addPath(track, QPen(colour.value(), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        }
    }

    const int m = 30;
    QGraphicsScene graphicsScene;
    QPixmap zones;
    QVector<QVector<QGraphicsRectItem *>> cellItems;
    QMap<quint16, QColor> colours;
    QRandomGenerator colourGenerator{1u};
};

template <typename View>
void setScene(View &view, const SceneSetup &s)
{
    view.lateralExtent = view.depthExtent = view.detectionFar = s.extent;
    view.warningFar = s.extent * 2 / 3;
    view.alarmFar = s.extent / 3;
    view.gridEdge = s.edge;
    view.showTrack = true;
}

template <typename View>
void pushFrame(View &view, const TargetFrame &frame)
{
    view.frameHistory[view.frameIndex] = frame;
    view.frameIndex = (view.frameIndex + 1) % History;
}

// Counts the paint events a viewport receives, to make sure every timed update really painted.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One timed update: the rebuild, one synchronous paint of the whole viewport, and whatever the
// event loop still has to do for it (the scene's queued bookkeeping). Both views are set to leave
// their viewport alone when the scene changes (see showSized), so each update paints exactly once.
template <typename View>
void updateAndPaint(View &view, const std::function<void()> &rebuild)
{
    rebuild();
    view.viewport()->repaint();
    QCoreApplication::processEvents();
}

struct Timing {
    double ms = 0;
    double paintsPerUpdate = 0;
};

template <typename View>
Timing timeUpdates(View &view, int repeats, const std::function<void(int)> &change,
                   const std::function<void()> &rebuild)
{
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    // One untimed round so that caches and fonts are warm for both views alike.
    change(-1);
    updateAndPaint(view, rebuild);
    counter.paints = 0;
    const double us = meanMicroseconds(repeats, [&](int i) {
        change(i);
        updateAndPaint(view, rebuild);
    });
    view.viewport()->removeEventFilter(&counter);
    return {us / 1000.0, double(counter.paints) / repeats};
}

void showSized(QGraphicsView &view)
{
    view.setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
    view.resize(600, 400);
    view.show();
    QCoreApplication::processEvents();
}

// Share of viewport pixels where the two pictures differ visibly: a large share would mean the
// naive rebuild draws far more or less than the view, and its cost no fair yardstick.
double differingPixels(QGraphicsView &a, QGraphicsView &b)
{
    const QImage x = a.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage y = b.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 1.0;
    long differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            if (std::abs(qRed(p) - qRed(q)) > 24 || std::abs(qGreen(p) - qGreen(q)) > 24 ||
                std::abs(qBlue(p) - qBlue(q)) > 24)
                ++differing;
        }
    return double(differing) / (x.width() * x.height());
}

const char *verdict(bool ok)
{
    return ok ? "ok" : "MISSED";
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    bool allMet = true;

    struct Pair {
        RadarView view;
        ReferenceView reference;
    };

    // Fills both histories with the same 400 frames, so every target has a full track.
    auto prepare = [](Pair &p, const SceneSetup &s, TargetWalk &walk) {
        setScene(p.view, s);
        setScene(p.reference, s);
        for (int f = 0; f < History; ++f) {
            const TargetFrame frame = walk.next();
            pushFrame(p.view, frame);
            pushFrame(p.reference, frame);
        }
        showSized(p.view);
        showSized(p.reference);
    };

    // Per-frame updates of one scene; returns {view ms, reference ms}.
    auto perFrame = [](Pair &p, TargetWalk &walk, int repeats) {
        QVector<TargetFrame> frames;
        for (int i = 0; i < repeats + 1; ++i)
            frames.append(walk.next());
        int n = 0;
        const Timing fast = timeUpdates(
            p.view, repeats, [&](int) { pushFrame(p.view, frames[n++ % frames.size()]); },
            [&] { p.view.redrawScene(); });
        n = 0;
        const Timing naive = timeUpdates(
            p.reference, repeats, [&](int) { pushFrame(p.reference, frames[n++ % frames.size()]); },
            [&] { p.reference.rebuild(); });
        return std::make_pair(fast, naive);
    };

    // Updates with the shown strip changing every time, so nothing of the last picture is kept.
    auto fullRebuild = [](Pair &p, int repeats) {
        auto toggle = [](double &left, int i) { left = (i % 2) ? -128.0 : -20.0; };
        const Timing fast = timeUpdates(
            p.view, repeats, [&](int i) { toggle(p.view.leftBoundary, i); }, [&] { p.view.redrawScene(); });
        const Timing naive = timeUpdates(
            p.reference, repeats, [&](int i) { toggle(p.reference.leftBoundary, i); },
            [&] { p.reference.rebuild(); });
        return std::make_pair(fast, naive);
    };

    auto report = [&allMet](const char *what, const Timing &fast, const Timing &naive, double needed,
                            const char *rule) {
        const double ratio = naive.ms / fast.ms;
        const bool ok = ratio >= needed;
        allMet = allMet && ok;
        std::printf("%s: %.2f ms vs naive %.2f ms (%.1fx; %s) -> %s   [paints per update %.1f / %.1f]\n", what,
                    fast.ms, naive.ms, ratio, rule, verdict(ok), fast.paintsPerUpdate, naive.paintsPerUpdate);
    };

    // The extreme scene runs first, so that the peak memory it reports is its own and not that of
    // the reference's 28,800 items of the large scene.
    Timing extremeFrame, extremeRebuild;
    double extremeCells = 0, extremeBefore = 0, extremePeak = 0;
    {
        RadarView view;
        const SceneSetup s{655.0, 0.25, 255};
        TargetWalk walk(s.targets, s.extent);
        setScene(view, s);
        for (int f = 0; f < History; ++f)
            pushFrame(view, walk.next());
        extremeBefore = peakMemoryMiB();
        showSized(view);
        extremeFrame = timeUpdates(
            view, 20, [&](int) { pushFrame(view, walk.next()); }, [&] { view.redrawScene(); });
        extremeRebuild = timeUpdates(
            view, 10, [&](int i) { view.leftBoundary = (i % 2) ? -655.0 : -300.0; }, [&] { view.redrawScene(); });
        const ViewGeometry &g = view.geometry();
        extremeCells = 2.0 * g.columnsPerSide * g.rows;
        extremePeak = peakMemoryMiB();
    }

    double largeNaiveMs = 0;
    {
        Pair p;
        const SceneSetup s{6.0, 1.0, 10};
        TargetWalk walk(s.targets, s.extent);
        prepare(p, s, walk);
        const auto t = perFrame(p, walk, 300);
        std::printf("default scene: the naive rebuild's picture differs visibly from the view's in %.2f%% of the pixels\n",
                    100 * differingPixels(p.view, p.reference));
        report("default scene (6 m, 1 m cells, 10 targets, tracks on): new frame", t.first, t.second, 5.0,
               "needs >= 5x");
    }
    {
        // Fifty targets within 2 m of the radar: most numbers must find a place of their own.
        Pair p;
        const SceneSetup s{6.0, 1.0, 50};
        TargetWalk walk(s.targets, 2.0);
        prepare(p, s, walk);
        const auto t = perFrame(p, walk, 300);
        report("crowded scene (6 m, 1 m cells, 50 targets within 2 m, tracks on): new frame", t.first, t.second, 5.0,
               "needs >= 5x");
    }
    {
        Pair p;
        const SceneSetup s{30.0, 0.25, 255};
        TargetWalk walk(s.targets, s.extent);
        prepare(p, s, walk);
        const auto t = perFrame(p, walk, 30);
        std::printf("large scene: the naive rebuild's picture differs visibly from the view's in %.2f%% of the pixels\n",
                    100 * differingPixels(p.view, p.reference));
        report("large scene (30 m, 0.25 m cells = 28,800 cells, 255 targets x 399-segment tracks): new frame",
               t.first, t.second, 20.0, "needs >= 20x");
        const auto r = fullRebuild(p, 20);
        report("large scene: full rebuild (strip changes every time)", r.first, r.second, 1.0,
               "needs >= 1x");
        largeNaiveMs = std::min(t.second.ms, r.second.ms);
    }

    const bool extremeOk = extremeRebuild.ms <= largeNaiveMs && extremeFrame.ms <= largeNaiveMs;
    allMet = allMet && extremeOk;
    std::printf("extreme scene (655 m, 0.25 m cells = %.1f million cells, 255 targets): new frame %.2f ms, "
                "full rebuild %.2f ms vs large naive %.2f ms (needs <=) -> %s   [paints per update %.1f]\n",
                extremeCells / 1e6, extremeFrame.ms, extremeRebuild.ms, largeNaiveMs, verdict(extremeOk),
                extremeRebuild.paintsPerUpdate);
    std::printf("extreme scene memory: peak resident %.1f MiB (%.1f MiB before the view was first drawn; the "
                "reference is not run here, it would need one item per cell)\n",
                extremePeak, extremeBefore);
    // The heat map: the same frames with the layer off and on, taken in turns so that a busy
    // machine slows both alike.
    for (const auto &heat : {std::make_pair(SceneSetup{6.0, 1.0, 10}, 300), std::make_pair(SceneSetup{30.0, 0.25, 255}, 30)}) {
        const SceneSetup &s = heat.first;
        const int repeats = heat.second;
        RadarView view;
        TargetWalk walk(s.targets, s.extent);
        setScene(view, s);
        trip::FrameClassifier classifier;
        trip::HeatCounter counter(view.sceneGrid());
        auto count = [&](const TargetFrame &frame) {
            counter.add(classifier.next(0, frame, radarlink::zoneMembers(frame, view.alarmFar, view.warningFar,
                                                                          view.detectionFar)));
        };
        for (int f = 0; f < 20 * History; ++f) {
            const TargetFrame frame = walk.next();
            count(frame);
            pushFrame(view, frame);
        }
        showSized(view);
        Timing off, on;
        for (int round = 0; round < 5; ++round) {
            view.clearHeatMap();
            const Timing o = timeUpdates(
                view, repeats / 5, [&](int) { pushFrame(view, walk.next()); }, [&] { view.redrawScene(); });
            view.setHeatMap(counter.counts());
            const Timing h = timeUpdates(
                view, repeats / 5,
                [&](int) {
                    const TargetFrame frame = walk.next();
                    count(frame);
                    pushFrame(view, frame);
                    view.setHeatMap(counter.counts());
                },
                [&] { view.redrawScene(); });
            off.ms += o.ms / 5;
            on.ms += h.ms / 5;
            off.paintsPerUpdate += o.paintsPerUpdate / 5;
            on.paintsPerUpdate += h.paintsPerUpdate / 5;
        }
        const double ratio = on.ms / off.ms;
        const bool ok = ratio <= 1.2;
        allMet = allMet && ok;
        std::printf("%s scene (%g m, %g m cells, %d targets, tracks on), heat map of %d cells counted live: new frame "
                    "%.2f ms with the layer vs %.2f ms without (%.2fx; needs <= 1.2x) -> %s   [paints per update %.1f / %.1f]\n",
                    s.targets > 10 ? "large" : "default", s.extent, s.edge, s.targets, counter.counts().size(), on.ms,
                    off.ms, ratio, verdict(ok), on.paintsPerUpdate, off.paintsPerUpdate);
    }
    std::printf("radar view targets: %s\n", allMet ? "all met" : "SOME MISSED");
    return allMet ? 0 : 1;
}
