# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it:
#   lib/libquorvant-nfe.so.MAJOR (+ the development link), the static library only on request
#     (`cmake --install build --component static`),
#   include/quorvant-nfe/ (the public headers, in the folders of src/; the C interface qnfe.h on top),
#   share/quorvant-nfe/ (data/: templates, schemas, servers files, ICP-Brasil roots),
#   bin/nfe and bin/sefaz-sim,
#   lib/cmake/QuorvantNFe/ (find_package(QuorvantNFe) -> Quorvant::nfe; COMPONENTS static ->
#     Quorvant::nfe_static) and lib/pkgconfig/quorvant-nfe.pc.
include(CMakePackageConfigHelpers)

set(QVX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QuorvantNFe)

install(TARGETS quorvant-nfe-shared EXPORT QuorvantNFeTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS quorvant-nfe EXPORT QuorvantNFeStaticTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT static EXCLUDE_FROM_ALL)
install(EXPORT QuorvantNFeTargets NAMESPACE Quorvant:: DESTINATION ${QVX_CMAKE_PACKAGE_DIR})
install(EXPORT QuorvantNFeStaticTargets NAMESPACE Quorvant:: DESTINATION ${QVX_CMAKE_PACKAGE_DIR}
  COMPONENT static EXCLUDE_FROM_ALL)

# The headers a program includes. Those of src/outside that carry third-party types stay private: they
# serve only the library's own door to those libraries.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvant-nfe
  FILES_MATCHING PATTERN "*.h"
  PATTERN "vxnCertificateStore.h" EXCLUDE PATTERN "vxnOpenSsl.h" EXCLUDE
  PATTERN "vxnOutsideHandles.h" EXCLUDE PATTERN "vxnReportImage.h" EXCLUDE
  PATTERN "vxnSoapClient.h" EXCLUDE PATTERN "vxnTrustStore.h" EXCLUDE
  PATTERN "vxnXmlCanonicalizer.h" EXCLUDE PATTERN "vxnXmlParser.h" EXCLUDE
  PATTERN "vxnXmlSec.h" EXCLUDE PATTERN "vxnXmlSigner.h" EXCLUDE
  PATTERN "vxnXmlSigningScan.h" EXCLUDE PATTERN "vxnXmlWriter.h" EXCLUDE)
if(EXISTS ${CMAKE_SOURCE_DIR}/include/quorvant-nfe)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/quorvant-nfe/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvant-nfe)
endif()

install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${QVX_INSTALL_DATADIR})

foreach(program nfe sefaz-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/QuorvantNFeConfig.cmake.in
  ${CMAKE_BINARY_DIR}/QuorvantNFeConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/QuorvantNFeConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QuorvantNFeConfig.cmake ${CMAKE_BINARY_DIR}/QuorvantNFeConfigVersion.cmake
  DESTINATION ${QVX_CMAKE_PACKAGE_DIR})

# The pkg-config file finds its prefix from where it lies, so that a prefix given at install time
# (`cmake --install build --prefix DIR`) or a moved one is still right.
set(QVX_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH QVX_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${QVX_PC_DIR} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QVX_PC_TO_PREFIX "${QVX_PC_TO_PREFIX}")
# What a program linked with the static library must link too (pkg-config --static --libs).
set(qvx_private_libs ${LIBXML2_LIBRARIES} ${XMLSEC_LIBRARIES} ${SIMPLEINI_LIBRARIES} ${HTTPLIB_LIBRARIES}
  ${PANGOCAIRO_LIBRARIES}
  ssl crypto z fmt curl jpeg cups zint)
list(REMOVE_DUPLICATES qvx_private_libs)
list(TRANSFORM qvx_private_libs PREPEND "-l")
list(JOIN qvx_private_libs " " QVX_PC_LIBS_PRIVATE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvant-nfe.pc.in ${CMAKE_BINARY_DIR}/quorvant-nfe.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/quorvant-nfe.pc DESTINATION ${QVX_PC_DIR})

# The Debian package: `cpack -G DEB` in the build folder (docs/installing.md). Its dependencies are the
# Debian packages of the shared libraries the programs and the library load (dpkg-shlibdeps), and the
# fonts of the printed forms.
set(CPACK_PACKAGE_NAME quorvant-nfe)
set(CPACK_PACKAGE_VENDOR "Quorvant")
set(CPACK_PACKAGE_CONTACT "Quorvant NFe <nfe@quorvant.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NF-e (Brazilian electronic invoice) library, the nfe tool and a local tax-authority server")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
