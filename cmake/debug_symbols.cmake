# Binaries that are shipped go out stripped, in the installed tree as in the
# release archive. What strip removes (the symbols, and debug information
# where the build type makes any) is kept in <file>.debug beside each, which
# the installed binary names in a GNU debug link, so that gdb finds it. The
# .debug files make up the install component "debug", which the release
# gives as an archive of its own.

# quillet_keep_debug_symbols(target): after each link, copies what strip
# would remove into $<TARGET_FILE>.debug. Called where the target is made.
function(quillet_keep_debug_symbols target)
  if(CMAKE_OBJCOPY AND CMAKE_STRIP)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
                               $<TARGET_FILE:${target}>.debug
                       VERBATIM)
  endif()
endfunction()

# quillet_install_stripped(target destination): after the target's own
# install rule, strips the installed file and links it to its .debug file,
# which the component "debug" installs beside it.
function(quillet_install_stripped target destination)
  if(NOT CMAKE_OBJCOPY OR NOT CMAKE_STRIP)
    message(STATUS "objcopy or strip not found: ${target} is installed with its symbols")
    return()
  endif()
  set(debug_file $<TARGET_FILE:${target}>.debug)
  set(installed "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>")
  install(CODE "
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-all \"${installed}\" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" \"--add-gnu-debuglink=${debug_file}\" \"${installed}\"
                    COMMAND_ERROR_IS_FATAL ANY)")
  install(FILES ${debug_file} DESTINATION ${destination} COMPONENT debug)
endfunction()
