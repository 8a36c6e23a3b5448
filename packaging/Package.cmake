# The Debian package (./run-package): CPack's DEB generator over the install
# component "edgetucker", so that the package holds exactly what
# `cmake --install` puts in place for the bridge, from the same build folder
# (and the same compiler cache) as the programs.  Beside the install rules of
# the top-level CMakeLists.txt it adds what a Debian system expects of a
# program: a menu entry and its picture, a manual page, the copyright file and
# the changelog, all under /usr/share.
#
# Dependencies are read off the shared libraries the files link
# (dpkg-shlibdeps); the add-in's own libraries are found in the build folder.

set(EDGETUCKER_PACKAGE_VERSION "1.2d" CACHE STRING "The Debian package's version")

# Manual page and changelog compressed without a time stamp (the same bytes
# from every build).
find_program(EDGETUCKER_GZIP gzip)
set(_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(_generated ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(OUTPUT ${_generated}/edgetucker-bridge.1.gz ${_generated}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_generated}
  COMMAND ${EDGETUCKER_GZIP} -9nc ${_packaging}/edgetucker-bridge.1 > ${_generated}/edgetucker-bridge.1.gz
  COMMAND ${EDGETUCKER_GZIP} -9nc ${_packaging}/changelog > ${_generated}/changelog.gz
  DEPENDS ${_packaging}/edgetucker-bridge.1 ${_packaging}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(package_docs ALL DEPENDS ${_generated}/edgetucker-bridge.1.gz ${_generated}/changelog.gz)
add_dependencies(edgetucker-bridge package_docs)

install(FILES ${_generated}/edgetucker-bridge.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT edgetucker)
install(FILES ${_generated}/changelog.gz ${_packaging}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/edgetucker COMPONENT edgetucker)
install(FILES ${_packaging}/edgetucker.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT edgetucker)
install(FILES ${_packaging}/edgetucker-bridge.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT edgetucker)

# A stripped package's programs and libraries lose their .comment section too
# (the compiler's version, once per object), as Debian's own packaging tools
# strip them: `strip` alone keeps it.  Run after the rules above have
# installed them.
find_program(EDGETUCKER_OBJCOPY NAMES ${CMAKE_OBJCOPY} objcopy)
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(_file edgetucker-bridge libedgetucker.so libplatform.so libmgwatch1.so)
      execute_process(COMMAND \"${EDGETUCKER_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${EDGETUCKER_INSTALL_DIR}/\${_file}\"
        RESULT_VARIABLE _status)
      if(NOT _status EQUAL 0)
        message(FATAL_ERROR \"objcopy could not remove .comment from \${_file}\")
      endif()
    endforeach()
  endif()" COMPONENT edgetucker)

# The hook library calls no C library function of its own, so the linker
# would leave libc out of its needs; Debian wants every shared object to name it.
target_link_options(mgwatch1 PRIVATE "LINKER:--no-as-needed")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME edgetucker)
set(CPACK_PACKAGE_VERSION ${EDGETUCKER_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the bridge's component, in one package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};edgetucker;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # edgetucker_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The project has no mail address of its own yet: .invalid never resolves, so
# no mail goes to a stranger (packaging/copyright says the same).
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Edgetucker maintainers <maintainers@edgetucker.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "auto-hides an IDE's main window and inspector at the screen edges")
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Edgetucker makes an IDE's main window and its object inspector behave like
auto-hide task bars: a hidden window leaves a thin strip at its screen edge,
rests of the pointer on the strip bring it back, and moving away hides it
again.
.
This package holds edgetucker-bridge, which hosts the Edgetucker add-in beside
an IDE running on an X11 display (Lazarus is recognised out of the box), the
add-in library with its help file, and the sources of a Lazarus IDE package
that adds Edgetucker to the IDE's Tools menu
(edgetucker-bridge --install-lazarus-package).")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The add-in's own libraries, for dpkg-shlibdeps to find (they are in the package).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
# The package's Lazarus package is built by lazbuild; the bridge works without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lazarus-ide")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
include(CPack)
