#pragma once
#include <string>

namespace recording {

// The recording errors a user sees, each with its fixed text.
enum class RecordingError { C1001, C1002, C1003, C1004, C1005, C1006, C1007, C1008 };

const char* MessageText(RecordingError error);

} // namespace recording
