# The help pages go beside the program, where its Help menu opens index.html.
file(GLOB_RECURSE VELNOR_HELP CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
foreach(f ${VELNOR_HELP})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/help ${f})
  configure_file(${f} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${rel} COPYONLY)
endforeach()
