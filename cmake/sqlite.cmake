# SQLite, compiled into the program from the amalgamation that scripts/deps.d/sqlite.sh caches.
set(VELNOR_SQLITE_DIR ${VELNOR_DEPS_DIR}/sqlite)
if(NOT EXISTS ${VELNOR_SQLITE_DIR}/sqlite3.c)
  message(FATAL_ERROR "SQLite amalgamation missing in ${VELNOR_SQLITE_DIR}: run scripts/setup "
    "(or bash scripts/deps.d/sqlite.sh)")
endif()

add_library(velnor_sqlite STATIC ${VELNOR_SQLITE_DIR}/sqlite3.c)
# Marked SYSTEM so that its header brings no warnings into our own files.
target_include_directories(velnor_sqlite SYSTEM PUBLIC ${VELNOR_SQLITE_DIR})
# One thread reads one small database: no mutexes, no extensions loaded from disk, nothing deprecated.
target_compile_definitions(velnor_sqlite PRIVATE
  SQLITE_THREADSAFE=0
  SQLITE_OMIT_LOAD_EXTENSION
  SQLITE_OMIT_DEPRECATED
  SQLITE_OMIT_SHARED_CACHE
  SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_DQS=0
  SQLITE_LIKE_DOESNT_MATCH_BLOBS
  SQLITE_USE_ALLOCA)
target_compile_options(velnor_sqlite PRIVATE -w)
set_target_properties(velnor_sqlite PROPERTIES C_STANDARD 99)
