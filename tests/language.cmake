# Language switching and the English catalogue. The catalogue check reads the .ts sources of the
# tree and runs lupdate over the code to see what the program actually asks to be translated.
radar_add_test(tst_language tst_language.cpp TIMEOUT 300)
target_compile_definitions(tst_language PRIVATE
  RADAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  RADAR_LUPDATE="$<TARGET_FILE:Qt5::lupdate>")
# The upgrade and sampling windows are checked once they are part of the library.
get_target_property(RADAR_CORE_SOURCES radarcore SOURCES)
if(RADAR_CORE_SOURCES MATCHES "dialogupdate\\.cpp" AND RADAR_CORE_SOURCES MATCHES "dialoggetdata\\.cpp")
  target_compile_definitions(tst_language PRIVATE RADAR_HAS_TOOL_WINDOWS=1)
endif()
