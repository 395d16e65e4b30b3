# The soak run: hours of watching squeezed into minutes, judged on memory growth and the log's
# bound. One minute of it is part of the test run, as a check of those limits.
add_executable(bench_soak ${CMAKE_CURRENT_LIST_DIR}/bench_soak.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_soak PRIVATE radarcore radarsim)
set_target_properties(bench_soak PROPERTIES AUTOUIC OFF)
if(RADAR_SANITIZE)
  target_compile_definitions(bench_soak PRIVATE RADAR_SOAK_SANITIZED)
endif()
add_test(NAME bench_soak_1min COMMAND bench_soak)
set_tests_properties(bench_soak_1min PROPERTIES COST 100 TIMEOUT 240 FAIL_REGULAR_EXPRESSION "\nFAIL"
  ENVIRONMENT "BENCH_SOAK_MINUTES=1;QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=halt_on_error=1:detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
