# The Debian package, made by CPack's DEB generator from the install rules,
# with the dependencies that dpkg-shlibdeps reads off the programs and
# songcore (scripts/package.sh builds it).

set(TUNEMOSS_MAINTAINER "The Tunemoss developers <tunemoss@users.noreply.github.com>"
    CACHE STRING "Who answers for the package: name <address>")

# The release date as a Debian changelog wants it ("Wed, 09 Dec 2026
# 00:00:00 +0000"); the weekday by Zeller's congruence.
function(tunemoss_changelog_date iso_date result)
    string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" _ "${iso_date}")
    math(EXPR year "${CMAKE_MATCH_1}")
    math(EXPR month "${CMAKE_MATCH_2}")
    math(EXPR day "${CMAKE_MATCH_3}")
    set(y ${year})
    set(m ${month})
    if(m LESS 3)
        math(EXPR m "${m} + 12")
        math(EXPR y "${y} - 1")
    endif()
    math(EXPR weekday "(${day} + (13 * (${m} + 1)) / 5 + ${y} + ${y} / 4 - ${y} / 100 + ${y} / 400) % 7")
    set(weekdays Sat Sun Mon Tue Wed Thu Fri)
    list(GET weekdays ${weekday} weekday_name)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    math(EXPR month_index "${month} - 1")
    list(GET months ${month_index} month_name)
    string(LENGTH "${day}" day_length)
    set(padded_day ${day})
    if(day_length EQUAL 1)
        set(padded_day "0${day}")
    endif()
    set(${result} "${weekday_name}, ${padded_day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()
tunemoss_changelog_date(${TUNEMOSS_RELEASE_DATE} TUNEMOSS_CHANGELOG_DATE)
string(SUBSTRING ${TUNEMOSS_RELEASE_DATE} 0 4 TUNEMOSS_RELEASE_YEAR)

# The copyright file and the changelog go where Debian wants them, which is
# as good a place as any for another installation.
set(TUNEMOSS_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${TUNEMOSS_PACKAGING_DIR}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${TUNEMOSS_PACKAGING_DIR}/changelog @ONLY)
add_custom_command(
    OUTPUT ${TUNEMOSS_PACKAGING_DIR}/changelog.gz
    COMMAND gzip -9nfk ${TUNEMOSS_PACKAGING_DIR}/changelog
    DEPENDS ${TUNEMOSS_PACKAGING_DIR}/changelog
    VERBATIM)
add_custom_target(changelog ALL DEPENDS ${TUNEMOSS_PACKAGING_DIR}/changelog.gz)
install(FILES ${TUNEMOSS_PACKAGING_DIR}/copyright ${TUNEMOSS_PACKAGING_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tunemoss)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tunemoss developers")
set(CPACK_PACKAGE_CONTACT "${TUNEMOSS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music collection manager and tag editor")
set(CPACK_PACKAGE_DESCRIPTION
    "Tunemoss keeps a music collection in a song tree, grouped by file type and
artist, plays a play list, and edits the tags of the songs: MP3 (ID3v1,
ID3v2, APEv2), Ogg Vorbis, Opus, FLAC, MP4/M4A, Windows Media and RealMedia
files. It renames and copies songs by patterns built from their tags, reads
and writes M3U and PLS play lists, and undoes tag edits.
.
This package holds the desktop program, qarv, and the command-line program,
tunemoss.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/tunemoss/tunemoss")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# songcore is found through the programs' $ORIGIN path, in the package itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${CMAKE_INSTALL_PREFIX}/${TUNEMOSS_PRIVATE_LIBDIR}")
# libmpv, libcurl and ICU are loaded when first needed
# (songcore/util/SharedLibrary.h), so dpkg-shlibdeps cannot see them. ICU is
# opened by the major version its headers were built with.
string(REGEX MATCH "^[0-9]+" TUNEMOSS_ICU_MAJOR "${ICU_VERSION}")
# So are FFmpeg's libraries, the loudness meter and the fingerprinter, by
# their major versions.
foreach(library avformat avcodec swresample avutil)
    string(REGEX MATCH "^[0-9]+" major "${AV_lib${library}_VERSION}")
    string(APPEND TUNEMOSS_AV_DEPENDS ", lib${library}${major}")
endforeach()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libmpv2 | libmpv1, libcurl4 | libcurl3-gnutls, libicu${TUNEMOSS_ICU_MAJOR}${TUNEMOSS_AV_DEPENDS}, libebur128-1, libchromaprint1")
# Qt's own texts in the user's language, and its Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
