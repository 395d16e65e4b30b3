# The plan view: its geometry, its picture, the editing of cells by mouse and its heat-map layer.
radar_add_test(tst_radarview tst_radarview.cpp TIMEOUT 240)
radar_add_test(tst_radarview_reference tst_radarview_reference.cpp TIMEOUT 240)
