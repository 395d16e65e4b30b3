# The scene fingerprint, the full scene file and the radar history store: pure functions and a
# database file, no window and no radar.
radar_add_test(tst_fingerprint tst_fingerprint.cpp)
radar_add_test(tst_history tst_history.cpp IN_PARTS)
# On the SQLite file; tests/historypg.cmake runs it once more on a PostgreSQL server.
radar_add_test_part(tst_history tst_history
  entriesComeBackInOrderPerRadar handEditsAreNamed foreignNewerAndLockedFilesAreLeftAlone
  aFailedWriteSaysWhyAndKeepsTheChain aVersion1FileIsBroughtUp)
