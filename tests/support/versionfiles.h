#pragma once

#include <string>

// Executables with and without a version record, made with binutils'
// objcopy from real programs, for the version information tests.
namespace marlune::testing {

// The built program, which carries the project's version record.
std::string BuiltProgram();
// A system program built elsewhere, with no version record.
std::string SystemProgram();

// Copies `from` to `to` with its version section replaced by `record` (the
// section's bytes as they stand). Fails the calling test when objcopy does.
void MakeExecutableWithRecord(const std::string& from, const std::string& to,
                              const std::string& record);
// Copies `from` to `to` without its version section.
void MakeExecutableWithoutRecord(const std::string& from, const std::string& to);

// A record as the build writes one, with the given lines after the first.
std::string RecordText(const std::string& lines);

} // namespace marlune::testing
