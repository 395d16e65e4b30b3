# Connecting, watching and sending the scene: one program, run in a part for each.
radar_add_test(tst_session tst_session.cpp IN_PARTS)
radar_add_test_part(tst_readback tst_session
  readBackFillsTheFormAndThePlot failedReadsAreRetried anUnreadIdentityIsExplained
  abandonedReadBackLeavesTheNextConnectionAlone commandsDuringTheReadBackNeverInterleave)
radar_add_test_part(tst_polling tst_session
  framesLandInTheRingAndLightTheLamps theFourHundredAndFirstFrameOverwritesSlotZero aBusyLinkOrAPauseEndsThePollChain
  saveCommitsToFlashAndEndsTheSession saveThatCannotReopenThePortSaysSoAndGoesIdle)
radar_add_test_part(tst_scenesend tst_session
  theFiveWritesGoOutInOrderByteForByte anUnansweredWriteStopsTheSequence markedCellsFollowTheRange
  sceneSurvivesARoundTripThroughTheRadar sceneFilesCarryTheSceneGroup)
set_tests_properties(tst_readback tst_polling tst_scenesend PROPERTIES TIMEOUT 400)
radar_add_test(tst_reconnect tst_reconnect.cpp TIMEOUT 300)
radar_add_test(tst_recording tst_recording.cpp TIMEOUT 300)
radar_add_test(tst_replay tst_replay.cpp TIMEOUT 300)
add_dependencies(tst_recording radar-config)
target_compile_definitions(tst_recording PRIVATE RADAR_PROGRAM="$<TARGET_FILE:radar-config>")

# The longest runs first, so that ctest -j overlaps them with everything else instead of
# leaving them to run alone at the end.
set_tests_properties(tst_scenesend tst_reconnect tst_readback PROPERTIES COST 90)
set_tests_properties(tst_recording tst_polling tst_replay PROPERTIES COST 50)
radar_add_test(tst_commissioning tst_commissioning.cpp TIMEOUT 400)
add_dependencies(tst_commissioning radar-config)
target_compile_definitions(tst_commissioning PRIVATE RADAR_PROGRAM="$<TARGET_FILE:radar-config>")
set_tests_properties(tst_commissioning PROPERTIES COST 90)
