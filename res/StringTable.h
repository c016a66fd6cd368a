#pragma once
// The program's string table: texts by their resource id.
#include <QString>

namespace res {

inline constexpr int kStrAboutMenu = 101;
inline constexpr int kStrSelectFolder = 102;
inline constexpr int kStrPlayTip = 103;
inline constexpr int kStrOleFailed = 107;
inline constexpr int kStrVersionLine = 109;
inline constexpr int kStrTitle = 110;
inline constexpr int kStrAboutTitle = 111;

// The text with the given id; empty when the table has none.
QString LoadString(int id);

} // namespace res
