#pragma once
// The files of one register-access library that the updater carries: the 32-bit library and
// its kernel driver for each processor. The bytes belong to the caller (the updater's data)
// and are written out byte for byte; each image's own size is the test of a current file.
#include "platform/types.hpp"

namespace qz {

struct LibraryImages {
  ConstBytes library;
  ConstBytes driverX86;
  ConstBytes driverX64;
};

}  // namespace qz
