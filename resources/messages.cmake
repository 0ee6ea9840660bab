# Builds the message database sys\msg beside the program (and the test programs) from resources/messages.tsv.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VELNOR_MSG_PASSWORD "qzkwvt" CACHE STRING "Password that the program gives to open sys\\msg")
set(VELNOR_MSG_DB ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/sys/msg)
add_custom_command(OUTPUT ${VELNOR_MSG_DB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/sys
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/messages.py ${CMAKE_CURRENT_LIST_DIR}/messages.tsv
          ${VELNOR_MSG_DB} ${VELNOR_MSG_PASSWORD}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/messages.py ${CMAKE_CURRENT_LIST_DIR}/messages.tsv
  COMMENT "Building the message database sys/msg"
  VERBATIM)
add_custom_target(velnor_messages ALL DEPENDS ${VELNOR_MSG_DB})
add_dependencies(velnor velnor_messages)
