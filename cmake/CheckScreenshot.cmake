# Runs the application in screenshot mode on generated demo signals and checks that it
# wrote the picture and, through the normal shutdown, the settings.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${DEMO} ${OUT}/demo RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mvt-demo failed: ${rc}")
endif()
file(STRINGS ${OUT}/demo/files.txt names)
set(files "")
foreach(n IN LISTS names)
  list(APPEND files ${OUT}/demo/${n})
endforeach()
# The demo's evaluation workbooks open at start as ./mvt run opens them.
file(STRINGS ${OUT}/demo/workbooks.txt books)
foreach(b IN LISTS books)
  list(APPEND files --workbook ${OUT}/demo/${b})
endforeach()
execute_process(COMMAND ${EXE} --settings ${OUT}/s.ini --screenshot ${OUT}/s.png ${files}
                RESULT_VARIABLE rc TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mvtervik --screenshot ended with ${rc}")
endif()
file(SIZE ${OUT}/s.png png_size)
if(png_size LESS 10000)
  message(FATAL_ERROR "the screenshot is missing or nearly empty (${png_size} bytes)")
endif()
file(READ ${OUT}/s.ini ini)
foreach(key dfltSampl_f "001\\\\SigColor" MainWindowWidth)
  if(NOT ini MATCHES "${key}=")
    message(FATAL_ERROR "the settings written at close lack ${key}")
  endif()
endforeach()

# The steps that set the view up run before the picture: a page step is in the settings
# written at close; a button that is not there fails the run after the picture, with the
# reason on stderr.
execute_process(COMMAND ${EXE} --settings ${OUT}/steps.ini --screenshot ${OUT}/steps.png
                        --page Curve2xls --zoom 1 2 ${files}
                RESULT_VARIABLE rc TIMEOUT 120)
file(READ ${OUT}/steps.ini ini)
if(NOT rc EQUAL 0 OR NOT ini MATCHES "ActivePageIndex=5")
  message(FATAL_ERROR "the page step did not take effect (exit ${rc})")
endif()
execute_process(COMMAND ${EXE} --settings ${OUT}/steps.ini --screenshot ${OUT}/steps.png
                        --press "No such button"
                RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 1 OR NOT err MATCHES "no button or command \"No such button\"")
  message(FATAL_ERROR "a missing button was not reported (exit ${rc}): ${err}")
endif()
