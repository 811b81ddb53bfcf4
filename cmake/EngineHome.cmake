# The engine's directory, build/home: everything the engine reads from its current directory.
# Its opening books, the pictures its game logs name and its configuration are made here; the
# tables generated for it go into home/tablebases.
set(MORVANE_HOME ${CMAKE_BINARY_DIR}/home)

# The master games the books are built from (data/pgn holds test collections as well).
set(MORVANE_BOOK_COLLECTIONS Capablanca London1851 tatamast22 kasparov-deep-blue-1997
    nepomniachtchi-liren-game1 anastasian-lewis)
list(TRANSFORM MORVANE_BOOK_COLLECTIONS PREPEND ${CMAKE_SOURCE_DIR}/data/pgn/)
list(TRANSFORM MORVANE_BOOK_COLLECTIONS APPEND .pgn)

# Rebuilt when a collection or the engine changes (learning between rebuilds is then lost).
add_custom_command(
  OUTPUT ${MORVANE_HOME}/blancas.obk ${MORVANE_HOME}/negras.obk
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/build_books.sh $<TARGET_FILE:morvane> ${MORVANE_HOME}
          ${MORVANE_BOOK_COLLECTIONS}
  DEPENDS morvane ${MORVANE_BOOK_COLLECTIONS} ${CMAKE_SOURCE_DIR}/scripts/build_books.sh
  COMMENT "Building the opening books from the master games"
  VERBATIM)

set(MORVANE_DIAGRAM_IMAGES 1 2 3 4 5w 5b 6 7 8
    es wp bp wn bn wk bk wr br wq bq wb bb ese wpe bpe wne bne wke bke wre bre wqe bqe wbe bbe)
list(TRANSFORM MORVANE_DIAGRAM_IMAGES PREPEND ${MORVANE_HOME}/diagram/)
list(TRANSFORM MORVANE_DIAGRAM_IMAGES APPEND .png)
set(MORVANE_LOGO ${CMAKE_BINARY_DIR}/morvane.png)
add_custom_command(
  OUTPUT ${MORVANE_DIAGRAM_IMAGES} ${MORVANE_LOGO}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/diagram_images.sh ${MORVANE_HOME}/diagram ${MORVANE_LOGO}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/diagram_images.sh
  COMMENT "Drawing the game log's diagram images"
  VERBATIM)

# The configuration is copied again only when the project's copy changes.
add_custom_command(
  OUTPUT ${MORVANE_HOME}/Morvane.cfg
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/home/Morvane.cfg ${MORVANE_HOME}/Morvane.cfg
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MORVANE_HOME}/tablebases
  DEPENDS ${CMAKE_SOURCE_DIR}/data/home/Morvane.cfg
  VERBATIM)

add_custom_target(engine_home ALL DEPENDS ${MORVANE_HOME}/blancas.obk ${MORVANE_HOME}/negras.obk
                  ${MORVANE_DIAGRAM_IMAGES} ${MORVANE_HOME}/Morvane.cfg)
