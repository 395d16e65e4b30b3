add_executable(bench_log ${CMAKE_CURRENT_LIST_DIR}/bench_log.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_log PRIVATE radarcore)
