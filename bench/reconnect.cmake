# A lost line twenty times over: the time from the port's return to the first poll, and memory.
add_executable(bench_reconnect ${CMAKE_CURRENT_LIST_DIR}/bench_reconnect.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_reconnect PRIVATE radarcore radarsim)
set_target_properties(bench_reconnect PROPERTIES AUTOUIC OFF)
