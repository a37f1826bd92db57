# The icon and VERSIONINFO of a Windows program, and optionally the wall texture as an RCDATA
# resource. The icon and the texture are drawn by tools that run on the build machine, so a
# cross build takes them from a Linux build's bin/ (VORTICEL_ARTWORK_DIR; scripts/build-windows.sh
# builds and names it); without it the programs get their version information only.
set(VORTICEL_ARTWORK_DIR "" CACHE PATH
    "Folder with vorticel.ico and grottebl.jpg, drawn by a Linux build (its bin/)")

# vorticel_windows_resources(TARGET FILE_NAME DESCRIPTION [TEXTURE])
function(vorticel_windows_resources target file_name description)
  set(VORTICEL_RC_NAME ${file_name})
  set(VORTICEL_RC_DESCRIPTION ${description})
  set(VORTICEL_RC_ICON "")
  set(VORTICEL_RC_TEXTURE "")
  set(artwork ${VORTICEL_ARTWORK_DIR})
  if(artwork)
    if(NOT EXISTS ${artwork}/vorticel.ico OR NOT EXISTS ${artwork}/grottebl.jpg)
      message(FATAL_ERROR "VORTICEL_ARTWORK_DIR=${artwork} lacks vorticel.ico or grottebl.jpg")
    endif()
    # Icon 1 is the one Explorer shows and the window classes load.
    set(VORTICEL_RC_ICON "1 ICON \"${artwork}/vorticel.ico\"")
    if(ARGN STREQUAL "TEXTURE")
      set(VORTICEL_RC_TEXTURE "#include \"${PROJECT_SOURCE_DIR}/programs/vorticel-scr/resource.h\"
IDR_WALL_TEXTURE RCDATA \"${artwork}/grottebl.jpg\"")
    endif()
    set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc APPEND PROPERTY
                 OBJECT_DEPENDS ${artwork}/vorticel.ico ${artwork}/grottebl.jpg)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
