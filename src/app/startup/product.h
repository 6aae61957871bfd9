// Names the program shows and uses.
#pragma once

namespace velumix {

inline constexpr char kProductWebSite[] = "http://www.orvane.example/velumix/";
inline constexpr char kRegistryKey[] = "Orvane\\Velumix";
inline constexpr char kLogFileName[] = "logfile.log";

}  // namespace velumix
