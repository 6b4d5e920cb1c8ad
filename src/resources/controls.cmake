# Control images of the fader and the knobs, drawn at build time by controlimages.cpp and
# compiled into the target given as DAP_CONTROLS_TARGET under the prefix /resource
# (":/resource/Fader_Q2", ":/resource/KnobBase", ...). A static library carries the
# resources as an object library, so every program linking it finds them.
add_executable(controlimages ${CMAKE_CURRENT_LIST_DIR}/controlimages.cpp)
target_link_libraries(controlimages PRIVATE Qt6::Gui)
set_target_properties(controlimages PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

set(_dap_controls_dir ${CMAKE_CURRENT_BINARY_DIR}/control-images)
set(_dap_controls_names
    Fader_Q2
    KnobBaseSmall KnobBase KnobBaseLarge
    KnobIndicatorSmall KnobIndicator KnobIndicatorLarge)
set(_dap_controls_files)
foreach(name IN LISTS _dap_controls_names)
  set(file ${_dap_controls_dir}/${name}.png)
  list(APPEND _dap_controls_files ${file})
  set_source_files_properties(${file} PROPERTIES GENERATED TRUE QT_RESOURCE_ALIAS ${name})
endforeach()

add_custom_command(
    OUTPUT ${_dap_controls_files}
    COMMAND controlimages ${_dap_controls_dir}
    DEPENDS controlimages
    COMMENT "Drawing the control images"
    VERBATIM)

qt_add_resources(${DAP_CONTROLS_TARGET} controls
    PREFIX /resource
    FILES ${_dap_controls_files})
