# The icon and the target logos go to sys\ beside the program.
file(GLOB_RECURSE VELNOR_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/sys/*)
foreach(f ${VELNOR_PICTURES})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/resources/sys ${f})
  configure_file(${f} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/sys/${rel} COPYONLY)
endforeach()
