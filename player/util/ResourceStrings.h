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
inline constexpr int IDS_NO_AUDIO_OUTPUT = 1019;
inline constexpr int IDS_AUDIO_NOT_PLAYED = 1020;
inline constexpr int IDS_MANUAL_AT = 1021;
inline constexpr int IDS_REASON_NOT_FOUND = 1022;
inline constexpr int IDS_REASON_NOT_READABLE = 1023;
inline constexpr int IDS_REASON_FOLDER = 1024;
inline constexpr int IDS_REASON_NOT_TRACK = 1025;
inline constexpr int IDS_REASON_NOT_DECODED = 1026;
inline constexpr int IDS_NO_AUDIO_OUTPUT_DETAIL = 1027;
inline constexpr int IDS_AUDIO_NOT_PLAYED_DETAIL = 1028;

// The text of a string id, translated; empty for an id the table does not hold.
QString LoadResourceString(int nStringId);
