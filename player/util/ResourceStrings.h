// The application's string table: message and menu texts looked up by their ids.
#pragma once

#include <QString>

inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDS_CANNOT_OPEN = 102;
inline constexpr int IDS_TIP_OPEN = 1000;
inline constexpr int IDS_TIP_FULLSCREEN = 1001;
inline constexpr int IDS_TIP_EXIT = 1002;
inline constexpr int IDS_TIP_PLAYPAUSE = 1003;
inline constexpr int IDS_TIP_STOP = 1004;
inline constexpr int IDS_TIP_FASTFORWARD = 1005;
inline constexpr int IDS_CANNOT_SEEK = 1018;

// The text of a string id, translated; empty for an id the table does not hold.
QString LoadResourceString(int nStringId);
