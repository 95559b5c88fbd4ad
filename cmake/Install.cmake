# `cmake --install BUILD --prefix P`: the library and the headers a C++
# harness needs, the command-line tools, the Python module, the host's
# constants file and the sample models, in the GNU folders below P; a CMake
# package (find_package(RavelcrestCore CONFIG) -> Ravelcrest::core) and a
# pkg-config file (ravelcrest.pc) for programs built against them.

include(CMakePackageConfigHelpers)

set(RAVELCREST_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/RavelcrestCore)
set(RAVELCREST_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/ravelcrest)
set(RAVELCREST_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/ravelcrest)
set(RAVELCREST_INSTALL_PYTHONDIR lib/python3/dist-packages CACHE STRING
    "Folder below the prefix for the Python module (Debian's layout by default)")

set_target_properties(ravelcrest_core PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} EXPORT_NAME library)
set_target_properties(ravelcrest_sim PROPERTIES EXPORT_NAME sim)
set_target_properties(ravelcrest_platform PROPERTIES EXPORT_NAME platform)

# Ravelcrest::core: everything a harness links, the library with the
# automation runtime and the simulated applications.
add_library(ravelcrest_harness INTERFACE)
set_target_properties(ravelcrest_harness PROPERTIES EXPORT_NAME core)
target_link_libraries(ravelcrest_harness INTERFACE ravelcrest_core ravelcrest_sim ravelcrest_platform)

# Installed programs and the Python module find the library relative to
# themselves, so an install moved or unpacked elsewhere still runs.
#
# They are linked with that search path from the start, followed by the
# build tree's own ($ORIGIN-relative as well), so installing copies them
# unchanged. Otherwise CMake pads the build tree's search path with empty
# entries to make room for editing it at install, and the loader reads an
# empty entry as the working folder: a program run from the build tree
# would load libraries from whatever folder it was started in.
function(ravelcrest_origin_rpath target built_in installed_path)
  file(RELATIVE_PATH built ${built_in} ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${installed_path};$ORIGIN/${built}"
    BUILD_WITH_INSTALL_RPATH ON)
endfunction()
function(ravelcrest_relative_rpath target from_dir)
  file(RELATIVE_PATH up /${from_dir} /${CMAKE_INSTALL_LIBDIR})
  ravelcrest_origin_rpath(${target} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} "$ORIGIN/${up}")
endfunction()
ravelcrest_relative_rpath(ravelcrest_cli_main ${CMAKE_INSTALL_BINDIR})
ravelcrest_relative_rpath(keystead-admin ${CMAKE_INSTALL_BINDIR})

install(TARGETS ravelcrest_core ravelcrest_sim ravelcrest_platform ravelcrest_harness
  EXPORT RavelcrestCoreTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${RAVELCREST_INSTALL_INCLUDEDIR})
install(TARGETS ravelcrest_cli_main keystead-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The host's geometry modules, loaded on demand (never linked): found from
# the program's folder as ../LIBDIR/ravelcrest.
if(TARGET ravelcrest_geometry)
  install(TARGETS ravelcrest_geometry ravelcrest_geometry_full LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/ravelcrest)
endif()
# The modules loaded on demand: the vault's PostgreSQL client and SQLite,
# loaded with the first vault of theirs, and SHA-256, loaded with the first
# hash; the HTTP server of `ravelcrest review`.
install(TARGETS ravelcrest_pg ravelcrest_sqlite ravelcrest_digest ravelcrest_review LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/ravelcrest)
target_compile_definitions(ravelcrest_platform PRIVATE RAVELCREST_MODULE_INSTALL_SUBDIR="${CMAKE_INSTALL_LIBDIR}/ravelcrest")
file(RELATIVE_PATH RAVELCREST_MODULES_FROM_PYTHON /${RAVELCREST_INSTALL_PYTHONDIR} /${CMAKE_INSTALL_LIBDIR}/ravelcrest)
target_compile_definitions(ravelcrest_platform PRIVATE RAVELCREST_MODULES_FROM_PYTHON="${RAVELCREST_MODULES_FROM_PYTHON}")

# The headers of the harness interface: registering the classes, creating
# objects by ProgID, calling members by name, Variant and SafeArray, with
# every header they include.
file(GLOB RAVELCREST_AUTOMATION_HEADERS RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/platform/automation/*.h)
set(RAVELCREST_PUBLIC_HEADERS
  ${RAVELCREST_AUTOMATION_HEADERS}
  Core/frame/Register.h
  sim/Register.h
  platform/os/Locale.h
  platform/os/DefaultInitAllocator.h)
foreach(header ${RAVELCREST_PUBLIC_HEADERS})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${RAVELCREST_INSTALL_INCLUDEDIR}/${dir})
endforeach()

if(RAVELCREST_PYTHON)
  # In a wheel the library lies beside the module, in ravelcrest.libs.
  file(RELATIVE_PATH up /${RAVELCREST_INSTALL_PYTHONDIR} /${CMAKE_INSTALL_LIBDIR})
  get_target_property(built_in ${RAVELCREST_PYTHON_INSTALLED} LIBRARY_OUTPUT_DIRECTORY)
  ravelcrest_origin_rpath(${RAVELCREST_PYTHON_INSTALLED} ${built_in} "$ORIGIN/${up};$ORIGIN/ravelcrest.libs")
  install(TARGETS ${RAVELCREST_PYTHON_INSTALLED} LIBRARY DESTINATION ${RAVELCREST_INSTALL_PYTHONDIR})
endif()

# The host's installation folder (give it to `check --host-folder`), the
# sample models and the example harnesses, as examples/ lays them out.
install(FILES examples/host/samples/appComm/vxconst.bas
  DESTINATION ${RAVELCREST_INSTALL_DATADIR}/host/samples/appComm)
install(DIRECTORY examples/models/ DESTINATION ${RAVELCREST_INSTALL_DATADIR}/models
  PATTERN "make-pictures.py" EXCLUDE)
# The examples keep their places relative to the models and the host folder.
install(FILES examples/harness.py DESTINATION ${RAVELCREST_INSTALL_DATADIR})
install(FILES examples/cpp/edge_check.cpp DESTINATION ${RAVELCREST_INSTALL_DATADIR}/cpp)
install(FILES examples/consumer/CMakeLists.txt examples/consumer/Makefile
  DESTINATION ${RAVELCREST_INSTALL_DATADIR}/consumer)

install(EXPORT RavelcrestCoreTargets NAMESPACE Ravelcrest:: DESTINATION ${RAVELCREST_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/RavelcrestCoreConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/RavelcrestCoreConfig.cmake
  INSTALL_DESTINATION ${RAVELCREST_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/RavelcrestCoreConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/RavelcrestCoreConfig.cmake
  ${CMAKE_BINARY_DIR}/package/RavelcrestCoreConfigVersion.cmake
  DESTINATION ${RAVELCREST_INSTALL_CMAKEDIR})

# pkg-config: the paths are relative to the .pc file, so the install can move.
file(RELATIVE_PATH RAVELCREST_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" RAVELCREST_PC_TO_PREFIX "${RAVELCREST_PC_TO_PREFIX}")
configure_file(cmake/ravelcrest.pc.in ${CMAKE_BINARY_DIR}/package/ravelcrest.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/ravelcrest.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
