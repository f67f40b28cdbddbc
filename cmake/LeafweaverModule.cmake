# Helpers shared by the module CMakeLists.

find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets)
set(CMAKE_AUTOMOC ON)

# leafweaver_module(NAME SOURCES... [DEPENDS mod...] [LIBS lib...])
# Declares the library of one module folder under src/. DEPENDS names other
# modules; the dependency rule of HACKING.md is checked here.
set(LEAFWEAVER_MODULE_ORDER fsutil pdf swf model themes output convert session pdf2swf server publish ui app)

function(leafweaver_module name)
  cmake_parse_arguments(M "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  list(FIND LEAFWEAVER_MODULE_ORDER ${name} own)
  if(own EQUAL -1)
    message(FATAL_ERROR "module ${name} is not in LEAFWEAVER_MODULE_ORDER")
  endif()
  foreach(dep IN LISTS M_DEPENDS)
    list(FIND LEAFWEAVER_MODULE_ORDER ${dep} pos)
    if(pos EQUAL -1 OR NOT pos LESS own)
      message(FATAL_ERROR "module ${name} may not depend on ${dep}")
    endif()
  endforeach()
  add_library(lw_${name} STATIC ${M_SOURCES})
  target_include_directories(lw_${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  target_compile_options(lw_${name} PRIVATE -Wall -Wextra)
  list(TRANSFORM M_DEPENDS PREPEND lw_)
  target_link_libraries(lw_${name} PUBLIC ${M_DEPENDS} ${M_LIBS})
endfunction()

# leafweaver_program(TARGET) puts an executable into the program folder.
function(leafweaver_program target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${LEAFWEAVER_PROGRAM_DIR}")
endfunction()
