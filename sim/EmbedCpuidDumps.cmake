# Writes a C++ source that holds every CPUID dump as a string, so the programs
# answer CPUID without the source tree at run time.
# Usage: cmake -DOUTPUT=<file.cpp> -DINPUTS=<dump1.txt;dump2.txt;...> -P EmbedCpuidDumps.cmake
if(NOT OUTPUT OR NOT INPUTS)
  message(FATAL_ERROR "EmbedCpuidDumps.cmake needs OUTPUT and INPUTS")
endif()

set(content "// Generated from sim/cpuid/*.txt by sim/EmbedCpuidDumps.cmake; edit the dumps instead.\n")
string(APPEND content "#include \"sim/CpuidDumps.h\"\n\nnamespace sim {\n\nconst EmbeddedDump embeddedCpuidDumps[] = {\n")
set(count 0)
foreach(input IN LISTS INPUTS)
  get_filename_component(name "${input}" NAME_WE)
  file(READ "${input}" text)
  string(FIND "${text}" ")cpuid_dump\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${input} contains the raw-string delimiter")
  endif()
  string(APPEND content "    {\"${name}\", R\"cpuid_dump(${text})cpuid_dump\"},\n")
  math(EXPR count "${count} + 1")
endforeach()
string(APPEND content "};\n\nconst int embeddedCpuidDumpCount = ${count};\n\n} // namespace sim\n")

if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
