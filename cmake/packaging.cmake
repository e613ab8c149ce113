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
  configure_file(${PROJECT_SOURCE_DIR}/resources/quillet.rc.in ${PROJECT_BINARY_DIR}/quillet.rc @ONLY)
  target_sources(quillet PRIVATE ${PROJECT_BINARY_DIR}/quillet.rc)

  # quillet.def and, where dlltool exists, quillet.lib made from it: the
  # import library for toolchains that do not read libquillet.dll.a.
  set(QUILLET_DEF ${PROJECT_BINARY_DIR}/quillet.def)
  quillet_write_def_file(${QUILLET_DEF} quillet.dll "${QUILLET_EXPORTS}")
  if(CMAKE_DLLTOOL)
    set(QUILLET_MSVC_IMPLIB ${PROJECT_BINARY_DIR}/quillet.lib)
    add_custom_command(OUTPUT ${QUILLET_MSVC_IMPLIB}
                       COMMAND ${CMAKE_DLLTOOL} -d quillet.def -D quillet.dll -l quillet.lib
                       DEPENDS ${QUILLET_DEF}
                       # Relative names: dlltool builds its symbol names from them.
                       WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
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
if(WIN32)
  quillet_install_stripped(quillet ${CMAKE_INSTALL_BINDIR})
else()
  quillet_install_stripped(quillet ${CMAKE_INSTALL_LIBDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/quillet.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QuilletTargets NAMESPACE Quillet:: DESTINATION ${QUILLET_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuilletConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QuilletConfig.cmake
                              INSTALL_DESTINATION ${QUILLET_CMAKE_DIR})
# Before 1.0 the major version is 0 for every release, as in the SONAME.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuilletConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuilletConfig.cmake ${PROJECT_BINARY_DIR}/QuilletConfigVersion.cmake
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
  configure_file(${PROJECT_SOURCE_DIR}/cmake/quillet.pc.in ${PROJECT_BINARY_DIR}/quillet.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/quillet.pc DESTINATION ${pc_dir})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${QUILLET_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/host_demo.c ${PROJECT_SOURCE_DIR}/examples/host_dynamic.c
              ${PROJECT_SOURCE_DIR}/examples/host_ctypes.py ${PROJECT_SOURCE_DIR}/examples/host_dotnet.cs
        DESTINATION ${QUILLET_DOC_DIR}/examples)

# The command-line tool may be added anywhere in the top-level file, so it is
# looked for once that whole file has been read.
function(quillet_package_tool)
  set(tool_binary "")
  set(tool_pages "")
  if(TARGET quillet_cli)
    install(TARGETS quillet_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    quillet_install_stripped(quillet_cli ${CMAKE_INSTALL_BINDIR})
    set(tool_binary "${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:quillet_cli>")
    # Its manual page and completion, where cli/ installs them.
    get_property(tool_pages GLOBAL PROPERTY QUILLET_TOOL_PAGES)
  endif()
  # Read by the installed-tree test.
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/packaging/tool-files.cmake
       CONTENT "set(tool_binary \"${tool_binary}\")\nset(tool_pages \"${tool_pages}\")\n")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL quillet_package_tool)

# The release archives belong to Quillet's own builds: in another project,
# CPack is that project's.
if(PROJECT_IS_TOP_LEVEL)
  set(CPACK_PACKAGE_NAME quillet)
  set(CPACK_PACKAGE_VENDOR "the Quillet developers")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${QUILLET_DESCRIPTION}")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME quillet-${PROJECT_VERSION}-${QUILLET_PLATFORM})
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
  else()
    set(CPACK_GENERATOR TGZ)
  endif()
  # Two archives: quillet-<version>-<platform> and, with the .debug files,
  # quillet-<version>-<platform>-debug.
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_UNSPECIFIED_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
  set(CPACK_ARCHIVE_DEBUG_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-debug)
  include(CPack)
endif()

if(QUILLET_TESTS)
  # The version the DLL's resource must show.
  target_compile_definitions(quillet_api_tests PRIVATE QUILLET_PACKAGE_VERSION="${PROJECT_VERSION}")
  add_subdirectory(tests/packaging)
endif()
