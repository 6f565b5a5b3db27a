# A static library from the given sources; a folder that has no sources yet gives an
# interface library, so the tree configures while subsystems are being filled in.
function(karvin_library name)
  if(ARGN)
    add_library(${name} STATIC ${ARGN})
    set(${name}_KIND PUBLIC PARENT_SCOPE)
  else()
    add_library(${name} INTERFACE)
    set(${name}_KIND INTERFACE PARENT_SCOPE)
  endif()
endfunction()
