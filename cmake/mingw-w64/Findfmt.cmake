# {fmt} for the Windows cross build: header-only, from the host's headers (Debian's libfmt-dev).
# Only a copy of the fmt/ folder is put on the include path, never the rest of the host's
# /usr/include.
find_path(VEXMOR_HOST_FMT_INCLUDE fmt/core.h PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(fmt REQUIRED_VARS VEXMOR_HOST_FMT_INCLUDE)

if(fmt_FOUND AND NOT TARGET fmt::fmt)
  set(VEXMOR_FMT_COPY ${CMAKE_BINARY_DIR}/host-headers)
  file(COPY ${VEXMOR_HOST_FMT_INCLUDE}/fmt DESTINATION ${VEXMOR_FMT_COPY})
  add_library(fmt::fmt INTERFACE IMPORTED)
  set_target_properties(fmt::fmt PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VEXMOR_FMT_COPY}
                                             INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1)
endif()
