# Compares the library's exported names with the header's declarations:
# each function under its two names, DllMain once, nothing else; that the
# 32-bit DLL is marked large address aware; and that the library calls no
# function that starts a thread.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/exports.cmake)
quillet_read_exports(${HEADER} names)
set(expected DllMain)
foreach(name IN LISTS names)
  list(APPEND expected ${name} _${name})
endforeach()
list(SORT expected)

if(WINDOWS)
  execute_process(COMMAND ${TOOL} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
  set(actual)
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^.*\\] " "" row "${row}")
    list(APPEND actual ${row})
  endforeach()
else()
  execute_process(COMMAND ${TOOL} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  string(REGEX MATCHALL "[^\n]+" rows "${dump}")
  set(actual)
  foreach(row IN LISTS rows)
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" row "${row}")
    string(REGEX REPLACE "@.*" "" row "${row}")
    list(APPEND actual ${row})
  endforeach()
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${TOOL} failed on ${LIBRARY}")
endif()
list(SORT actual)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "exported names differ\n expected: ${expected}\n actual:   ${actual}")
endif()
if(WINDOWS AND POINTER_SIZE EQUAL 4 AND NOT dump MATCHES "large address aware")
  message(FATAL_ERROR "the 32-bit library is not marked large address aware")
endif()
# The library starts no thread: it calls none of the functions that start
# one. Checked on the shared object, whose imports are what it calls; a DLL
# linked with the static runtime imports _beginthreadex whether it calls it
# or not, and is the same code.
if(NOT WINDOWS)
  # std::thread starts its threads through _M_start_thread in libstdc++.
  execute_process(COMMAND ${TOOL} -D --undefined-only ${LIBRARY} OUTPUT_VARIABLE imports)
  if(imports MATCHES "(pthread_create|thrd_create|_M_start_thread)")
    message(FATAL_ERROR "the library can start a thread: it calls ${CMAKE_MATCH_1}")
  endif()
endif()
list(LENGTH actual count)
message(STATUS "${count} exported names as declared, and no function that starts a thread")
