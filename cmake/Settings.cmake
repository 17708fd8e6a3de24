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
# The live directory: with INVENTORY_GAL_LDAP the address list is read from that LDAP directory
# instead of INVENTORY_GAL_FILE (on Windows instead of the mail client, and the contacts then from
# INVENTORY_CONTACTS_FILE), with INVENTORY_CONTACTS_CARDDAV (not on Windows) the contacts from that
# CardDAV address book instead of INVENTORY_CONTACTS_FILE. On Windows the bind is Kerberos with the
# logged-on user's ticket unless set otherwise, and the system's certificate store decides which
# authorities are trusted.
if(WIN32)
  set(default_ldap_bind "gssapi")
else()
  set(default_ldap_bind "simple")
endif()
set(INVENTORY_GAL_LDAP "" CACHE STRING "LDAP directory of the global address list (ldaps://host, or ldap://host)")
set(INVENTORY_LDAP_BASE "" CACHE STRING "Where the address list search starts (empty: the directory's own)")
set(INVENTORY_GAL_DN "" CACHE STRING "DN of the address list (empty: the default global address list)")
set(INVENTORY_LDAP_BIND "${default_ldap_bind}" CACHE STRING "simple (name and password file) or gssapi (Kerberos)")
set(INVENTORY_LDAP_USER "" CACHE STRING "Bind name: a DN, user@domain or DOMAIN\\user")
set(INVENTORY_LDAP_PASSWORD_FILE "" CACHE STRING "File holding the bind password")
set(INVENTORY_LDAP_CA "" CACHE STRING "CA certificates for the directory's certificate (empty: the system's)")
option(INVENTORY_LDAP_STARTTLS "Upgrade ldap:// with StartTLS" OFF)
set(INVENTORY_LDAP_TIMEOUT "30" CACHE STRING "Bound in seconds of the connect and of each request")
option(INVENTORY_LDAP_INSECURE "Allow a simple bind over ldap:// without TLS" OFF)
set(INVENTORY_CONTACTS_CARDDAV "" CACHE STRING "CardDAV address book of the contacts (https://host/user/contacts/)")
set(INVENTORY_CARDDAV_USER "" CACHE STRING "User name for the address book")
set(INVENTORY_CARDDAV_PASSWORD_FILE "" CACHE STRING "File holding the address book's password")
set(INVENTORY_CARDDAV_CA "" CACHE STRING "CA certificates for the address book's certificate (empty: the system's)")
if(NOT INVENTORY_LDAP_BIND MATCHES "^(simple|gssapi)$")
  message(FATAL_ERROR "INVENTORY_LDAP_BIND is simple or gssapi: '${INVENTORY_LDAP_BIND}'")
endif()
if(WIN32 AND NOT INVENTORY_LDAP_CA STREQUAL "")
  message(FATAL_ERROR "INVENTORY_LDAP_CA is not used on Windows: the system's certificate store decides which "
                      "authorities are trusted; add the directory's CA to the trusted root certificates instead")
endif()
if(WIN32 AND NOT INVENTORY_CONTACTS_CARDDAV STREQUAL "")
  message(FATAL_ERROR "INVENTORY_CONTACTS_CARDDAV is not available on Windows (the build has no HTTP and XML "
                      "libraries)")
endif()
if(NOT INVENTORY_LDAP_TIMEOUT MATCHES "^[1-9][0-9]*$")
  message(FATAL_ERROR "INVENTORY_LDAP_TIMEOUT is a number of seconds: '${INVENTORY_LDAP_TIMEOUT}'")
endif()

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
