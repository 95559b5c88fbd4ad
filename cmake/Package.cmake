# `cpack -G DEB` in the build folder: ravelcrest_VERSION_amd64.deb with the
# install of Install.cmake below /usr, its Depends worked out by
# dpkg-shlibdeps from the programs and libraries it holds.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ravelcrest)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "RavelcrestCore")
set(CPACK_PACKAGE_CONTACT "RavelcrestCore developers <ravelcrest@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs entry, and ldconfig run by a trigger rather than by
# maintainer scripts (what Debian asks of a package with a public library).
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/shlibs.in ${CMAKE_BINARY_DIR}/package/debian/shlibs @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/triggers ${CMAKE_BINARY_DIR}/package/debian/triggers COPYONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_BINARY_DIR}/package/debian/shlibs ${CMAKE_BINARY_DIR}/package/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The Python module is built for one interpreter version.
if(RAVELCREST_PYTHON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "python3 (>= ${RAVELCREST_PYTHON_VERSION}), python3 (<< ${RAVELCREST_PYTHON_NEXT_VERSION})")
endif()
# Building a C++ harness against the package needs the headers of the
# libraries the static parts link.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
  "g++, cmake, pkgconf, nlohmann-json3-dev, zlib1g-dev, libgif-dev, libjpeg-dev, libpng-dev, libsqlite3-dev, libsodium-dev, libssl-dev")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "regression-test harness for the Vexlar CAD application")
set(CPACK_PACKAGE_DESCRIPTION "RavelcrestCore checks CAD documents against stored baselines (edge and
 triangle counts, mass properties, sheets, features, images, timings)
 through the automation interface of the host. The package holds the
 library, the ravelcrest and keystead-admin programs, the simulated host and
 vault, the Python module, the headers, CMake package and pkg-config file for
 C++ harnesses, and sample models.")
string(REPLACE "\n " "\n" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")

# Debian wants a copyright file and a compressed changelog in the package's
# documentation folder.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ravelcrest)
find_program(RAVELCREST_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
  COMMAND ${RAVELCREST_GZIP} -9nc ${PROJECT_SOURCE_DIR}/cmake/debian/changelog > ${CMAKE_BINARY_DIR}/package/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog)
add_custom_target(ravelcrest_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ravelcrest)

include(CPack)
