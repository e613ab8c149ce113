# The list of exported functions, read from the declarations of the public
# header: every `QUILLET_API <type> QUILLET_CALL name(` line.
function(quillet_read_exports header out)
  file(STRINGS ${header} lines REGEX "QUILLET_API .* QUILLET_CALL [A-Za-z0-9_]+\\(")
  set(names)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* QUILLET_CALL ([A-Za-z0-9_]+)\\(.*" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Every export under its two names plus DllMain, and nothing else.
function(quillet_write_version_script path names)
  set(text "{\n  global:\n    DllMain;\n")
  foreach(name IN LISTS names)
    string(APPEND text "    ${name};\n    _${name};\n")
  endforeach()
  string(APPEND text "  local:\n    *;\n};\n")
  file(CONFIGURE OUTPUT ${path} CONTENT "${text}")
endfunction()

# A module-definition file for making import libraries with other toolchains
# (lib /def, dlltool -d). DllMain is left out: only the loader calls it.
function(quillet_write_def_file path dll names)
  set(text "LIBRARY ${dll}\nEXPORTS\n")
  foreach(name IN LISTS names)
    string(APPEND text "    ${name}\n    _${name}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${path} CONTENT "${text}")
endfunction()
