# Installs the page's own files (PAGE_FILES, from PAGE_SOURCE_DIR) into the install prefix
# without what only a reader of the sources needs: comments on lines of their own, CSS
# comments, indentation and blank lines, a third of their weight. Nothing in them spans lines
# where that would matter (no multi-line template literal, no <pre> with text in it).
foreach(name IN LISTS PAGE_FILES)
  file(READ "${PAGE_SOURCE_DIR}/${name}" text)
  string(REGEX REPLACE "/\\*[^*]*\\*/" "" text "\n${text}")
  string(REGEX REPLACE "\n[ ]*//[^\n]*" "" text "${text}")
  string(REGEX REPLACE "\n[ \n]+" "\n" text "${text}")
  string(REGEX REPLACE "^\n" "" text "${text}")
  file(WRITE "${CMAKE_INSTALL_PREFIX}/${name}" "${text}")
  message(STATUS "Installing: ${CMAKE_INSTALL_PREFIX}/${name}, without comments")
endforeach()
