# CLI11, the header-only option parser of the unattended and report programs (Debian libcli11-dev).
# The cross build for Windows takes the same headers from the host: they are plain C++. Only the CLI/
# folder is put on the include path (through a link in the build tree), never the host's whole
# /usr/include, which would shadow the target's C library headers.
find_path(INVENTORY_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(inventory_cli11_dir "${CMAKE_BINARY_DIR}/cli11-include")
file(MAKE_DIRECTORY "${inventory_cli11_dir}")
file(CREATE_LINK "${INVENTORY_CLI11_INCLUDE_DIR}/CLI" "${inventory_cli11_dir}/CLI" SYMBOLIC)
add_library(inventory_cli11 INTERFACE)
target_include_directories(inventory_cli11 SYSTEM INTERFACE "${inventory_cli11_dir}")
