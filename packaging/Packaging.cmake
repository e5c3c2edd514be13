# Installation and the Debian package: the program, the service, the
# read-only resources, the desktop entry, the icon, the AppStream data, the
# manual pages, the service's systemd unit (installed, not enabled) and the
# documents Debian asks for.
include(GNUInstallDirs)

set(KALVUNO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(KALVUNO_GZ_DIR ${CMAKE_BINARY_DIR}/packaging)

# Manual pages and the changelog are installed compressed, reproducibly
# (gzip -n leaves the name and time stamp out).
set(kalvuno_gz_files)
foreach(source man/kalvuno.1 man/kalvuno-service.1 changelog)
  get_filename_component(name ${source} NAME)
  set(target ${KALVUNO_GZ_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KALVUNO_GZ_DIR}
    COMMAND gzip -9nc ${KALVUNO_PACKAGING_DIR}/${source} > ${target}
    DEPENDS ${KALVUNO_PACKAGING_DIR}/${source}
    VERBATIM)
  list(APPEND kalvuno_gz_files ${target})
endforeach()
add_custom_target(kalvuno_packaging_docs ALL DEPENDS ${kalvuno_gz_files})

install(TARGETS kalvuno kalvuno-service RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The web view, loaded by the program from its private library folder only
# when it shows web pages.
install(TARGETS kalvuno_browser LIBRARY DESTINATION ${KALVUNO_MODULE_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kalvuno)
install(FILES ${KALVUNO_PACKAGING_DIR}/kalvuno.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/kalvuno.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
install(FILES ${KALVUNO_PACKAGING_DIR}/org.kalvuno.Kalvuno.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KALVUNO_GZ_DIR}/kalvuno.1.gz ${KALVUNO_GZ_DIR}/kalvuno-service.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KALVUNO_PACKAGING_DIR}/copyright ${KALVUNO_GZ_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kalvuno)
install(FILES ${KALVUNO_PACKAGING_DIR}/kalvuno-service.service DESTINATION lib/systemd/system)

# cpack -G DEB
set(CPACK_PACKAGE_NAME kalvuno)
set(CPACK_PACKAGE_VENDOR "Kalvuno Project")
set(CPACK_PACKAGE_CONTACT "Kalvuno developers <dev@kalvuno.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop jukebox for an online music library")
file(READ ${KALVUNO_PACKAGING_DIR}/description.txt CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the binaries and the browser module link are found by
# dpkg-shlibdeps; listed here is what they load or run at run time: libcurl,
# the Qt platform plug-ins, the web
# engine's helper process, the GStreamer plug-ins and tools (the service
# makes its demo media with gst-launch-1.0), the General MIDI soundfont and a
# Japanese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libcurl4, qt6-qpa-plugins, libqt6webenginecore6-bin, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, \
gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-x, gstreamer1.0-tools, fluid-soundfont-gm, \
fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-pulseaudio, qt6-gtk-platformtheme")
include(CPack)
