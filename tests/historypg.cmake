# The history on a real PostgreSQL server: scripts/pg-test-server.sh makes a throwaway cluster
# for the run (a CTest fixture: started before the tests that need it, stopped after them even
# when they fail) and tst_history runs its shared tables and the server's own cases against it.
# A server that cannot start fails the setup loudly; the SQLite tests do not depend on it, nor on
# PostgreSQL's Qt driver.
set(RADAR_PG_TEST_DIR ${CMAKE_CURRENT_BINARY_DIR}/pg-test-server)
set(RADAR_PG_TEST_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/pg-test-server.sh)

add_test(NAME pg_test_server_start COMMAND ${RADAR_PG_TEST_SCRIPT} start ${RADAR_PG_TEST_DIR})
add_test(NAME pg_test_server_stop COMMAND ${RADAR_PG_TEST_SCRIPT} stop ${RADAR_PG_TEST_DIR})
set_tests_properties(pg_test_server_start PROPERTIES FIXTURES_SETUP pg_server TIMEOUT 60)
set_tests_properties(pg_test_server_stop PROPERTIES FIXTURES_CLEANUP pg_server TIMEOUT 60)

# A second laptop, as a process of its own.
add_executable(history_writer support/historywriter.cpp)
target_link_libraries(history_writer PRIVATE radarcore)
set_target_properties(history_writer PROPERTIES AUTOUIC OFF)
add_dependencies(tst_history history_writer)

radar_add_test_part(tst_history_pg tst_history
  entriesComeBackInOrderPerRadar handEditsAreNamed twoLaptopsShareOneHistory
  entriesWaitWhileTheServerIsAwayAndArriveOnce refusalsKeepTheEntry
  ENVIRONMENT RADAR_PG_TEST_DIR=${RADAR_PG_TEST_DIR} RADAR_PG_TEST_SCRIPT=${RADAR_PG_TEST_SCRIPT})
set_tests_properties(tst_history_pg PROPERTIES FIXTURES_REQUIRED pg_server RESOURCE_LOCK pg_server)
