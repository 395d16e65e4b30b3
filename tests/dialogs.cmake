# The small tool dialogs: distance measurement, CAN output, station number and relay sensitivity.
radar_add_test(tst_dialog_distance tst_dialog_distance.cpp TIMEOUT 180)
radar_add_test(tst_dialog_can tst_dialog_can.cpp TIMEOUT 180)
radar_add_test(tst_dialog_station tst_dialog_station.cpp TIMEOUT 240)
