# Builds what gets installed, installs the build tree into a fresh DESTDIR
# and checks the tree: the programs, the plug-in, the help pages, the desktop
# entry, the icons at their sizes and the design-file type; the desktop
# entry and the type are run through the desktop's own checkers when they
# are installed.
#
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DDEST=... -DPREFIX=... -DBINDIR=... -DLIBDIR=...
#         -DDATADIR=... -P install_tree.cmake

foreach(var SOURCE_DIR BUILD_DIR DEST PREFIX BINDIR LIBDIR DATADIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "install_tree.cmake needs -D${var}=")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --build ${BUILD_DIR} --target velmo velmo-cli curveDLL)
file(REMOVE_RECURSE ${DEST})
run(${CMAKE_COMMAND} -E env DESTDIR=${DEST} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

set(root ${DEST}${PREFIX})
set(failures "")
macro(expect_file path)
  if(NOT EXISTS ${root}/${path} OR IS_DIRECTORY ${root}/${path})
    string(APPEND failures "\n  missing: ${path}")
  endif()
endmacro()

# The programs and the plug-in the programs load at run time.
expect_file(${BINDIR}/velmo)
expect_file(${BINDIR}/velmo-cli)
expect_file(${LIBDIR}/velmo/curveDLL.so)
# The programs find their files by paths relative to themselves: neither
# they nor the plug-in name the tree they were built in.
string(REGEX REPLACE "([][+.*?()^$|\\])" "\\\\\\1" source_pattern "${SOURCE_DIR}")
foreach(binary ${BINDIR}/velmo ${BINDIR}/velmo-cli ${LIBDIR}/velmo/curveDLL.so)
  if(EXISTS ${root}/${binary})
    file(STRINGS ${root}/${binary} named REGEX "${source_pattern}")
    if(named)
      string(APPEND failures "\n  ${binary} names the source tree: ${named}")
    endif()
  endif()
endforeach()

# The help pages of the three languages, with their style sheet.
foreach(page help.css index.htm intext.htm big5/index.htm big5/intext.htm
             english/index.htm english/intext.htm)
  expect_file(${DATADIR}/velmo/velmo.chm/${page})
endforeach()

# The desktop entry.
set(desktop ${root}/${DATADIR}/applications/velmo.desktop)
expect_file(${DATADIR}/applications/velmo.desktop)
if(EXISTS ${desktop})
  # Whole lines, found in the text itself (its semicolons would split a
  # CMake list of lines).
  file(READ ${desktop} entry)
  set(entry "\n${entry}\n")
  foreach(line "[Desktop Entry]" "Type=Application" "Name=Velmo Balloon" "Exec=velmo %f"
               "Icon=velmo" "MimeType=application/x-velmo;"
               "Categories=Graphics;2DGraphics;RasterGraphics;")
    string(FIND "${entry}" "\n${line}\n" at)
    if(at LESS 0)
      string(APPEND failures "\n  velmo.desktop lacks the line \"${line}\"")
    endif()
  endforeach()
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop}
      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
      string(APPEND failures "\n  desktop-file-validate: ${out}${err}")
    endif()
  else()
    message(STATUS "desktop-file-validate not installed; entry not validated")
  endif()
endif()

# The icons: PNG files whose header (IHDR, from byte 16) gives the width and
# height as 32-bit big-endian numbers: 48 is 00000030, 128 00000080, 256
# 00000100.
foreach(pair "48;00000030" "128;00000080" "256;00000100")
  list(GET pair 0 size)
  list(GET pair 1 hex)
  set(icon ${DATADIR}/icons/hicolor/${size}x${size}/apps/velmo.png)
  expect_file(${icon})
  if(EXISTS ${root}/${icon})
    file(READ ${root}/${icon} signature LIMIT 8 HEX)
    file(READ ${root}/${icon} dims OFFSET 16 LIMIT 8 HEX)
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT dims STREQUAL "${hex}${hex}")
      string(APPEND failures "\n  ${icon}: not a ${size} x ${size} PNG (${signature} ${dims})")
    endif()
  endif()
endforeach()

# The design-file type: well-formed XML, and the MIME database built from it
# maps "*.velmo" and both magics to application/x-velmo.
set(mime ${root}/${DATADIR}/mime)
expect_file(${DATADIR}/mime/packages/velmo.xml)
find_program(XMLLINT xmllint)
if(XMLLINT AND EXISTS ${mime}/packages/velmo.xml)
  execute_process(COMMAND ${XMLLINT} --noout ${mime}/packages/velmo.xml
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(APPEND failures "\n  xmllint: ${out}${err}")
  endif()
elseif(NOT XMLLINT)
  message(STATUS "xmllint not installed; the type's XML not checked")
endif()
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE AND EXISTS ${mime}/packages/velmo.xml)
  # With the tree's share folder as the only data folder, so the tool's one
  # remark is that of a faulty entry, not of an unusual place.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_DIRS=${root}/${DATADIR}
                          XDG_DATA_HOME=${root}/${DATADIR} ${UPDATE_MIME_DATABASE} ${mime}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT "${err}" STREQUAL "")
    string(APPEND failures "\n  update-mime-database: ${out}${err}")
  endif()
  file(READ ${mime}/globs2 globs)
  string(FIND "\n${globs}" "\n50:application/x-velmo:*.velmo\n" at)
  if(at LESS 0)
    string(APPEND failures "\n  globs2 lacks application/x-velmo:*.velmo: ${globs}")
  endif()
  # The binary magic file: "[50:application/x-velmo]" then one rule per
  # magic, each ">0=" followed by the length as two bytes (00 03) and the
  # bytes of the string.
  file(READ ${mime}/magic magic HEX)
  string(HEX "[50:application/x-velmo]\n" section)
  string(HEX ">0=" rule)
  foreach(text QNL LXL)
    string(HEX "${text}" bytes)
    string(FIND "${magic}" "${section}" at_section)
    string(FIND "${magic}" "${rule}0003${bytes}" at_rule)
    if(at_section LESS 0 OR at_rule LESS at_section)
      string(APPEND failures "\n  the MIME magic lacks \"${text}\" at offset 0")
    endif()
  endforeach()
else()
  message(STATUS "update-mime-database not installed; the type not built")
endif()

if(failures)
  message(FATAL_ERROR "the installed tree is wrong:${failures}")
endif()
message(STATUS "installed tree in ${root} is complete")
