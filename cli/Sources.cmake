list(APPEND TAMLIX_CLI_SOURCES
  cli/main.cpp cli/Show.cpp cli/Json.cpp cli/StripGps.cpp cli/Check.cpp cli/ReadNamed.cpp cli/Pool.cpp cli/Names.cpp)
list(APPEND TAMLIX_CLI_SOURCES cli/Report.cpp cli/AnalyzeArg.cpp cli/FindText.cpp)
