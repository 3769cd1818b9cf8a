# The Windows build has no libpng: it writes PNG images through the system's own encoder, the
# Windows Imaging Component, reached through COM (ole32). PNG::PNG stands for that encoder so
# that targets name it alike on every platform.
if(NOT TARGET PNG::PNG)
  add_library(PNG::PNG INTERFACE IMPORTED)
  set_target_properties(PNG::PNG PROPERTIES INTERFACE_LINK_LIBRARIES ole32)
endif()
set(PNG_FOUND TRUE)
