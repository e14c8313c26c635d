# The functions that build this project's targets the same way everywhere:
# warnings, plain C++ as the product is written, hardened static linking,
# the oldest Windows the programs run on, resource scripts and manifests.
# Included from the top CMakeLists.txt before any target is made.

# Warnings for everything this project compiles itself.
function(dadavizi_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(DADAVIZI_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(DADAVIZI_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# Executables carry no MinGW runtime DLL and link hardened and reproducibly.
function(dadavizi_link_options target)
  if(MINGW)
    target_link_options(${target} PRIVATE -static
      -Wl,--nxcompat -Wl,--dynamicbase -Wl,--no-insert-timestamp)
  endif()
endfunction()

# The oldest Windows the programs run on: Windows NT 4.0 with the version 4
# shell. The headers then hide anything newer from the code.
function(dadavizi_target_windows target scope)
  target_compile_definitions(${target} ${scope}
    WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400 NOMINMAX)
endfunction()

# Plain C++ as the product is written: no exceptions, no RTTI, warnings on.
function(dadavizi_plain target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /EHs-c- /GR-)
  else()
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  endif()
  dadavizi_warnings(${target})
endfunction()

# An executable that ships: plain, hardened, and stripped in release builds.
function(dadavizi_shipped_executable target)
  dadavizi_plain(${target})
  dadavizi_link_options(${target})
  if(MINGW)
    target_link_options(${target} PRIVATE $<$<CONFIG:MinSizeRel,Release>:-s>)
  endif()
endfunction()

# dadavizi_resources(target rcfile...): resource scripts that include
# res/version.rc2 and the other shared resource files.
function(dadavizi_resources target)
  target_sources(${target} PRIVATE ${ARGN})
  set_source_files_properties(${ARGN} PROPERTIES
    INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR}/res;${DADAVIZI_GENERATED_DIR}")
endfunction()

# dadavizi_manifest(NAME rcfile [DPI_AWARE]): NAME.manifest, generated from
# res/app.manifest.in into the generated directory, where `rcfile` embeds it.
# DPI_AWARE adds the monitor's DPI awareness (Windows Vista and later).
function(dadavizi_manifest name rcfile)
  set(DV_MANIFEST_NAME ${name})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(DV_MANIFEST_ARCH amd64)
  else()
    set(DV_MANIFEST_ARCH x86)
  endif()
  set(DV_MANIFEST_SETTINGS "")
  if("DPI_AWARE" IN_LIST ARGN)
    string(CONCAT DV_MANIFEST_SETTINGS
      "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
      "    <windowsSettings>\n"
      "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>\n"
      "    </windowsSettings>\n"
      "  </application>\n")
  endif()
  set(manifest ${DADAVIZI_GENERATED_DIR}/${name}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/res/app.manifest.in ${manifest} @ONLY)
  set_property(SOURCE ${rcfile} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
endfunction()
