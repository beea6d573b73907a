# Parcelo's resources as an object library. Executables take its object directly with
#   target_sources(<exe> PRIVATE $<TARGET_OBJECTS:parcelo_res>)   (or list it among the sources):
# inside a static library the linker would drop the resource object, since no symbol pulls it in.
#
# The images, cursors and icons are committed output of res/tools/*.py; the build never runs
# Python. Redraw them with:
#   python3 res/tools/make_skin.py && python3 res/tools/make_cursors_icons.py

add_library(parcelo_res OBJECT ${CMAKE_CURRENT_LIST_DIR}/parcelo.rc)

# windres looks up resource.h and the files named in BITMAP/ICON/CURSOR/RT_MANIFEST lines in
# its include directories.
target_include_directories(parcelo_res PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${PARCELO_GENERATED_DIR})

# CMake's dependency scan follows #include only: the binary files must retrigger windres too.
file(GLOB _parcelo_res_files CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/images/*
  ${CMAKE_CURRENT_LIST_DIR}/*.manifest
  ${CMAKE_CURRENT_LIST_DIR}/*.h)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/parcelo.rc PROPERTIES
  OBJECT_DEPENDS "${_parcelo_res_files}")
unset(_parcelo_res_files)
