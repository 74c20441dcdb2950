# Fails unless fxreport writes the same report of MODULE twice.
get_filename_component(name ${MODULE} NAME_WE)
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(run 1 2)
  execute_process(COMMAND ${FXREPORT} write ${MODULE} ${WORK_DIR}/${name}.${run}.txt
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "fxreport could not write the report of ${MODULE}")
  endif()
endforeach()
execute_process(COMMAND ${FXREPORT} compare ${WORK_DIR}/${name}.1.txt ${WORK_DIR}/${name}.2.txt
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${MODULE} behaves differently from one run to the next")
endif()
file(REMOVE ${WORK_DIR}/${name}.1.txt ${WORK_DIR}/${name}.2.txt)
