# Run at install time (cmake --install, cpack): writes the files that name installed paths, the
# desktop entry and the manual pages, for the prefix actually installed to, which --prefix or
# CPack may set differently from the configured one, and installs them.
# Set by the caller: VORTICEL_SOURCE_DIR, VORTICEL_STAGE_DIR, VORTICEL_BINDIR, VORTICEL_DATADIR,
# VORTICEL_MANDIR, VORTICEL_DOCDIR, VORTICEL_MAINTAINER, PROJECT_VERSION.

function(vorticel_full_path dir out)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

vorticel_full_path("${VORTICEL_BINDIR}" bin_dir)
vorticel_full_path("${VORTICEL_DATADIR}" data_dir)
vorticel_full_path("${VORTICEL_MANDIR}" man_dir)
vorticel_full_path("${VORTICEL_DOCDIR}" doc_dir)
set(VORTICEL_SHARE_DIR "${data_dir}/vorticel")
set(VORTICEL_SAVER_XML "${data_dir}/xscreensaver/config/vorticel-saver.xml")

# Exec= is a command line: an argument with characters other than these is quoted, with ", `,
# $ and \ escaped inside the quotes, and every backslash doubled once more as the entry's string
# escape. Path= is a plain string: only its backslashes are doubled.
set(exec "${bin_dir}/Vorticel")
if(NOT exec MATCHES "^[A-Za-z0-9/._+-]+$")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(VORTICEL_EXEC "${exec}")
string(REPLACE "\\" "\\\\" VORTICEL_PATH "${VORTICEL_SHARE_DIR}")

# A folder of its own for each destination, so that installs to two prefixes do not meet.
string(MD5 stage_key "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(stage "${VORTICEL_STAGE_DIR}/${stage_key}")
file(MAKE_DIRECTORY "${stage}")

configure_file("${VORTICEL_SOURCE_DIR}/vorticel.desktop.in" "${stage}/vorticel.desktop" @ONLY)
file(INSTALL DESTINATION "${data_dir}/applications" TYPE FILE FILES "${stage}/vorticel.desktop")

# Manual pages and the changelog compressed as Debian ships them (gzip -n: no name or time
# stamp inside).
function(vorticel_gzip template name out)
  configure_file("${VORTICEL_SOURCE_DIR}/${template}" "${stage}/${name}" @ONLY)
  execute_process(COMMAND gzip -9 -n -c "${stage}/${name}" OUTPUT_FILE "${stage}/${name}.gz"
                  RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${name}: ${gzip_result}")
  endif()
  set(${out} "${stage}/${name}.gz" PARENT_SCOPE)
endfunction()
vorticel_gzip(Vorticel.6.in Vorticel.6 program_page)
vorticel_gzip(vorticel-saver.6.in vorticel-saver.6 saver_page)
file(INSTALL DESTINATION "${man_dir}/man6" TYPE FILE FILES ${program_page} ${saver_page})
vorticel_gzip(debian/changelog.in changelog changelog)
file(INSTALL DESTINATION "${doc_dir}" TYPE FILE FILES ${changelog})
