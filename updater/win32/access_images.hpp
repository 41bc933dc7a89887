#pragma once
// The register-access libraries' files that Quenzar.exe carries.
#include "transport/library_images.hpp"

namespace qz {

LibraryImages CarriedTesselImages();
LibraryImages CarriedPortIoImages();

}  // namespace qz
