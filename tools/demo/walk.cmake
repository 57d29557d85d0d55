# The walk: `demo` builds everything tools/demo/demo-run needs (the program,
# the stand-ins and the small camera and photo folders), and the walk's
# inputs sit beside it. Included from this folder's CMakeLists.txt.
facility_tool(demo-photos SOURCES ${CMAKE_CURRENT_LIST_DIR}/photos_main.cpp LIBS facility_test_support)

# The camera holds the fixture vehicle's plate (the one its number search
# knows, when it names one).
file(READ ${CMAKE_CURRENT_LIST_DIR}/fixtures/facility.json _walk_fixture)
string(REGEX MATCH "\"VehicleNumber\"[ \t\r\n]*:[ \t\r\n]*\"([^\"]*)\"" _walk_plate_match "${_walk_fixture}")
set(_walk_plate "${CMAKE_MATCH_1}")
if(_walk_plate STREQUAL "")
  set(_walk_plate "MH 12 AB 1234")
endif()

set(_walk_folders ${CMAKE_CURRENT_BINARY_DIR}/walk)
add_custom_command(
  OUTPUT ${_walk_folders}/camera/plate.jpg
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_walk_folders}/camera
  COMMAND make-plate "${_walk_plate}" ${_walk_folders}/camera/plate.jpg
  DEPENDS make-plate ${CMAKE_CURRENT_LIST_DIR}/fixtures/facility.json
  COMMENT "Demo camera: the fixture vehicle's plate")
add_custom_command(
  OUTPUT ${_walk_folders}/photos/photo-1.jpg ${_walk_folders}/photos/photo-2.jpg ${_walk_folders}/photos/photo-3.jpg
  COMMAND demo-photos ${_walk_folders}/photos 3
  DEPENDS demo-photos
  COMMENT "Demo photo library: three photos")

# Part of the default build: CTest's demo_walk runs from it.
add_custom_target(demo ALL
  DEPENDS ${_walk_folders}/camera/plate.jpg ${_walk_folders}/photos/photo-1.jpg
          ${_walk_folders}/photos/photo-2.jpg ${_walk_folders}/photos/photo-3.jpg)
add_dependencies(demo Facility demo-world demo-check)
