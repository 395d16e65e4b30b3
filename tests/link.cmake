radar_add_test(tst_frames tst_frames.cpp)
radar_add_test(tst_transaction tst_transaction.cpp TIMEOUT 240)
radar_add_test(tst_replies tst_replies.cpp)
radar_add_test(tst_scenedata tst_scenedata.cpp)
