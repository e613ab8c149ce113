# What a host takes away: install rules, the CMake package, the pkg-config
# file, the Windows version resource and import libraries, and the release
# archive. Included at the end of the top-level CMakeLists.txt.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUILLET_DESCRIPTION "Text utilities for settings data")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUILLET_PLATFORM win64)
elseif(WIN32)
  set(QUILLET_PLATFORM win32)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" QUILLET_PLATFORM)
endif()
set(QUILLET_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quillet)
if(WIN32)
  # A kit unpacked on Windows shows its papers at the top.
  set(QUILLET_DOC_DIR .)
else()
  set(QUILLET_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
endif()

if(WIN32)
  configure_file(${CMAKE_SOURCE_DIR}/resources/quillet.rc.in ${CMAKE_BINARY_DIR}/quillet.rc @ONLY)
  target_sources(quillet PRIVATE ${CMAKE_BINARY_DIR}/quillet.rc)

  # quillet.def and, where dlltool exists, quillet.lib made from it: the
  # import library for toolchains that do not read libquillet.dll.a.
  set(QUILLET_DEF ${CMAKE_BINARY_DIR}/quillet.def)
  quillet_write_def_file(${QUILLET_DEF} quillet.dll "${QUILLET_EXPORTS}")
  if(CMAKE_DLLTOOL)
    set(QUILLET_MSVC_IMPLIB ${CMAKE_BINARY_DIR}/quillet.lib)
    add_custom_command(OUTPUT ${QUILLET_MSVC_IMPLIB}
                       COMMAND ${CMAKE_DLLTOOL} -d quillet.def -D quillet.dll -l quillet.lib
                       DEPENDS ${QUILLET_DEF}
                       # Relative names: dlltool builds its symbol names from them.
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                       COMMENT "Import library quillet.lib from quillet.def")
    add_custom_target(quillet_msvc_implib ALL DEPENDS ${QUILLET_MSVC_IMPLIB})
  else()
    message(STATUS "dlltool not found: the kit gets quillet.def without quillet.lib")
  endif()
else()
  # libquillet.so.0: the major version names the binary interface.
  set_target_properties(quillet PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

install(TARGETS quillet EXPORT QuilletTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/quillet.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QuilletTargets NAMESPACE Quillet:: DESTINATION ${QUILLET_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/QuilletConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/QuilletConfig.cmake
                              INSTALL_DESTINATION ${QUILLET_CMAKE_DIR})
# Before 1.0 the major version is 0 for every release, as in the SONAME.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/QuilletConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QuilletConfig.cmake ${CMAKE_BINARY_DIR}/QuilletConfigVersion.cmake
        DESTINATION ${QUILLET_CMAKE_DIR})

if(WIN32)
  install(FILES ${QUILLET_DEF} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  if(QUILLET_MSVC_IMPLIB)
    install(FILES ${QUILLET_MSVC_IMPLIB} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
else()
  # Paths in the .pc file are relative to the file itself: lib/pkgconfig
  # gives a prefix of ../.. .
  set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(IS_ABSOLUTE "${pc_dir}")
    set(QUILLET_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  else()
    string(REGEX REPLACE "[^/]+" ".." up "${pc_dir}")
    set(QUILLET_PC_PREFIX "\${pcfiledir}/${up}")
  endif()
  foreach(kind INCLUDEDIR LIBDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
      set(QUILLET_PC_${kind} "${CMAKE_INSTALL_${kind}}")
    else()
      set(QUILLET_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
    endif()
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/quillet.pc.in ${CMAKE_BINARY_DIR}/quillet.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/quillet.pc DESTINATION ${pc_dir})
endif()

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${QUILLET_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/examples/host_demo.c ${CMAKE_SOURCE_DIR}/examples/host_dynamic.c
              ${CMAKE_SOURCE_DIR}/examples/host_ctypes.py
        DESTINATION ${QUILLET_DOC_DIR}/examples)

# The command-line tool may be added anywhere in the top-level file, so it is
# looked for once that whole file has been read.
function(quillet_package_tool)
  set(tool_files "")
  if(TARGET quillet_cli)
    install(TARGETS quillet_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The tool, and its manual page and completion where cli/ installs them.
    get_property(tool_pages GLOBAL PROPERTY QUILLET_TOOL_PAGES)
    set(tool_files "${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:quillet_cli>" ${tool_pages})
  endif()
  # Read by the installed-tree test.
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/tool-files.txt CONTENT "${tool_files}")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL quillet_package_tool)

set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "the Quillet developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${QUILLET_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quillet-${PROJECT_VERSION}-${QUILLET_PLATFORM})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)

if(QUILLET_TESTS)
  # The version the DLL's resource must show.
  target_compile_definitions(quillet_api_tests PRIVATE QUILLET_PACKAGE_VERSION="${PROJECT_VERSION}")
  add_subdirectory(tests/packaging)
endif()
