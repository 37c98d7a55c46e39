# The layer order of the program, lowest first. A library may include headers and link
# libraries of its own layer and of lower ones, never of a higher one; an engine library
# (no Qt) may not include any widget header. The rule is checked when CMake configures,
# so an upward include fails the build with a message that names the file and the line.
#
# The workbook engine lives in evaluation/workbook but is a layer of its own far below
# evaluation; the FFT engine sits below both processing and monitors.
set(MV_LAYERS core widgets workbook files fft processing graphs wheelset monitors evaluation app)

# Layer of an include path such as "files/NativeFile.h"; empty when it is not ours.
function(mv_layer_of_include out path)
  set(layer "")
  if(path MATCHES "^evaluation/workbook/")
    set(layer workbook)
  elseif(path MATCHES "^([a-z]+)/")
    set(first "${CMAKE_MATCH_1}")
    if(first IN_LIST MV_LAYERS)
      set(layer "${first}")
    endif()
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

function(mv_layer_rank out layer)
  list(FIND MV_LAYERS "${layer}" rank)
  if(rank LESS 0)
    message(FATAL_ERROR "Unknown layer '${layer}'; layers, lowest first: ${MV_LAYERS}")
  endif()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# mv_check_layer(target layer kind FILES...): kind is "engine" or "ui". Headers beside
# the listed sources are checked too, since they are compiled into the target.
function(mv_check_layer target layer kind)
  mv_layer_rank(own "${layer}")
  set(files "")
  set(dirs "")
  foreach(src IN LISTS ARGN)
    get_filename_component(abs "${src}" ABSOLUTE)
    list(APPEND files "${abs}")
    get_filename_component(dir "${abs}" DIRECTORY)
    list(APPEND dirs "${dir}")
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(dir IN LISTS dirs)
    file(GLOB headers "${dir}/*.h")
    list(APPEND files ${headers})
  endforeach()
  list(REMOVE_DUPLICATES files)
  string(REPLACE ";" " -> " order "${MV_LAYERS}")
  foreach(f IN LISTS files)
    if(NOT EXISTS "${f}")
      continue()
    endif()
    file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" path "${line}")
      file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${f}")
      if(kind STREQUAL "engine" AND path MATCHES "(^|/)ui/")
        message(FATAL_ERROR
          "Layering: ${rel} (engine of layer '${layer}', target ${target}) includes the "
          "widget header \"${path}\". The engine has no widgets: pass what it needs in.")
      endif()
      mv_layer_of_include(theirs "${path}")
      if(theirs STREQUAL "")
        continue()
      endif()
      mv_layer_rank(their_rank "${theirs}")
      if(their_rank GREATER own)
        message(FATAL_ERROR
          "Layering: ${rel} (layer '${layer}', target ${target}) includes \"${path}\" from "
          "the higher layer '${theirs}'. Layers point one way: ${order}. Move the code "
          "down, or let the higher layer pass a narrow context in.")
      endif()
    endforeach()
  endforeach()
endfunction()

# Each of our libraries carries its layer and the libraries it declares; once every
# subsystem is added, mv_check_all_links refuses a link to a higher layer, or from an
# engine library to a widget library.
function(mv_set_layer target layer kind)
  mv_layer_rank(_ignored "${layer}")
  set_target_properties(${target} PROPERTIES MV_LAYER "${layer}" MV_KIND "${kind}")
  set_property(TARGET ${target} PROPERTY MV_DEPS ${ARGN})
  set_property(GLOBAL APPEND PROPERTY MV_LAYERED_TARGETS ${target})
endfunction()

function(mv_check_all_links)
  string(REPLACE ";" " -> " order "${MV_LAYERS}")
  get_property(targets GLOBAL PROPERTY MV_LAYERED_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(layer ${target} MV_LAYER)
    get_target_property(kind ${target} MV_KIND)
    get_target_property(deps ${target} MV_DEPS)
    mv_layer_rank(own "${layer}")
    foreach(dep IN LISTS deps)
      if(NOT TARGET ${dep})
        continue()
      endif()
      get_target_property(dep_layer ${dep} MV_LAYER)
      if(NOT dep_layer)
        continue()
      endif()
      get_target_property(dep_kind ${dep} MV_KIND)
      mv_layer_rank(their_rank "${dep_layer}")
      if(their_rank GREATER own)
        message(FATAL_ERROR "Layering: ${target} (layer '${layer}') links ${dep} of the "
                            "higher layer '${dep_layer}'. Layers point one way: ${order}.")
      endif()
      if(kind STREQUAL "engine" AND dep_kind STREQUAL "ui")
        message(FATAL_ERROR "Layering: engine library ${target} links widget library ${dep}.")
      endif()
    endforeach()
  endforeach()
endfunction()
