// The plan view's heat map as the operator sees it: the hot cells tinted in the right place and
// nowhere else, the targets and their tracks drawn over the tint, a marked cell's fill laid over
// it, the colour scale with its numbers beside the plot, and the plain plot back once it is off.
#include "heatmaplayer.h"
#include "radarview.h"
#include "testsupport.h"

namespace {
constexpr int History = RadarView::HistorySize;

QImage picture(RadarView &view)
{
    QCoreApplication::processEvents();
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}
QColor colourAt(const RadarView &view, const QImage &image, const QPointF &at) { return image.pixelColor(view.mapFromScene(at)); }
QPointF cellCentre(const RadarView &view, int row, int column)
{
    return QPointF(view.geometry().columnX(column), view.geometry().rowY(row)) + QPointF(1, 1) * view.geometry().scale / 2;
}

bool close(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance && qAbs(a.blue() - b.blue()) <= tolerance;
}

// Whether a point shows a translucent fill laid over what it showed before.
bool tinted(const RadarView &view, const QImage &before, const QImage &after, const QPointF &at, const QColor &fill)
{
    const QColor b = colourAt(view, before, at);
    const double a = fill.alphaF();
    auto over = [a](double f, double under) { return f * a + under * (1 - a); };
    return close(colourAt(view, after, at),
                 QColor::fromRgbF(over(fill.redF(), b.redF()), over(fill.greenF(), b.greenF()), over(fill.blueF(), b.blueF())), 2);
}

void push(RadarView &view, quint16 id, qint16 x, qint16 y)
{
    view.frameHistory[view.frameIndex] = TargetFrame{{id, TargetReport{id, quint16(x), quint16(y), 0, 0, 1}}};
    view.frameIndex = (view.frameIndex + 1) % History;
}
} // namespace

class TestHeatMapLayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installWarningGuard(); }

    void layerLiesUnderTargetsTracksAndMarkedCells()
    {
        RadarView view;
        view.showTrack = true;
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Target 1 walks right along 4.5 m, leaving a track through row 1 (4 to 5 m out).
        for (qint16 x : {-280, -230, -180, -130})
            push(view, 1, x, 450);
        view.redrawScene();
        const QImage neverHeated = picture(view);

        view.setHeatMap(radarlink::CellCounts());
        view.redrawScene();
        const QImage cold = picture(view);
        QVERIFY(view.sceneRect().contains(view.heatScale()->boundingRect()));
        QVERIFY(view.heatScale()->bar().left() >= view.geometry().pixmapWidth);

        radarlink::CellCounts counts;
        for (int column = 3; column <= 5; ++column)
            counts.add({1, column}, 40); // under the target and its track
        counts.add({1, 9}, 40);
        counts.add({3, 2}, 7);
        view.setHeatMap(counts);
        view.redrawScene();
        const QImage hot = picture(view);
        QStringList numbers;
        for (const HeatScaleItem::Number &n : view.heatScale()->numbers())
            numbers << n.text;
        QCOMPARE(numbers, (QStringList{"50", "25", "0"}));

        // The tint of each count in its own cell, and none in the cells next to them.
        QVERIFY(tinted(view, cold, hot, cellCentre(view, 1, 9), heatColour(40, 50)));
        QVERIFY(tinted(view, cold, hot, cellCentre(view, 3, 2), heatColour(7, 50)));
        for (const QPoint &cell : {QPoint(10, 1), QPoint(8, 1), QPoint(9, 0), QPoint(9, 2), QPoint(2, 2)})
            QCOMPARE(colourAt(view, hot, cellCentre(view, cell.y(), cell.x())),
                     colourAt(view, cold, cellCentre(view, cell.y(), cell.x())));

        // The marker and the track keep the target's own colour over the hot cells (the track's
        // thin line lets a little of what lies under it through).
        const QColor target = view.targetColours.value(1);
        QCOMPARE(colourAt(view, hot, view.geometry().radarPoint(-130, 450)), target);
        const QPoint track = view.mapFromScene(view.geometry().radarPoint(-155, 450));
        bool trackSeen = false;
        for (int dy = -2; dy <= 2; ++dy)
            trackSeen = trackSeen || close(hot.pixelColor(track + QPoint(0, dy)), target, 24);
        QVERIFY(trackSeen);

        // A marked cell's fill lies over the tint.
        QVERIFY(view.SuppressionGrid.setFlag(1, 9, true));
        view.nonAlarmCount = 1;
        view.redrawScene();
        QVERIFY(tinted(view, hot, picture(view), cellCentre(view, 1, 9), view.nonAlarmFill));

        // Off again: the plot as it was before the heat map, without its scale.
        QVERIFY(view.SuppressionGrid.setFlag(1, 9, false));
        view.nonAlarmCount = 0;
        view.clearHeatMap();
        view.redrawScene();
        QVERIFY(view.heatScale() == nullptr);
        QCOMPARE(picture(view), neverHeated);
    }

    // The scale's top is the next 1, 2 or 5 times a power of ten, so live counts do not make it
    // jump every frame; the colours run from pale to deep.
    void scaleTopAndColours()
    {
        for (const auto &c : {std::make_pair(0u, 1u), {2u, 2u}, {3u, 5u}, {50u, 50u}, {51u, 100u}, {4000000000u, 4294967295u}})
            QVERIFY2(heatScaleTop(c.first) == c.second, qPrintable(QString::number(c.first)));
        QVERIFY(heatColour(1, 100).lightness() > heatColour(50, 100).lightness()
                && heatColour(50, 100).lightness() > heatColour(100, 100).lightness());
        QCOMPARE(heatColour(500, 100), heatColour(100, 100));
    }
};

RADAR_TEST_MAIN(TestHeatMapLayer)
#include "tst_heatmaplayer.moc"
