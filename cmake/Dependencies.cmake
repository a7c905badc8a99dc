# SQLite amalgamation (unpacked by tools/setup.sh), zlib from the mingw
# packages, GoogleTest from Debian's sources.
set(SQLITE_SRC ${QV_DEPS_DIR}/sqlite3)
if(NOT EXISTS ${SQLITE_SRC}/sqlite3.c)
  message(FATAL_ERROR "SQLite sources missing in ${SQLITE_SRC}: run tools/setup.sh")
endif()
add_library(sqlite3 STATIC ${SQLITE_SRC}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${SQLITE_SRC})
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_TEMP_STORE=1
  SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(sqlite3 PRIVATE -O2 -w)

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
