# The Windows package: a ZIP with the programs, the sample configuration and
# the installation notes.
#   cmake --build <dir> --target package   ->  <dir>/DadaVizi-<version>-win32.zip
#   cmake --install <dir> --prefix <folder>    the same layout, unzipped

set(DADAVIZI_PACKAGE_TEXT_DIR ${CMAKE_BINARY_DIR}/packaging)

# The text files are opened in Notepad and imported by regedit, so they go
# out with CR LF line ends whatever the checkout has; INSTALL.txt and the
# monitor's manual also get the version.
function(dadavizi_package_text source)
  get_filename_component(name ${source} NAME)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(REPLACE "@PROJECT_VERSION@" "${DADAVIZI_VERSION}" text "${text}")
  file(WRITE ${DADAVIZI_PACKAGE_TEXT_DIR}/${name} "${text}")
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

set(DADAVIZI_SAMPLES DadaVizi.reg DODOZOD.INI autostart.reg uninstall.reg)
foreach(sample ${DADAVIZI_SAMPLES})
  dadavizi_package_text(${CMAKE_SOURCE_DIR}/packaging/${sample})
  list(APPEND DADAVIZI_SAMPLE_FILES ${DADAVIZI_PACKAGE_TEXT_DIR}/${sample})
endforeach()
# The monitor's manual goes out as plain text, not the developers' README.md:
# an administrator reads it in Notepad.
dadavizi_package_text(${CMAKE_SOURCE_DIR}/packaging/INSTALL.txt)
dadavizi_package_text(${CMAKE_SOURCE_DIR}/app/DadaVizi.txt)
set(DADAVIZI_DOCUMENTS ${DADAVIZI_PACKAGE_TEXT_DIR}/INSTALL.txt ${DADAVIZI_PACKAGE_TEXT_DIR}/DadaVizi.txt)

# The monitor and the tools that ship beside it; the test stand-ins stay out.
set(DADAVIZI_PROGRAMS DadaVizi)
# The closer comes along, so that an uninstall by hand can end what runs.
foreach(tool DadaViziStatus DadaViziCheck DadaViziIpp DadaViziRelay DadaViziClose)
  if(TARGET ${tool})
    list(APPEND DADAVIZI_PROGRAMS ${tool})
  endif()
endforeach()

install(TARGETS ${DADAVIZI_PROGRAMS} RUNTIME DESTINATION .)
install(FILES ${DADAVIZI_DOCUMENTS} DESTINATION .)
install(FILES ${DADAVIZI_SAMPLE_FILES} DESTINATION samples)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DADAVIZI_PACKAGE_ARCH win64)
else()
  set(DADAVIZI_PACKAGE_ARCH win32)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME DadaVizi)
set(CPACK_PACKAGE_VENDOR ${DADAVIZI_COMPANY})
set(CPACK_PACKAGE_VERSION ${DADAVIZI_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Printer status in the notification area, with help topics")
set(CPACK_PACKAGE_FILE_NAME DadaVizi-${DADAVIZI_VERSION}-${DADAVIZI_PACKAGE_ARCH})
# One folder inside the ZIP, named like the ZIP, so unzipping makes no mess.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_SOURCE_GENERATOR ZIP)
set(CPACK_SOURCE_PACKAGE_FILE_NAME DadaVizi-${PROJECT_VERSION}-source)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\.git/")
set(CPACK_VERBATIM_VARIABLES YES)
include(CPack)
