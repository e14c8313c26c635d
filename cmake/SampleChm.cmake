# The sample help file for the tests and the demo: DOZID049.CHM, compiled
# from tests/help/sample-chm/ with Debian's chmcmd (package fp-utils), and
# its short texts DOZID049.INI beside it, both in ${CMAKE_BINARY_DIR}/help-sample.
#
# Where to find them:
# - DADAVIZI_SAMPLE_HELP_DIR, DADAVIZI_SAMPLE_CHM, DADAVIZI_SAMPLE_TEXTS:
#   cache entries with the host paths; DADAVIZI_SAMPLE_CHM and
#   DADAVIZI_SAMPLE_TEXTS are empty when chmcmd or chmls is missing.
# - dadavizi_use_sample_help(target): the target builds after the help file
#   and includes dadavizi_sample_help.h, whose DADAVIZI_SAMPLE_CHM and
#   DADAVIZI_SAMPLE_TEXTS are the paths as the program sees them (under Wine
#   through drive Z:), or "" without chmcmd, so a test can skip.
set(DADAVIZI_SAMPLE_HELP_SOURCE ${CMAKE_SOURCE_DIR}/tests/help/sample-chm)
set(DADAVIZI_SAMPLE_HELP_DIR ${CMAKE_BINARY_DIR}/help-sample CACHE INTERNAL
  "Folder of the sample help file and its short texts")

find_program(DADAVIZI_CHMCMD chmcmd DOC "Free Pascal's CHM compiler (Debian fp-utils)")
find_program(DADAVIZI_CHMLS chmls DOC "Free Pascal's CHM lister (Debian fp-utils)")

# dadavizi_path_for_program(VAR path): `path` as the built programs see it,
# through Wine's drive Z: when they run under Wine.
function(dadavizi_path_for_program var path)
  if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    set(path "Z:${path}")
  endif()
  string(REPLACE "/" "\\\\" path "${path}")
  set(${var} "${path}" PARENT_SCOPE)
endfunction()

if(DADAVIZI_CHMCMD AND DADAVIZI_CHMLS)
  set(dir ${DADAVIZI_SAMPLE_HELP_DIR})
  set(chm ${dir}/DOZID049.CHM)
  set(texts ${dir}/DOZID049.INI)
  # chmcmd reads the project relative to the folder it runs in and writes
  # the CHM there, so it compiles a fresh copy in the build tree; a page
  # that is added or removed makes CMake look at the folder again.
  file(GLOB sources CONFIGURE_DEPENDS ${DADAVIZI_SAMPLE_HELP_SOURCE}/*)
  set(project ${dir}/project)
  set(check ${CMAKE_SOURCE_DIR}/cmake/chm-check.sh)
  # chm-check.sh also wants a short text for every number. The CHM takes its
  # place only after the check passed, so a failed check fails the next
  # build too.
  add_custom_command(OUTPUT ${chm} ${texts}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${project}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${DADAVIZI_SAMPLE_HELP_SOURCE} ${project}
    COMMAND ${CMAKE_COMMAND} -E chdir ${project} ${DADAVIZI_CHMCMD} DOZID049.hhp
    COMMAND sh ${check} ${DADAVIZI_CHMLS} ${project}/DOZID049.CHM ${project}/DOZID049.h
      ${project}/ SEC ${project}/DOZID049.INI
    COMMAND ${CMAKE_COMMAND} -E copy ${project}/DOZID049.CHM ${project}/DOZID049.INI ${dir}
    DEPENDS ${sources} ${check}
    COMMENT "Compiling and checking the sample help file DOZID049.CHM"
    VERBATIM)
  add_custom_target(dadavizi_sample_help ALL DEPENDS ${chm} ${texts})
  set(DADAVIZI_SAMPLE_CHM ${chm} CACHE INTERNAL "The sample help file")
  set(DADAVIZI_SAMPLE_TEXTS ${texts} CACHE INTERNAL "The sample help file's short texts")
  dadavizi_path_for_program(chm_for_program ${chm})
  dadavizi_path_for_program(texts_for_program ${texts})

  # The check must notice each kind of fault, and name it: a number missing
  # from the context map, a page not stored, another window first, a missing
  # or too long short text, and a file that is no CHM at all.
  if(DADAVIZI_BUILD_TESTS)
    set(cases ${dir}/check-cases)
    string(REPEAT "x" 256 long)
    file(WRITE ${cases}/map.h "#define IDH_READY 3\n#define IDH_NONE 99\n")
    file(WRITE ${cases}/texts.INI "[Other]\n17=Elsewhere\n[Text]\n3=${long}\n")
    file(WRITE ${cases}/nochm.CHM "not a help file\n")
    set(run sh ${check} ${DADAVIZI_CHMLS})
    set(built ${project}/DOZID049.CHM ${project}/DOZID049.h ${project})
    add_test(NAME sample_help_check COMMAND ${run} ${built} SEC ${project}/DOZID049.INI)
    set_tests_properties(sample_help_check PROPERTIES
      PASS_REGULAR_EXPRESSION "numbers 1 2 3 .* 25 mapped, each with a short text; first window SEC")
    add_test(NAME sample_help_check_number_not_mapped
      COMMAND ${run} ${project}/DOZID049.CHM ${cases}/map.h ${project} SEC)
    set_tests_properties(sample_help_check_number_not_mapped PROPERTIES
      PASS_REGULAR_EXPRESSION "context number 99 is not mapped")
    add_test(NAME sample_help_check_page_not_stored
      COMMAND ${run} ${project}/DOZID049.CHM ${project}/DOZID049.h ${cases} SEC)
    set_tests_properties(sample_help_check_page_not_stored PROPERTIES
      PASS_REGULAR_EXPRESSION "context number 17 names [^\n]*/paper-jam.htm, but the CHM holds no")
    add_test(NAME sample_help_check_window_not_first COMMAND ${run} ${built} MAIN)
    set_tests_properties(sample_help_check_window_not_first PROPERTIES
      PASS_REGULAR_EXPRESSION "the first window type is SEC, not MAIN")
    add_test(NAME sample_help_check_short_texts COMMAND ${run} ${built} SEC ${cases}/texts.INI)
    set_tests_properties(sample_help_check_short_texts PROPERTIES
      PASS_REGULAR_EXPRESSION "the short text of 3 is longer than 255.*no short text for context number 17\n")
    add_test(NAME sample_help_check_no_chm COMMAND ${run} ${cases}/nochm.CHM ${cases}/map.h ${cases} SEC)
    set_tests_properties(sample_help_check_no_chm PROPERTIES
      PASS_REGULAR_EXPRESSION "no context map .*no window types")
  endif()
else()
  message(STATUS "chmcmd or chmls not found (Debian package fp-utils): "
    "no sample help file DOZID049.CHM, its tests skip")
  add_custom_target(dadavizi_sample_help)
  set(DADAVIZI_SAMPLE_CHM "" CACHE INTERNAL "The sample help file")
  set(DADAVIZI_SAMPLE_TEXTS "" CACHE INTERNAL "The sample help file's short texts")
  set(chm_for_program "")
  set(texts_for_program "")
endif()

file(CONFIGURE OUTPUT ${DADAVIZI_GENERATED_DIR}/dadavizi_sample_help.h CONTENT
"// Generated by cmake/SampleChm.cmake: the sample help file of this build
// tree and its short texts, as the programs see them; empty without chmcmd.
#define DADAVIZI_SAMPLE_CHM \"@chm_for_program@\"
#define DADAVIZI_SAMPLE_TEXTS \"@texts_for_program@\"
" @ONLY)

# dadavizi_use_sample_help(target): `target` is built after the sample help
# file and includes dadavizi_sample_help.h.
function(dadavizi_use_sample_help target)
  add_dependencies(${target} dadavizi_sample_help)
  target_include_directories(${target} PRIVATE ${DADAVIZI_GENERATED_DIR})
endfunction()
