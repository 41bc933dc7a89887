#pragma once
// The two texts the flasher looks for in FW.bin: the marker every image carries, and the
// done-mark it writes over the marker's position once the image was flashed. CRT-free.

namespace qz::bootflash {

inline constexpr char kImageMarker[] = "ssdbinv";
inline constexpr char kDoneMark[] = "NATIVEFLASH_DONE";  // 16 characters, written without NUL

}  // namespace qz::bootflash
