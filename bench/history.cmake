add_executable(bench_history ${CMAKE_CURRENT_LIST_DIR}/bench_history.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_history PRIVATE radarcore)
set_target_properties(bench_history PROPERTIES AUTOUIC OFF)
