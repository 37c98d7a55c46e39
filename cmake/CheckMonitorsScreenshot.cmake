# Runs the application in Monitors screenshot mode on the demo: the EvaLog's polygraph
# (AxleBoxAcc in red, above it low-passed in blue) replays 0..0.5 s, and the picture of the
# Monitors window must show both traces. Then the two refusals: no polygraph to replay, a
# picture that cannot be written.
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
# The EvaLog alone: the Log would set "f process" from its selected test. The replay runs
# at the settings' rate, that of the accelerometer.
file(STRINGS ${OUT}/demo/workbooks.txt lines REGEX "EvaLog")
set(books --workbook ${OUT}/demo/${lines})
foreach(ini s s2 s3)
  file(WRITE ${OUT}/${ini}.ini "[General]\ndfltSampl_f=4000\n")
endforeach()

execute_process(COMMAND ${EXE} ${books} --settings ${OUT}/s.ini --replay 0 0.5
                        --screenshot-monitors ${OUT}/m.png ${files}
                RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mvtervik --screenshot-monitors ended with ${rc}: ${err}")
endif()
if(NOT EXISTS ${OUT}/m.png)
  message(FATAL_ERROR "no picture written")
endif()
# Red and blue: the two traces' pens.
execute_process(COMMAND ${STATS} ${OUT}/m.png FF0000 0000FF
                OUTPUT_VARIABLE stats RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the picture does not read back: ${rc}")
endif()
message(STATUS "${stats}")
string(REGEX MATCH "colours ([0-9]+)" _ "${stats}")
if(CMAKE_MATCH_1 LESS 3)
  message(FATAL_ERROR "the picture is blank:\n${stats}")
endif()
# Between replays the polygraph draws the zeros the clock sends: a flat line and the
# series' colour swatch in the grid span some 16 rows, a replayed wave many more.
foreach(pen FF0000 0000FF)
  string(REGEX MATCH "${pen} [0-9]+ pixels on ([0-9]+) rows" _ "${stats}")
  if(NOT CMAKE_MATCH_1 OR CMAKE_MATCH_1 LESS 40)
    message(FATAL_ERROR "the replayed trace drawn in ${pen} is missing:\n${stats}")
  endif()
endforeach()

# Without the EvaLog there is no polygraph: refused, with the reason, and no picture.
execute_process(COMMAND ${EXE} --settings ${OUT}/s2.ini --replay 0 0.5
                        --screenshot-monitors ${OUT}/none.png ${files}
                RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 120)
if(rc EQUAL 0 OR NOT err MATCHES "polygraph" OR EXISTS ${OUT}/none.png)
  message(FATAL_ERROR "a start without polygraphs ended with ${rc}: ${err}")
endif()

# A picture into a folder that does not exist.
execute_process(COMMAND ${EXE} ${books} --settings ${OUT}/s3.ini --replay 0 0.2
                        --screenshot-monitors ${OUT}/no/such/dir/m.png ${files}
                RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 120)
if(rc EQUAL 0 OR NOT err MATCHES "could not write")
  message(FATAL_ERROR "an unwritable picture ended with ${rc}: ${err}")
endif()
