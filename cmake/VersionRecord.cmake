# The program's version record: generated from the project's version and
# compiled into each executable given to marlune_add_version_record, where it
# lands in the ELF section that platform/versionres reads.
set(MARLUNE_PRODUCT_VERSION
  "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
# Bit 0 marks a debug build, as the fixed version information has it.
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(MARLUNE_VERSION_FILE_FLAGS 00000001)
else()
  set(MARLUNE_VERSION_FILE_FLAGS 00000000)
endif()
configure_file(${PROJECT_SOURCE_DIR}/src/app/versionrecord.cpp.in
  ${PROJECT_BINARY_DIR}/generated/versionrecord.cpp @ONLY)

function(marlune_add_version_record target)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated/versionrecord.cpp)
endfunction()
