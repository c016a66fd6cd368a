#pragma once
#include <string>

namespace recording {

// The recording errors a user sees, each with its fixed text.
enum class RecordingError { C1001, C1002, C1003, C1004, C1005, C1006, C1007, C1008 };

const char* MessageText(RecordingError error);

// The line under a refusal's message: the file, then why, in plain words.
std::string ReasonLine(const std::string& path, const std::string& reason);

} // namespace recording
