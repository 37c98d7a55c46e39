# Test of the layer rule itself: a probe project whose includes point down configures;
# one with an upward include, or an engine file that includes a widget, is refused with
# a message that names the file and the layers.
function(_probe kind expect_ok expect_text)
  set(dir ${OUT}/${kind})
  file(REMOVE_RECURSE ${dir})
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${ROOT}/tests/build/layer_probe -B ${dir}
                          -DMV_ROOT=${ROOT} -DPROBE=${kind}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "probe '${kind}' should configure:\n${err}")
  endif()
  if(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "probe '${kind}' should be refused but configured")
  endif()
  if(expect_text)
    string(REGEX REPLACE "[ \t\r\n]+" " " flat "${err}")
    if(NOT flat MATCHES "${expect_text}")
      message(FATAL_ERROR "probe '${kind}': message does not match '${expect_text}':\n${err}")
    endif()
  endif()
endfunction()

_probe(down TRUE "")
_probe(up FALSE "Upward.cpp \\(layer 'files'.*includes \"processing/MV_func.h\" from the higher layer 'processing'")
_probe(widget FALSE "Widget.cpp .*includes the widget header \"core/ui/LogPane.h\"")
message(STATUS "the layer rule refuses upward includes")
