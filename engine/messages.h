#pragma once
// The captions of the system's message boxes, as the reader sees them.

inline constexpr const char* kCaptionBadFile = "ファイルが変";
inline constexpr const char* kCaptionLabelNotFound = "ラベルを発見出来なかった";
inline constexpr const char* kCaptionPictureError = "FILE ERR";
inline constexpr const char* kCaptionBadSetting = "設定が変";
