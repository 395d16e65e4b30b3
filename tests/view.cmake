# The plan view: its geometry, its picture and the editing of cells by mouse.
radar_add_test(tst_radarviewgeometry tst_radarviewgeometry.cpp)
# The plan view's own cases and its heat-map layer.
radar_add_test(tst_radarview tst_radarview.cpp)
radar_add_test(tst_radarview_reference tst_radarview_reference.cpp TIMEOUT 240)
