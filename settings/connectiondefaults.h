#pragma once

// What a connection takes where neither the command line nor the settings say
// otherwise: the server, port and namespace of a standard installation.
namespace ConnectionDefaults {

inline constexpr char server[] = "localhost";
inline constexpr int port = 1973;
inline constexpr char nameSpace[] = "KARVEN";
inline constexpr char firma[] = "1";
inline constexpr char filiale[] = "0";

} // namespace ConnectionDefaults
