# What a release adds to the programs and installs: on Windows each program's version resource (with
# the icon and the manifest); with INVENTORY_PACKAGING the install rules of the component "inventory"
# (the Windows folder that the MSI and the zip hold, or the Debian file tree) and, on Debian, the
# .deb through CPack. scripts/package.sh drives it.
set(inventory_packaging "${PROJECT_SOURCE_DIR}/packaging")
set(inventory_programs inventory-refresh inventory-report)
if(TARGET inventory)
  list(PREPEND inventory_programs inventory)
endif()

if(WIN32)
  # One resource script per program: the version, its name and description, the icon and manifest.
  set(inventory_description_inventory "Workstation inventory")
  set(inventory_description_inventory-refresh "Workstation inventory: unattended refresh")
  set(inventory_description_inventory-report "Workstation inventory: report")
  set(INVENTORY_RC_ICON "${inventory_packaging}/windows/inventory.ico")
  set(INVENTORY_RC_MANIFEST "${inventory_packaging}/windows/inventory.manifest")
  foreach(program IN LISTS inventory_programs)
    set(INVENTORY_RC_NAME "${program}")
    set(INVENTORY_RC_DESCRIPTION "${inventory_description_${program}}")
    configure_file("${inventory_packaging}/windows/version.rc.in"
                   "${CMAKE_BINARY_DIR}/generated/rc/${program}.rc" @ONLY)
    target_sources(${program} PRIVATE "${CMAKE_BINARY_DIR}/generated/rc/${program}.rc")
    # The resource script names the icon and manifest: a change to either rebuilds it.
    set_property(SOURCE "${CMAKE_BINARY_DIR}/generated/rc/${program}.rc" TARGET_DIRECTORY ${program}
                 APPEND PROPERTY OBJECT_DEPENDS "${INVENTORY_RC_ICON}" "${INVENTORY_RC_MANIFEST}")
  endforeach()
endif()

if(NOT INVENTORY_PACKAGING)
  return()
endif()

if(WIN32)
  # One folder: C:\Program Files\Inventory\ (the MSI) or the portable zip's folder.
  install(TARGETS ${inventory_programs} RUNTIME DESTINATION . COMPONENT inventory)
  install(FILES README.md THIRD-PARTY-NOTICES.txt DESTINATION . COMPONENT inventory)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT inventory)
  return()
endif()

# Debian 12. The units are the example ones, pointed at the installed program and the survey folder
# this package is built for; their options come from the conffile /etc/default/inventory-refresh.
string(REGEX REPLACE "/$" "" inventory_share_path "${INVENTORY_SURVEY_FOLDER}")
if(NOT inventory_share_path MATCHES "^/[^ \t\n\"'\\\\%$]*$")
  message(FATAL_ERROR "The .deb's systemd unit cannot name the survey folder '${INVENTORY_SURVEY_FOLDER}': "
                      "it must be an absolute path without blanks, quotes, backslashes, % or $")
endif()
set(inventory_generated "${CMAKE_BINARY_DIR}/generated/debian")
file(READ "${PROJECT_SOURCE_DIR}/examples/systemd/inventory-refresh.service" unit)
foreach(example IN ITEMS "/usr/local/bin/inventory-refresh" "/mnt/mm/Basa")
  string(FIND "${unit}" "${example}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "examples/systemd/inventory-refresh.service no longer names ${example}")
  endif()
endforeach()
string(REPLACE "/usr/local/bin/inventory-refresh" "/usr/bin/inventory-refresh" unit "${unit}")
string(REPLACE "/mnt/mm/Basa" "${inventory_share_path}" unit "${unit}")
file(WRITE "${inventory_generated}/inventory-refresh.service" "${unit}")

# The window program has no options of its own: its manual page is written by hand; help2man makes
# the other two from their --help and --version.
string(TIMESTAMP inventory_date "%Y-%m-%d" UTC)
string(TIMESTAMP inventory_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(INVENTORY_PACKAGE_MAINTAINER "Inventory maintainers <inventory@${INVENTORY_MAIL_DOMAIN}>" CACHE STRING
    "Maintainer field of the .deb and its changelog")
configure_file("${inventory_packaging}/debian/inventory.1.in" "${inventory_generated}/inventory.1" @ONLY)
configure_file("${inventory_packaging}/debian/changelog.in" "${inventory_generated}/changelog" @ONLY)
set(inventory_compressed "${inventory_generated}/inventory.1.gz" "${inventory_generated}/changelog.gz")
add_custom_command(OUTPUT ${inventory_compressed}
  COMMAND gzip -9nkf inventory.1 changelog
  DEPENDS "${inventory_generated}/inventory.1" "${inventory_generated}/changelog"
  WORKING_DIRECTORY "${inventory_generated}")
set(inventory_summary_inventory-refresh "refresh the workstation inventory without a window")
set(inventory_summary_inventory-report "write the workstation inventory report")
foreach(program inventory-refresh inventory-report)
  add_custom_command(OUTPUT "${inventory_generated}/${program}.1.gz"
    COMMAND help2man --no-info --name "${inventory_summary_${program}}" --section 1
            --output "${program}.1" "$<TARGET_FILE:${program}>"
    COMMAND gzip -9nf "${program}.1"
    DEPENDS ${program}
    WORKING_DIRECTORY "${inventory_generated}")
  list(APPEND inventory_compressed "${inventory_generated}/${program}.1.gz")
endforeach()
add_custom_target(inventory_package_files ALL DEPENDS ${inventory_compressed})

install(TARGETS ${inventory_programs} RUNTIME DESTINATION bin COMPONENT inventory)
install(FILES "${inventory_generated}/inventory.1.gz" "${inventory_generated}/inventory-refresh.1.gz"
              "${inventory_generated}/inventory-report.1.gz"
        DESTINATION share/man/man1 COMPONENT inventory)
install(FILES "${inventory_packaging}/debian/inventory.desktop" DESTINATION share/applications
        COMPONENT inventory)
install(FILES "${inventory_packaging}/inventory.svg" DESTINATION share/icons/hicolor/scalable/apps
        COMPONENT inventory)
install(FILES "${inventory_packaging}/debian/copyright" "${inventory_generated}/changelog.gz"
              THIRD-PARTY-NOTICES.txt README.md
        DESTINATION share/doc/inventory COMPONENT inventory)
install(FILES "${PROJECT_SOURCE_DIR}/examples/systemd/inventory-refresh.default" DESTINATION /etc/default
        RENAME inventory-refresh COMPONENT inventory)
install(FILES "${inventory_generated}/inventory-refresh.service"
              "${PROJECT_SOURCE_DIR}/examples/systemd/inventory-refresh.timer"
        DESTINATION /lib/systemd/system COMPONENT inventory)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME inventory)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The inventory authors")
set(CPACK_PACKAGE_CONTACT "${INVENTORY_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${INVENTORY_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workstation inventory from survey files on a share")
# The extended description below the summary line; CPack indents each line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Every workstation leaves a survey file and an info file in a shared folder.
The window program inventory and the unattended inventory-refresh gather
them into a dBase database in the same share and complete each row with
the person's e-mail address and telephone from the mail directory;
inventory-report writes a report page. A systemd timer runs the refresh
nightly once enabled.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The maintainer scripts create the service's system user with adduser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};inventory;inventory;/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${inventory_packaging}/debian/conffiles"
    "${inventory_packaging}/debian/postinst" "${inventory_packaging}/debian/prerm"
    "${inventory_packaging}/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
