# Fails when a source of the engine includes a header of Qt Widgets or Qt
# Print Support, by any spelling the compiler would find.
file(GLOB_RECURSE sources ${ENGINE_DIR}/*.h ${ENGINE_DIR}/*.cpp)
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWidgets|QtPrintSupport|QWidget|QApplication|QMainWindow|QDialog|QPrinter)")
  if(lines)
    list(APPEND found "${source}: ${lines}")
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "the engine includes widget headers:\n${found}")
endif()
message(STATUS "no widget header in ${ENGINE_DIR}")
