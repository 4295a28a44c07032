#pragma once
// Where the running Pigmora answers on the user's session bus: a well-known name, one object and
// one interface, the same for the program that listens and the launches that ask.
namespace pigmora::qt {

inline constexpr const char* kInstanceBusName = PIGMORA_APP_IDENTIFIER;
inline constexpr const char* kInstanceObjectPath = "/org/pigmora/Pigmora";
inline constexpr const char* kInstanceInterface = PIGMORA_APP_IDENTIFIER;

}  // namespace pigmora::qt
