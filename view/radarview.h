// The plan view of the radar's scene: zones, a metric grid with axis numbers, the targets of the
// newest detection frame with their tracks, and the cells the operator marks. It never talks to
// the radar; the main window copies the scene into it and calls redrawScene().
#pragma once

#include "cellgrid.h"
#include "targetframe.h"
#include "unsentlayer.h"
#include "viewgeometry.h"

#include <QColor>
#include <QGraphicsView>
#include <QMap>
#include <QPixmap>
#include <QRandomGenerator>
#include <QVector>

#include <memory>

class QGraphicsPixmapItem;
class GridItem;
class TargetsItem;
class AxesItem;
class HeatMapItem;
class HeatScaleItem;
class CellOutlineItem;
struct DrawnTarget;
class UnsentSceneItem;


class RadarView : public QGraphicsView
{
    Q_OBJECT

public:
    static constexpr int HistorySize = 400;

    explicit RadarView(QWidget *parent = nullptr);
    ~RadarView() override;

    // Rebuilds the picture from the members below. Only what changed is built again: a new
    // frame replaces the targets, a changed scene or size rebuilds zones, axes and grid.
    void redrawScene();

    // Sets the cell edge from the grid combo box's text; a text that is not a positive number
    // is ignored. Any accepted text empties both cell maps.
    void setGridEdgeText(const QString &text);
    bool setGridEdge(double edge);

    // Centre point, in centimetres, that the radar is told for a cell, and the cell of a point.
    QPoint cellToRadarPoint(int row, int column) const;
    GridCell radarPointToCell(int x, int y) const;

    // Grid size for the current extents and edge (N columns a side, M rows).
    int columnsPerSide() const;
    int rowCount() const;
    // The same grid as the trip analysis counts in.
    radarlink::SceneGrid sceneGrid() const;

    // The geometry of the last rebuild.
    const ViewGeometry &geometry() const { return lastGeometry; }
    // The drawn cell under a viewport position, as a click would find it.
    bool cellAt(const QPoint &viewportPos, GridCell *cell) const;

    // Everything the plot shows, to be put back as it was after a replay.
    struct Snapshot {
        QVector<double> scene;
        CellGrid suppression;
        CellGrid detectionArea;
        int nonAlarmCount = 0;
        bool selectMode = false;
        bool shapeByType = true;
        QVector<TargetFrame> history;
        int frameIndex = 0;
        QMap<quint16, QColor> colours;
        QRandomGenerator colourGenerator;
    };
    Snapshot snapshot() const;
    // Puts the snapshot back and redraws.
    void restore(const Snapshot &saved);
    // Starts the colour sequence afresh and gives the ids their colours in this order, as a
    // plot that saw them appear in this order from its start would have.
    void assignColours(const QVector<quint16> &idsInOrder);
    // Empties the frame history.
    void clearHistory();
    // While the line is lost and the tool waits for the port, the plot says so over a greyed
    // picture: the last targets stay in sight but no longer look live. Empty: live again.
    void setWaitingText(const QString &text);
    QString waitingText() const { return waiting; }

    // The heat map: counts per cell of the grid drawn (the cells of sceneGrid()), tinted under
    // the targets, their tracks and the marked cells, with a colour scale right of the plot.
    // scaleTop is the count the scale ends at; 0 rounds the highest count up to 1, 2 or 5 times
    // a power of ten. Off until set; like every other member it shows at the next
    // redrawScene(), which then rebuilds only this layer and the targets unless the heat map was
    // just switched on or off.
    void setHeatMap(const radarlink::CellCounts &counts, quint32 scaleTop = 0);
    void clearHeatMap();
    // The counts last given to setHeatMap, empty while it is off.
    const radarlink::CellCounts &heatMap() const { return heatCounts; }
    // The colour scale of the last redraw, null while the heat map is off.
    const HeatScaleItem *heatScale() const { return heatScaleItem; }

    // Cells of sceneGrid() framed on the plot (the cells where something stood), above the heat
    // map and under the targets; none until set. Shown at the next redrawScene().
    void setOutlinedCells(const QVector<GridCell> &cells);
    const QVector<GridCell> &outlinedCells() const { return outlined; }
    // The form's scene where it differs from the radar's, as dashed outlines over the plot; like
    // every other member it shows at the next redrawScene(). Empty: no outlines.
    void setUnsentScene(const UnsentScene &scene);
    // The outlines of the last redraw, null when there are none.
    const UnsentSceneItem *unsentOutlines() const { return unsentItem; }

    // The legend symbol for kind 0 (pedestrian), 1 (vehicle), 2 (static) or 3 (moving target).
    static QPixmap legendPicture(int kind, const QString &name, const QFont &font);

    // Scene parameters, metres and degrees.
    double detectionFar = 6.0;
    double detectionNear = 0.0;
    double warningFar = 4.0;
    double alarmFar = 2.0;
    double lateralExtent = 6.0;
    double depthExtent = 6.0;
    double detectionAngle = 120.0;
    double leftBoundary = -128.0;
    double rightBoundary = 128.0;
    double gridEdge = 1.0;

    bool selectMode = false;
    bool showTrack = false;
    bool showDetectionArea = true;
    bool shapeByType = true;
    // Always the number of set non-alarm cells, at most 10.
    int nonAlarmCount = 0;
    static constexpr int MaxNonAlarmCells = 10;

    const int labelSize = 30;
    const int zonePenWidth = 1;
    const int trackPenWidth = 1;
    const double tickDotSize = 3.0;
    const double circleRadius = 5.0;
    const double squareHalfSide = 4.0;
    const double diamondHalfSize = 5.0;
    const double triangleApex = 5.0;
    double pixelsPerCell = 100.0;

    QColor backgroundColour{255, 255, 255};
    QColor detectionOutline{57, 120, 166};
    QColor detectionColour{104, 199, 242, 90};
    QColor detectionInner{255, 255, 255, 95};
    QColor warningOutline{57, 120, 166};
    QColor warningColour{247, 241, 130, 90};
    QColor warningInner{255, 255, 255, 95};
    QColor alarmOutline{57, 120, 166};
    QColor alarmColour{246, 187, 176, 90};
    QColor alarmInner{255, 255, 255, 95};
    QColor blindColour{255, 255, 255};
    QColor blindInner{255, 255, 255};
    QColor gridColour{151, 212, 227};
    QColor nonAlarmFill{146, 163, 202, 75};
    QColor detectionAreaFill{0, 25, 82, 75};
    QColor targetLabelColour{63, 82, 128};
    QColor markerOutline{57, 120, 166};
    QColor tickFill{246, 174, 69};
    QColor axisLabelColour{0, 0, 0};
    QColor cellOutlineColour{120, 0, 150};
    QColor unsentOutline{200, 0, 120};

    QVector<TargetFrame> frameHistory{HistorySize};
    int frameIndex = 0;
    QMap<quint16, QColor> targetColours;

    CellGrid SuppressionGrid;
    CellGrid DetectionAreaGrid;

signals:
    // The operator marked or cleared a non-alarm cell on the plot.
    void cellsEdited();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QVector<double> staticInputs() const;
    void rebuildStaticLayers();
    void rebuildTargets();
    void rebuildHeatMap();
    void rebuildOutlines();
    void rebuildUnsent();
    QFont heatScaleFont() const;
    void paintZones(QPainter &painter, const ViewGeometry &g) const;
    void addAxes(const ViewGeometry &g);
    QColor colourFor(quint16 id);
    // Every slot's targets as drawn points, ascending id, kept while the slot and the geometry stay.
    struct TrackPoints;
    const TrackPoints &trackPointsOf(int slot);
    void appendTracks(QVector<DrawnTarget> &drawn, const QVector<quint16> &ids, int newest);

    QGraphicsScene *graphicsScene;
    QPixmap zonesPixmap;
    QGraphicsPixmapItem *pixmapItem = nullptr;
    AxesItem *axesItem = nullptr;
    TargetsItem *targetsItem = nullptr;
    GridItem *gridItem = nullptr;
    HeatMapItem *heatItem = nullptr;
    HeatScaleItem *heatScaleItem = nullptr;
    CellOutlineItem *outlineItem = nullptr;
    QVector<GridCell> outlined;
    bool outlinesChanged = false;
    UnsentSceneItem *unsentItem = nullptr;
    UnsentScene unsent;
    bool unsentChanged = false;
    bool heatMapOn = false;
    bool heatMapChanged = false;
    radarlink::CellCounts heatCounts;
    quint32 heatTop = 0; // as given to setHeatMap
    QRandomGenerator colourGenerator{1u};
    ViewGeometry lastGeometry;
    quint64 geometryRevision = 0;
    std::unique_ptr<QVector<TrackPoints>> trackPoints;
    QVector<double> lastInputs;
    QString waiting;
};
