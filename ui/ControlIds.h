#pragma once
// Ids of the player window's controls.
namespace ui::id {

inline constexpr int kRew = 1001;
inline constexpr int kR = 1002;
inline constexpr int kPlay = 1003;
inline constexpr int kF = 1004;
inline constexpr int kFf = 1005;
inline constexpr int kVolume = 1006;
inline constexpr int kFileOpen = 1007;
inline constexpr int kOpenVdxFile = 1008;
inline constexpr int kPathBox = 1009;
inline constexpr int kFolderList = 1013;
inline constexpr int kMakeChdFile = 1014;
inline constexpr int kCombineFiles = 1015;
inline constexpr int kSeek = 1016;
inline constexpr int kSpeakerMin = 1017;
inline constexpr int kSpeakerMax = 1018;
inline constexpr int kMaximize = 1022;
inline constexpr int kMinimize = 1023;
inline constexpr int kExit = 1024;
inline constexpr int kOsd = 1026;
inline constexpr int kSpeed = 1027;
inline constexpr int kVer = 1028;
inline constexpr int kName = 1029;
inline constexpr int kTotalTime = 1032;
inline constexpr int kCh1 = 1039;
inline constexpr int kCh4 = 1040;
inline constexpr int kCh9 = 1041;
inline constexpr int kCh16 = 1042;
inline constexpr int kDisplay = 1043;
inline constexpr int kSearching = 1044;
inline constexpr int kPrint = 1045;

} // namespace ui::id
