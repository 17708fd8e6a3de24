# Fixed settings of the installation. They are compiled in; the program reads no configuration at
# run time. The default survey folder is a sample share that the build copies from examples/, so a
# run never writes into the source tree.
set(INVENTORY_SAMPLE_SHARE "${CMAKE_BINARY_DIR}/share/")
set(sample_share_setting "${INVENTORY_SAMPLE_SHARE}")
if(WIN32)
  # A Windows program names the sample share the Windows way; cross-built on a Unix host and run under
  # Wine, the host's root is drive Z:.
  string(REPLACE "/" "\\" sample_share_setting "${sample_share_setting}")
  if(CMAKE_HOST_UNIX)
    set(sample_share_setting "Z:${sample_share_setting}")
  endif()
endif()
set(INVENTORY_SURVEY_FOLDER "${sample_share_setting}" CACHE STRING
    "Survey folder: where workstations leave <host>.txt and <host>.nfo; ends with a path separator")
set(INVENTORY_MAIL_DOMAIN "eflab.example" CACHE STRING "Organisation's mail domain, without the at sign")
# On Windows the default is "ACP", the system's ANSI code page, which is what workstation files without
# a byte-order mark are written in there; a code page name such as "windows-1251" fixes it instead.
if(WIN32)
  set(default_codepage "ACP")
else()
  set(default_codepage "windows-1251")
endif()
set(INVENTORY_CODEPAGE "${default_codepage}" CACHE STRING
    "Code page of workstation files without a byte-order mark (on Windows \"ACP\": the system's ANSI code page)")
set(INVENTORY_DBF_CODEPAGE "windows-1251" CACHE STRING
    "Code page of an existing .dbf table whose header names none (language driver byte 0)")
set(INVENTORY_GAL_FILE "${sample_share_setting}directory/gal.ldif" CACHE STRING
    "LDIF export of the global address list")
set(INVENTORY_CONTACTS_FILE "${sample_share_setting}directory/contacts.vcf" CACHE STRING
    "vCard export of the contacts folder")
option(INVENTORY_HISTORY "Refresh runs record every change of a workstation's row in HISTORY (history.dbf)" ON)

if(NOT INVENTORY_SURVEY_FOLDER MATCHES "[/\\\\]$")
  message(FATAL_ERROR "INVENTORY_SURVEY_FOLDER must end with a path separator: '${INVENTORY_SURVEY_FOLDER}'")
endif()
if(INVENTORY_MAIL_DOMAIN MATCHES "@")
  message(FATAL_ERROR "INVENTORY_MAIL_DOMAIN is the domain without the at sign: '${INVENTORY_MAIL_DOMAIN}'")
endif()

# The sample share is copied into the build tree only when the default folder is in use.
if(INVENTORY_SURVEY_FOLDER STREQUAL sample_share_setting)
  file(COPY "${CMAKE_SOURCE_DIR}/examples/share/" DESTINATION "${INVENTORY_SAMPLE_SHARE}")
  file(MAKE_DIRECTORY "${INVENTORY_SAMPLE_SHARE}DB")
endif()
