#pragma once
#include <string>
#include <vector>

namespace vrctool {

// Each sub-command takes the arguments after its name and returns the exit status:
// 0 success, 1 the input or the output failed (unreadable, rejected, not written), 2 a usage
// error. main answers --help and --version before any command runs.
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
int RunSalvage(const Args& args);
int RunKeygen(const Args& args);
int RunSign(const Args& args);
int RunReport(const Args& args);
int RunMotion(const Args& args);

} // namespace vrctool
