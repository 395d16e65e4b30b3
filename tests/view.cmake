# The plan view: its geometry, its picture and the editing of cells by mouse.
radar_add_test(tst_radarviewgeometry tst_radarviewgeometry.cpp)
# The plan view's program runs in two entries: the view's own cases, and the heat map's under
# the name they have always had. A new test function must be added to one of the lists.
radar_add_test(tst_radarview tst_radarview.cpp IN_PARTS)
radar_add_test_part(tst_radarview tst_radarview
  scaleFollowsTheWidget axisNumbers targetColours tracksAndTargetsOffTheGrid numbersOfCloseTargetsStandApart
  detectionAreaCells clicksMarkEligibleCells clicksTakeTheCellUnderThePointer oddScenesDrawAndTakeClicks legendSymbols)
radar_add_test_part(tst_heatmaplayer tst_radarview heatMapLiesUnderTargetsTracksAndMarkedCells heatScaleTopAndColours)
radar_add_test(tst_radarview_reference tst_radarview_reference.cpp TIMEOUT 240)
