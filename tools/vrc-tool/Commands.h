#pragma once
#include <string>
#include <vector>

namespace vrctool {

// Each sub-command takes the arguments after its name and returns the exit status:
// 0 success, 1 a rejected recording (where that applies), 2 a usage error or unreadable path.
using Args = std::vector<std::string>;

int RunInfo(const Args& args);
int RunMakeSample(const Args& args);
int RunExtract(const Args& args);
int RunStorage(const Args& args);
int RunMakeStorage(const Args& args);
int RunFrames(const Args& args);
int RunExport(const Args& args);
int RunVerify(const Args& args);
int RunTimeline(const Args& args);
int RunMotion(const Args& args);

} // namespace vrctool
