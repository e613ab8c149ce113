# Installs the quillet package with pip into a fresh virtual environment (the
# system's site packages visible, no network) and runs its tests there:
#   MODE=source  pip install of the package's folder; the library is the
#                built one, named by QUILLET_LIBRARY;
#   MODE=wheel   the wheel of the python_wheel target; the library is the one
#                it carries.
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/run_command.cmake)
require(check_package MODE PYTHON SOURCE_DIR WORK_DIR BUILD_DIR LIBRARY DIST_DIR VERSION BUNDLED)

# Commands run in the work folder: the source tree must not be the current
# folder, or Python would import the package from there.
set(RUN_DIRECTORY ${WORK_DIR})

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run("making the virtual environment"
    ${PYTHON} -m venv --system-site-packages --without-pip ${WORK_DIR}/venv)
set(venv_python ${WORK_DIR}/venv/bin/python)
# No .pyc files in the source tree; no library from the caller's environment.
set(env ${CMAKE_COMMAND} -E env --unset=QUILLET_LIBRARY PYTHONDONTWRITEBYTECODE=1)

if(MODE STREQUAL "source")
  # pip builds in the folder it is given: a copy keeps its files out of the
  # source tree.
  file(COPY ${SOURCE_DIR}/ DESTINATION ${WORK_DIR}/source
       PATTERN build EXCLUDE PATTERN *.egg-info EXCLUDE PATTERN __pycache__ EXCLUDE)
  set(package ${WORK_DIR}/source)
  list(APPEND env QUILLET_LIBRARY=${LIBRARY})
  set(expected_library ${LIBRARY})
elseif(MODE STREQUAL "wheel")
  # The README's command.
  run("making the wheel" ${CMAKE_COMMAND} --build ${BUILD_DIR} --target python_wheel)
  file(GLOB package ${DIST_DIR}/*.whl)
  get_filename_component(wheel_name "${package}" NAME)
  # Machine code inside: tagged for a platform, not for any.
  if(NOT wheel_name MATCHES "^quillet-${VERSION}-py3-none-[a-z0-9_]+\\.whl$" OR wheel_name MATCHES "-any\\.whl$")
    message(FATAL_ERROR "expected one platform wheel of quillet ${VERSION}, found: ${package}")
  endif()
  set(expected_library "${WORK_DIR}/venv/lib/*/site-packages/quillet/${BUNDLED}")
else()
  message(FATAL_ERROR "check_package: unknown MODE ${MODE}")
endif()

run("pip install" ${env} ${venv_python} -m pip install --no-build-isolation --no-index --no-deps
    --quiet ${package})
run("importing quillet" ${env} ${venv_python} -c
    "import quillet\nprint(quillet.__file__)\nprint(quillet.library_path())")
string(REGEX MATCHALL "[^\n]+" lines "${run_output}")
list(GET lines 0 module)
list(GET lines 1 library)
if(NOT module MATCHES "^${WORK_DIR}/venv/lib/[^/]+/site-packages/quillet/__init__\\.py$")
  message(FATAL_ERROR "quillet was imported from ${module}, not from the virtual environment")
endif()
file(GLOB expected_library "${expected_library}")
if(NOT library STREQUAL expected_library)
  message(FATAL_ERROR "quillet loaded ${library}, not ${expected_library}")
endif()
message(STATUS "quillet ${VERSION} from ${module}, the library from ${library}")

run("the package's tests" ${env} ${venv_python} -m unittest discover -s ${SOURCE_DIR}/tests)
message(STATUS "${run_output}")
