#include "updater/win32/access_images.hpp"

#include <cstdint>

#define QZ_CARRIED(name)                          \
  extern "C" const std::uint8_t name##_begin[]; \
  extern "C" const std::uint8_t name##_end[];
QZ_CARRIED(qz_tessel_dll)
QZ_CARRIED(qz_tessel_sys_x86)
QZ_CARRIED(qz_tessel_sys_x64)
QZ_CARRIED(qz_tesselio_dll)
QZ_CARRIED(qz_tesselio_sys_x86)
QZ_CARRIED(qz_tesselio_sys_x64)
#undef QZ_CARRIED

namespace qz {
namespace {

ConstBytes Span(const std::uint8_t* begin, const std::uint8_t* end) {
  return ConstBytes(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

LibraryImages CarriedTesselImages() {
  return {Span(qz_tessel_dll_begin, qz_tessel_dll_end),
          Span(qz_tessel_sys_x86_begin, qz_tessel_sys_x86_end),
          Span(qz_tessel_sys_x64_begin, qz_tessel_sys_x64_end)};
}

LibraryImages CarriedPortIoImages() {
  return {Span(qz_tesselio_dll_begin, qz_tesselio_dll_end),
          Span(qz_tesselio_sys_x86_begin, qz_tesselio_sys_x86_end),
          Span(qz_tesselio_sys_x64_begin, qz_tesselio_sys_x64_end)};
}

}  // namespace qz
