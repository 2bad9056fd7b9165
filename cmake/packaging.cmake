# A Debian package of what `cmake --install` installs, made by `cpack -G DEB` in the build
# directory. Its dependencies come from the binaries (dpkg-shlibdeps), plus what Qt loads at run
# time and the fonts the window is laid out for.
set(CPACK_PACKAGE_NAME roruvez)
set(CPACK_PACKAGE_VENDOR "The Roruvez authors")
set(CPACK_PACKAGE_CONTACT "The Roruvez authors <roruvez@velmora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut a file into numbered pieces and join them back")
set(CPACK_PACKAGE_DESCRIPTION
    "Roruvez cuts one file into numbered pieces (breldo.1, breldo.2, ...)\n\
small enough for removable disks, and joins such a piece set back into\n\
the exact file it came from. It comes as a Qt window, roruvez, and a\n\
console program for scripts, roruvez-cli.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmora.example/roruvez/")
if(RORUVEZ_WINDOW)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
endif()
include(CPack)
