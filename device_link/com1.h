#pragma once

namespace ringlatch {

// The serial device that the program opens as COM1: COM1 on Windows,
// /dev/ttyS0 on Linux, or whatever the build's RINGLATCH_COM1_DEVICE names.
inline constexpr char kCom1Device[] = RINGLATCH_COM1_DEVICE;

// The only port number the program ever selects.
inline constexpr int kCom1 = 1;

} // namespace ringlatch
