# dap_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# Builds a QtTest executable and registers it with ctest on the offscreen platform.
function(dap_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  # Lets integration tests start the simulator that this build produced.
  target_compile_definitions(${name} PRIVATE DAP_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
                                             DAP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    TIMEOUT 300)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
