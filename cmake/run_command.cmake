# Helpers of the test scripts (cmake -P) that build and run hosts outside the build.

# run(WHAT COMMAND...): runs a command (in RUN_DIRECTORY when that is set);
# stops the script with the command's output when it fails. The output is
# left in `run_output`.
function(run what)
  set(where)
  if(RUN_DIRECTORY)
    set(where WORKING_DIRECTORY ${RUN_DIRECTORY})
  endif()
  execute_process(COMMAND ${ARGN} ${where} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${ARGN}\n${out}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# run_consumer(WHAT PROGRAM ARGS...): runs a built consumer (under EMULATOR
# for Windows programs) and wants its word that every call answered as
# documented.
function(run_consumer what program)
  run("${what}" ${EMULATOR} ${program} ${ARGN})
  if(NOT run_output MATCHES "consumer: ok")
    message(FATAL_ERROR "${what} printed no success line:\n${run_output}")
  endif()
  message(STATUS "${what}: ran")
endfunction()

# require(SCRIPT VAR...): stops SCRIPT unless every VAR was given to it (-DVAR=...).
function(require script)
  foreach(var IN LISTS ARGN)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${script}: ${var} is not set")
    endif()
  endforeach()
endfunction()
