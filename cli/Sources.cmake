list(APPEND TAMLIX_CLI_SOURCES
  cli/main.cpp cli/Show.cpp cli/Json.cpp)
list(APPEND TAMLIX_CLI_SOURCES cli/Report.cpp)
