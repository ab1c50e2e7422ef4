# Shared build settings for every target of the project.

if(CMAKE_CXX_COMPILER_LAUNCHER STREQUAL "")
  unset(CMAKE_CXX_COMPILER_LAUNCHER)
endif()
if(NOT DEFINED CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(ZV_CCACHE ccache)
  if(ZV_CCACHE)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${ZV_CCACHE})
  endif()
endif()

function(zv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(ZV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# zv_library(<name> [WIDGETS] SOURCES ... [LIBS ...])
# Logic libraries link Qt6::Core at most; only *_ui libraries and the shell
# may ask for WIDGETS (Qt widgets and the chart library).
function(zv_library name)
  cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_LIBS})
  if(ARG_WIDGETS)
    if(NOT (name MATCHES "_ui$" OR name STREQUAL "shell"))
      message(FATAL_ERROR "${name}: only *_ui targets and shell may link widgets")
    endif()
    target_link_libraries(${name} PUBLIC Qt6::Gui Qt6::Widgets QCustomPlotQt6::QCustomPlotQt6)
  else()
    foreach(lib IN LISTS ARG_LIBS)
      if(lib MATCHES "Widgets|QCustomPlot|Qt6::Gui|_ui$" OR lib STREQUAL "shell")
        message(FATAL_ERROR "${name}: a logic library must not link ${lib}")
      endif()
    endforeach()
  endif()
  zv_warnings(${name})
endfunction()

# zv_test(<name> SOURCES ... LIBS ...): one GoogleTest executable, every test
# registered with CTest and run with the offscreen platform.
function(zv_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  zv_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENV}" TIMEOUT 300)
endfunction()
