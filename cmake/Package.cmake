# The Debian package: `cpack -G DEB` in the build folder makes
# snipforge_<version>_<arch>.deb with the program, its desktop entry, its
# icons and its AppStream metainfo. The runtime libraries become package
# dependencies through dpkg-shlibdeps, so the package names exactly the
# libraries this build links.

set(CPACK_PACKAGE_NAME snipforge)
set(CPACK_PACKAGE_VENDOR "Zarvo Software")
set(CPACK_PACKAGE_CONTACT "Zarvo Software <support@zarvo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut scenes out of video files, losslessly or precisely")
set(CPACK_PACKAGE_DESCRIPTION
    "Snipforge cuts one scene out of a video file: open or drop a video, look at\n"
    "still frames at chosen positions, mark a start and an end, and save the\n"
    "scene as a new file, losslessly (the streams are copied) or precisely\n"
    "(re-encoded to H.264/AAC in MP4). The frame on show can be saved as a\n"
    "picture.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://zarvo.example/snipforge/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The language pack's scripts need fonts beyond a bare desktop's: without
# them Chinese, Japanese, Korean, Thai and Hindi texts show as boxes (DejaVu
# has the Arabic, Persian and Hebrew letters). shlibdeps adds the libraries
# to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-noto-cjk, fonts-thai-tlwg, fonts-lohit-deva")

include(CPack)
