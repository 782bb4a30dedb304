# Project-wide compiler settings applied to every target through marlune_target().
add_library(marlune_options INTERFACE)
target_compile_options(marlune_options INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual>)
target_compile_definitions(marlune_options INTERFACE QT_NO_KEYWORDS)
if(MARLUNE_BUILD_FUZZ)
  target_compile_options(marlune_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(marlune_options INTERFACE -fsanitize=address,undefined)
endif()
if(MARLUNE_SANITIZE)
  target_compile_options(marlune_options INTERFACE -fsanitize=${MARLUNE_SANITIZE} -fno-omit-frame-pointer)
  target_link_options(marlune_options INTERFACE -fsanitize=${MARLUNE_SANITIZE})
endif()

# A static library made of every source file in the current directory,
# linking the libraries named after it publicly.
function(marlune_library name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER _srcs INCLUDE REGEX "\\.cpp$")
  if(NOT _srcs)
    # Nothing written yet: a header-only placeholder keeps dependents configurable.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  file(GLOB _hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${_srcs} ${_hdrs})
  target_link_libraries(${name} PUBLIC ${ARGN} PRIVATE marlune_options)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# A GoogleTest executable made of every source file in the current directory.
function(marlune_test name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE marlune_options GTest::gtest GTest::gtest_main ${ARGN})
  target_compile_definitions(${name} PRIVATE
    MARLUNE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MARLUNE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
