# Project-wide compiler settings, applied to every target through marlune_options.
add_library(marlune_options INTERFACE)
target_compile_options(marlune_options INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual>)
target_compile_definitions(marlune_options INTERFACE QT_NO_KEYWORDS)
if(MARLUNE_WERROR)
  target_compile_options(marlune_options INTERFACE $<$<CXX_COMPILER_ID:GNU,Clang>:-Werror>)
endif()
if(MARLUNE_BUILD_FUZZ)
  target_compile_options(marlune_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(marlune_options INTERFACE -fsanitize=address,undefined)
endif()
if(MARLUNE_SANITIZE)
  target_compile_options(marlune_options INTERFACE -fsanitize=${MARLUNE_SANITIZE} -fno-omit-frame-pointer)
  target_link_options(marlune_options INTERFACE -fsanitize=${MARLUNE_SANITIZE})
endif()

# marlune_library(name SOURCES a.cpp a.h ... [DEPENDS lib ...]): a static
# library of the listed files, linking DEPENDS publicly. Listing every file
# makes a lost file fail the build.
function(marlune_library name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;DEPENDS")
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE marlune_options)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# marlune_test(name SOURCES a_test.cpp ... [DEPENDS lib ...]): a GoogleTest
# executable whose tests CTest runs offscreen.
function(marlune_test name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;DEPENDS")
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE marlune_options GTest::gtest GTest::gtest_main ${ARG_DEPENDS})
  target_compile_definitions(${name} PRIVATE
    MARLUNE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MARLUNE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
