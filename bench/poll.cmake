add_executable(bench_poll ${CMAKE_CURRENT_LIST_DIR}/bench_poll.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_poll PRIVATE radarcore radarsim)
set_target_properties(bench_poll PROPERTIES AUTOUIC OFF)
