# The small tool dialogs: station number and relay sensitivity, distance measurement, CAN output.
radar_add_test(tst_dialogs tst_dialogs.cpp TIMEOUT 600)
