#pragma once

namespace ringlatch {

// What the program tells the user about a store request and a port failure:
// the window shows these in its boxes, the command line prints them.
inline constexpr char kStoredMessage[] = "Podaci uspesno upisani u eprom uredjaja!";
inline constexpr char kNotStoredMessage[] = "Slanje podataka nije uspelo";
// Followed by a line break and the reason.
inline constexpr char kPortErrorMessage[] = "Greska na portu COM1";

} // namespace ringlatch
