#include "res/StringTable.h"

#include <map>

namespace res {
namespace {

const std::map<int, const char*>& Table()
{
    static const std::map<int, const char*> table = {
        {kStrAboutMenu, "VorqPlayer 정보(&A)..."},
        {kStrSelectFolder, "Select Folder"},
        {kStrPlayTip, "PLAY"},
        {kStrOleFailed, "OleInitialize failed."},
        {kStrVersionLine, "Kelvora Player Version 1.3.0.0 (Build 100226)"},
        {kStrTitle, "Kelvora Player"},
        {kStrAboutTitle, "About"},
    };
    return table;
}

} // namespace

QString LoadString(int id)
{
    const auto it = Table().find(id);
    return it == Table().end() ? QString() : QString::fromUtf8(it->second);
}

} // namespace res
