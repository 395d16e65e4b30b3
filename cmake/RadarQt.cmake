# The Qt major version every target builds with: 5 (the default) or 6, chosen at configure time
# with -DRADAR_QT=6. Targets link Qt${RADAR_QT}::<Module>; radar_find_qt finds the modules asked for.
set(RADAR_QT 5 CACHE STRING "Qt major version to build with (5 or 6)")
set_property(CACHE RADAR_QT PROPERTY STRINGS 5 6)
if(NOT RADAR_QT MATCHES "^[56]$")
  message(FATAL_ERROR "RADAR_QT must be 5 or 6, not '${RADAR_QT}'")
endif()

macro(radar_find_qt)
  if(RADAR_QT EQUAL 6)
    find_package(Qt6 6.2 REQUIRED COMPONENTS ${ARGN})
  else()
    find_package(Qt5 5.14 REQUIRED COMPONENTS ${ARGN})
  endif()
endmacro()
