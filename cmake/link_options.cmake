# Link options of every Windows binary of the project, in one place.
#
# quillet_windows_link_options(target): on MinGW builds, links the C and C++
# run-times statically, so that a program needs no DLL beyond the system's
# own and quillet.dll, and the DLL none beyond the system's; exports DllMain
# without its stdcall decoration; and marks 32-bit binaries large address
# aware. Does nothing elsewhere.
function(quillet_windows_link_options target)
  if(NOT MINGW)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
  else()
    target_link_options(${target} PRIVATE -static)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The code takes no address for a signed number, so it is fit for the 3
    # and 4 GB address spaces that a large-address-aware host gets (Windows
    # goes by the host program's own mark).
    target_link_options(${target} PRIVATE -Wl,--large-address-aware)
  endif()
endfunction()
