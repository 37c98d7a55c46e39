# Helpers that keep the layering honest: an engine library may not link Qt or
# include a Qt header; a ui library links its engine and Qt; no library includes or
# links a higher layer (MvLayers.cmake). A library's layer is its subsystem folder
# under src/ unless LAYER names another.
include(MvLayers)

function(_mv_layer_from_dir out)
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/src" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REGEX REPLACE "/.*" "" first "${rel}")
  set(${out} "${first}" PARENT_SCOPE)
endfunction()

function(_mv_check_no_qt_includes target)
  foreach(src IN LISTS ARGN)
    get_filename_component(abs "${src}" ABSOLUTE)
    if(EXISTS "${abs}")
      file(STRINGS "${abs}" qt_lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
      if(qt_lines)
        message(FATAL_ERROR "Engine target ${target}: ${src} includes a Qt header: ${qt_lines}")
      endif()
    endif()
  endforeach()
endfunction()

# mv_engine_library(name [LAYER layer] SOURCES ... [DEPS ...])
function(mv_engine_library name)
  cmake_parse_arguments(A "" "LAYER" "SOURCES;DEPS" ${ARGN})
  if(NOT A_LAYER)
    _mv_layer_from_dir(A_LAYER)
  endif()
  _mv_check_no_qt_includes(${name} ${A_SOURCES})
  mv_check_layer(${name} ${A_LAYER} engine ${A_SOURCES})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS} Threads::Threads)
  foreach(dep IN LISTS A_DEPS)
    if(dep MATCHES "^Qt")
      message(FATAL_ERROR "Engine target ${name} may not link ${dep}")
    endif()
  endforeach()
  mv_set_layer(${name} ${A_LAYER} engine ${A_DEPS})
  set_property(GLOBAL APPEND PROPERTY MV_ENGINE_TARGETS ${name})
endfunction()

# mv_ui_library(name [LAYER layer] SOURCES ... [DEPS ...]): Qt widgets of one subsystem.
# They link the engine libraries they declare, nothing else of ours.
function(mv_ui_library name)
  cmake_parse_arguments(A "" "LAYER" "SOURCES;DEPS" ${ARGN})
  if(NOT A_LAYER)
    _mv_layer_from_dir(A_LAYER)
  endif()
  mv_check_layer(${name} ${A_LAYER} ui ${A_SOURCES})
  if(NOT MV_WITH_UI)
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS} Qt6::Widgets Qt6::Gui Qt6::Core
                                       Qt6::PrintSupport)
  mv_set_layer(${name} ${A_LAYER} ui ${A_DEPS})
  set_property(GLOBAL APPEND PROPERTY MV_UI_TARGETS ${name})
endfunction()

# mv_engine_test(name SOURCES ... [DEPS ...] [LABELS ...]): GoogleTest, label unit.
function(mv_engine_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  # mv_engine: a test may make a Workspace, which holds the state of every engine.
  target_link_libraries(${name} PRIVATE ${A_DEPS} mv_engine mv_test_support GTest::gtest
                                        GTest::gtest_main)
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  gtest_discover_tests(${name} PROPERTIES LABELS "${A_LABELS}"
                       DISCOVERY_TIMEOUT 60)
endfunction()

# mv_interop_test: GoogleTest that drives an independent tool (scipy, octave, ...).
function(mv_interop_test name)
  mv_engine_test(${name} ${ARGN} LABELS interop)
endfunction()

# mv_ui_test(name SOURCES ... [DEPS ...]): Qt Test, offscreen, label ui.
function(mv_ui_test name)
  if(NOT MV_WITH_UI)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${A_DEPS} mv_engine Qt6::Test Qt6::Widgets)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS ui
    # A desktop-sized screen: the main window fits itself onto the screen it opens on.
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/support/offscreen-1920x1080.json;MV_SOURCE_DIR=${PROJECT_SOURCE_DIR};MV_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
