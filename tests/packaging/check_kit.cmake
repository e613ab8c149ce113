# Makes the tree a host receives, checks what is in it, and builds and runs a
# small consumer against it two ways:
#   MODE=install  the tree from `cmake --install` into a fresh prefix;
#   MODE=package  the release archive from CPack, unpacked (and the archive
#                of .debug files made beside it).
# Both ways: find_package(Quillet), then pkg-config on Linux or the
# dlltool-made quillet.lib on Windows. Fails on the first fault found.
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/run_command.cmake)
require(check_kit MODE BUILD_DIR WORK_DIR CONSUMER_DIR HEADER VERSION BINDIR LIBDIR INCLUDEDIR DOCDIR
        C_COMPILER GENERATOR TOOL_FILES)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# ---- The tree --------------------------------------------------------------
if(MODE STREQUAL "install")
  set(prefix ${WORK_DIR}/prefix)
  run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
elseif(MODE STREQUAL "package")
  run("cpack" ${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/cpack)
  file(GLOB archives ${WORK_DIR}/cpack/*.zip ${WORK_DIR}/cpack/*.tar.gz)
  list(LENGTH archives count)
  if(STRIPPED)
    set(expected_count 2)
  else()
    set(expected_count 1)
  endif()
  if(NOT count EQUAL expected_count)
    message(FATAL_ERROR "expected ${expected_count} archives, found: ${archives}")
  endif()
  # The -debug archive unpacks into the same folder as the release, putting
  # each .debug file beside its binary.
  foreach(archive IN LISTS archives)
    get_filename_component(archive_name ${archive} NAME)
    if(NOT archive_name MATCHES "^quillet-${VERSION}-[a-z0-9_]+(-[a-z0-9_]+)?(-debug)?\\.(zip|tar\\.gz)$")
      message(FATAL_ERROR "unexpected archive name ${archive_name}")
    endif()
    string(REGEX REPLACE "(-debug)?\\.(zip|tar\\.gz)$" "" top ${archive_name})
    if(archive_name MATCHES "-debug\\.")
      set(kind debug)
    else()
      set(kind release)
    endif()
    file(MAKE_DIRECTORY ${WORK_DIR}/${kind})
    run("unpacking ${archive_name}" ${CMAKE_COMMAND} -E chdir ${WORK_DIR}/${kind} ${CMAKE_COMMAND} -E tar xf ${archive})
    if(NOT IS_DIRECTORY ${WORK_DIR}/${kind}/${top})
      message(FATAL_ERROR "${archive_name} does not unpack to the folder ${top}")
    endif()
    if(kind STREQUAL "debug")
      set(debug_prefix ${WORK_DIR}/debug/${top})
    else()
      set(prefix ${WORK_DIR}/release/${top})
    endif()
  endforeach()
  if(NOT prefix OR (STRIPPED AND NOT debug_prefix))
    message(FATAL_ERROR "expected a release archive and its -debug archive, found: ${archives}")
  endif()
else()
  message(FATAL_ERROR "check_kit: unknown MODE ${MODE}")
endif()
message(STATUS "tree: ${prefix}")

# ---- What is in it: exactly these files ------------------------------------
set(expected
  ${INCLUDEDIR}/quillet.h
  ${LIBDIR}/cmake/Quillet/QuilletConfig.cmake
  ${LIBDIR}/cmake/Quillet/QuilletConfigVersion.cmake
  ${LIBDIR}/cmake/Quillet/QuilletTargets.cmake
  ${LIBDIR}/cmake/Quillet/QuilletTargets-release.cmake
  ${DOCDIR}/README.md
  ${DOCDIR}/LICENSE
  ${DOCDIR}/examples/host_demo.c
  ${DOCDIR}/examples/host_dynamic.c
  ${DOCDIR}/examples/host_ctypes.py
  ${DOCDIR}/examples/host_dotnet.cs)
if(WINDOWS)
  set(binaries ${BINDIR}/quillet.dll)
  list(APPEND expected ${LIBDIR}/libquillet.dll.a ${LIBDIR}/quillet.def)
  if(MSVC_IMPLIB)
    list(APPEND expected ${LIBDIR}/quillet.lib)
  endif()
else()
  set(binaries ${LIBDIR}/libquillet.so.${VERSION})
  list(APPEND expected ${LIBDIR}/libquillet.so ${LIBDIR}/libquillet.so.${SOVERSION}
                       ${LIBDIR}/pkgconfig/quillet.pc)
endif()
# The tool, stripped as the library is, and its manual page and completion,
# where the build has them.
include(${TOOL_FILES})
list(APPEND binaries ${tool_binary})
list(APPEND expected ${binaries} ${tool_pages})
# Each stripped binary's symbols, in the tree or in the -debug archive.
set(debug_files ${binaries})
if(STRIPPED)
  list(TRANSFORM debug_files APPEND ".debug")
else()
  set(debug_files)
endif()
if(MODE STREQUAL "install")
  list(APPEND expected ${debug_files})
  set(debug_prefix ${prefix})
endif()

# Fails unless the folder holds exactly the files listed (paths relative to it).
function(expect_files folder)
  set(expected ${ARGN})
  list(TRANSFORM expected REPLACE "^\\./" "")
  list(SORT expected)
  file(GLOB_RECURSE actual LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
  list(SORT actual)
  if(NOT actual STREQUAL expected)
    set(missing ${expected})
    list(REMOVE_ITEM missing ${actual})
    set(extra ${actual})
    list(REMOVE_ITEM extra ${expected})
    message(FATAL_ERROR "${folder} holds other files than expected\n missing: ${missing}\n extra: ${extra}")
  endif()
endfunction()
expect_files(${prefix} ${expected})
if(MODE STREQUAL "package" AND STRIPPED)
  expect_files(${debug_prefix} ${debug_files})
endif()

# Stripped binaries that name their .debug file, which holds the symbols.
if(STRIPPED)
  foreach(binary IN LISTS binaries)
    run("objdump" ${OBJDUMP} -h -t ${prefix}/${binary})
    if(NOT run_output MATCHES "SYMBOL TABLE:\nno symbols" OR NOT run_output MATCHES "\\.gnu_debuglink")
      message(FATAL_ERROR "${binary} is not stripped with a debug link:\n${run_output}")
    endif()
    run("objdump" ${OBJDUMP} -t ${debug_prefix}/${binary}.debug)
    if(NOT run_output MATCHES "main|getKeyList")
      message(FATAL_ERROR "${binary}.debug holds no symbols of ${binary}")
    endif()
  endforeach()
endif()

file(READ ${HEADER} source_header)
file(READ ${prefix}/${INCLUDEDIR}/quillet.h installed_header)
if(NOT source_header STREQUAL installed_header)
  message(FATAL_ERROR "the installed header differs from include/quillet.h")
endif()

if(NOT WINDOWS)
  # Hosts link against the name with the major version only.
  if(NOT IS_SYMLINK ${prefix}/${LIBDIR}/libquillet.so.${SOVERSION})
    message(FATAL_ERROR "libquillet.so.${SOVERSION} is not a link to the library")
  endif()
  run("objdump" ${OBJDUMP} -p ${prefix}/${LIBDIR}/libquillet.so.${VERSION})
  if(NOT run_output MATCHES "SONAME +libquillet\\.so\\.${SOVERSION}\n")
    message(FATAL_ERROR "libquillet.so.${VERSION} does not carry the SONAME libquillet.so.${SOVERSION}")
  endif()
endif()

# ---- First way: find_package ------------------------------------------------
set(consumer_args -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix}
                  -DCMAKE_C_COMPILER=${C_COMPILER})
if(TOOLCHAIN)
  # A cross build searches its root paths only: the kit becomes one of them,
  # as a cross-compiling host would set it up.
  file(WRITE ${WORK_DIR}/toolchain.cmake
       "include(${TOOLCHAIN})\nlist(APPEND CMAKE_FIND_ROOT_PATH ${prefix})\n")
  list(APPEND consumer_args -DCMAKE_TOOLCHAIN_FILE=${WORK_DIR}/toolchain.cmake)
endif()
run("configuring the find_package consumer"
    ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/find_package ${consumer_args})
string(FIND "${run_output}" "Quillet ${VERSION} from ${prefix}/" found)
if(found EQUAL -1)
  message(FATAL_ERROR "find_package did not take Quillet ${VERSION} from the tree:\n${run_output}")
endif()
run("building the find_package consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/find_package)
if(WINDOWS)
  run_consumer("find_package consumer" ${WORK_DIR}/find_package/consumer.exe)
else()
  run("objdump" ${OBJDUMP} -p ${WORK_DIR}/find_package/consumer)
  if(NOT run_output MATCHES "NEEDED +libquillet\\.so\\.${SOVERSION}\n")
    message(FATAL_ERROR "the consumer does not ask for libquillet.so.${SOVERSION}:\n${run_output}")
  endif()
  run_consumer("find_package consumer" ${WORK_DIR}/find_package/consumer)
endif()

# ---- Second way -------------------------------------------------------------
file(MAKE_DIRECTORY ${WORK_DIR}/direct)
if(WINDOWS)
  # Linked by hand against the import library made from the .def file.
  if(MSVC_IMPLIB)
    set(import_library ${prefix}/${LIBDIR}/quillet.lib)
  else()
    set(import_library ${prefix}/${LIBDIR}/libquillet.dll.a)
  endif()
  run("compiling against ${import_library}"
      ${C_COMPILER} -I${prefix}/${INCLUDEDIR} ${CONSUMER_DIR}/consumer.c ${import_library} -static-libgcc
      -o ${WORK_DIR}/direct/consumer.exe)
  file(COPY ${prefix}/${BINDIR}/quillet.dll DESTINATION ${WORK_DIR}/direct)
  run_consumer("consumer linked with ${import_library}" ${WORK_DIR}/direct/consumer.exe)
else()
  if(NOT PKG_CONFIG)
    message(FATAL_ERROR "pkg-config is missing (Debian package pkg-config)")
  endif()
  set(pc_env ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig)
  run("pkg-config --modversion" ${pc_env} ${PKG_CONFIG} --modversion quillet)
  string(STRIP "${run_output}" pc_version)
  if(NOT pc_version STREQUAL VERSION)
    message(FATAL_ERROR "pkg-config gives version ${pc_version}, not ${VERSION}")
  endif()
  # The README's recipe: the program finds the library through an rpath.
  run("pkg-config --cflags --libs" ${pc_env} ${PKG_CONFIG} --cflags --libs quillet)
  separate_arguments(pc_flags UNIX_COMMAND "${run_output}")
  run("pkg-config --variable=libdir" ${pc_env} ${PKG_CONFIG} --variable=libdir quillet)
  string(STRIP "${run_output}" pc_libdir)
  run("compiling with pkg-config's flags"
      ${C_COMPILER} ${CONSUMER_DIR}/consumer.c ${pc_flags} -Wl,-rpath,${pc_libdir} -o ${WORK_DIR}/direct/consumer)
  run_consumer("pkg-config consumer" ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${WORK_DIR}/direct/consumer)
endif()

message(STATUS "${MODE}: the tree is complete and both consumers run")
