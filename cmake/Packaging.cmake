# A Debian package of what `cmake --install` installs: `cpack -G DEB` in a Release build.
set(CPACK_PACKAGE_NAME inkwend)
set(CPACK_PACKAGE_VENDOR "Inkwend")
set(CPACK_PACKAGE_CONTACT "Inkwend developers <inkwend@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal diary with one formatted entry per day")
set(CPACK_PACKAGE_DESCRIPTION
    "Inkwend is a personal diary for the desktop: one formatted entry for each calendar day, with search, printing, export, icons, pictures, symbols, spelling and an optional password.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries themselves; Qt's platform plugins (to open a window at
# all), its picture readers and a set of metric-compatible fonts are loaded at run time and so
# have to be named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, fonts-liberation2, xdg-utils")
include(CPack)
