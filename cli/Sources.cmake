list(APPEND TAMLIX_CLI_SOURCES
  cli/main.cpp cli/Show.cpp cli/Json.cpp)
