#pragma once
// The captions of the system's message boxes, as the reader sees them.

inline constexpr const char* kCaptionBadFile = "ファイルが変";
inline constexpr const char* kCaptionLabelNotFound = "ラベルを発見出来なかった";
inline constexpr const char* kCaptionPictureError = "FILE ERR";
inline constexpr const char* kCaptionBadSetting = "設定が変";
// Our own: a picture the machine has no memory for.
inline constexpr const char* kCaptionNoMemory = "メモリ不足";
