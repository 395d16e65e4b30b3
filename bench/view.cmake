add_executable(bench_radarview ${CMAKE_CURRENT_LIST_DIR}/bench_radarview.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_radarview PRIVATE radarcore)
