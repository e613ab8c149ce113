# The version is set once, in project(). The public header and the Python
# package carry copies for their users; configuring stops when a copy says
# otherwise, so that a new version cannot be released half made.
function(quillet_check_version_copies)
  set(header ${PROJECT_SOURCE_DIR}/include/quillet.h)
  set(expected MAJOR ${PROJECT_VERSION_MAJOR} MINOR ${PROJECT_VERSION_MINOR}
               PATCH ${PROJECT_VERSION_PATCH} STRING "\"${PROJECT_VERSION}\"")
  file(STRINGS ${header} lines REGEX "^#define QUILLET_VERSION_")
  while(expected)
    list(POP_FRONT expected part value)
    set(found "")
    foreach(line IN LISTS lines)
      if(line MATCHES "^#define QUILLET_VERSION_${part} +(.+)$")
        set(found "${CMAKE_MATCH_1}")
      endif()
    endforeach()
    if(NOT found STREQUAL value)
      message(FATAL_ERROR "${header}: QUILLET_VERSION_${part} is '${found}', "
                          "the project's version ${PROJECT_VERSION} wants ${value}")
    endif()
  endwhile()

  set(python ${PROJECT_SOURCE_DIR}/python/quillet/__init__.py)
  file(STRINGS ${python} lines REGEX "^__version__ = ")
  if(NOT lines STREQUAL "__version__ = \"${PROJECT_VERSION}\"")
    message(FATAL_ERROR "${python}: '${lines}', the project's version is ${PROJECT_VERSION}")
  endif()
endfunction()
