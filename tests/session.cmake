radar_add_test(tst_readback tst_readback.cpp TIMEOUT 400)
radar_add_test(tst_polling tst_polling.cpp TIMEOUT 400)
radar_add_test(tst_scenesend tst_scenesend.cpp TIMEOUT 400)
radar_add_test(tst_reconnect tst_reconnect.cpp TIMEOUT 300)
