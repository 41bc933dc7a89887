#pragma once
// Eligibility: which package, if any, may be installed on each listed drive, decided from the
// package's model table.
#include <array>
#include <string>
#include <string_view>

#include "updater/drive_manager_api.hpp"
#include "updater/package_block.hpp"
#include "updater/package_options.hpp"

namespace qz {

// Model texts and blank markers compared for equality. Windows compares them with the user's
// locale, case-sensitively; for the ASCII texts of drive models and markers that equality is
// byte for byte, which is what this does on every platform.
bool TextsEqual(std::string_view a, std::string_view b);

// Revisions ordered byte by byte as unsigned values; a prefix is the smaller. <0, 0, >0.
int CompareRevisions(std::string_view a, std::string_view b);

// A NUL-terminated field of at most `size` bytes as text.
template <std::size_t N>
std::string FieldText(const std::array<char, N>& field, std::size_t size = N) {
  std::size_t n = 0;
  while (n < size && n < N && field[n] != '\0') ++n;
  return std::string(field.data(), n);
}

// The first entry (0-7) of package `row` (counted from 0) that admits `drive`, or -1: the
// table rule alone, without the firmware-file case. The build step asks it too.
int FirstAdmittingEntry(const PackageBlock& package, const PackageOptions& options, int row,
                        const DriveRecord& drive);

// Sets Eligible and PackageIndex of every listed drive: the first package in package order
// whose table admits the drive, inside it the first matching entry.
void MatchDrivesToPackage(const PackageBlock& package, const PackageOptions& options,
                          DriveManagerApi& drives);

}  // namespace qz
