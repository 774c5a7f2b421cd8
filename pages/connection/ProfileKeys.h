#pragma once

#include <QLatin1StringView>

#include <array>

// Names in the profile file that the hotel programs read; spelled exactly as they expect.
namespace ProfileKeys {

inline constexpr QLatin1StringView FileName{"pbbook.ini"};

inline constexpr QLatin1StringView DatabaseSection{"database"};
inline constexpr QLatin1StringView DBMS{"DBMS"};
inline constexpr QLatin1StringView Database{"Database"};
inline constexpr QLatin1StringView UserId{"UserId"};
inline constexpr QLatin1StringView LogPassword{"LogPassword"};
inline constexpr QLatin1StringView ServerName{"ServerName"};
inline constexpr QLatin1StringView LogId{"LogId"};
inline constexpr QLatin1StringView Lock{"Lock"};
inline constexpr QLatin1StringView DBParm{"DBParm"};

// The order in which a saved connection is written.
inline constexpr std::array<QLatin1StringView, 8> DatabaseKeys{
    DBMS, Database, UserId, LogPassword, ServerName, LogId, Lock, DBParm};

inline constexpr QLatin1StringView MkiniSection{"mkini"};
inline constexpr QLatin1StringView Connect{"connect"};
inline constexpr QLatin1StringView Data{"data"};

} // namespace ProfileKeys
