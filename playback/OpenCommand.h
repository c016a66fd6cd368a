#pragma once
#include <string>
#include <vector>

#include "recording/ChannelTables.h"
#include "recording/Messages.h"
#include "recording/StreamScan.h"

namespace playback {

class PlayerCore;

// What the open command leaves for the window after the file dialog: the messages to show,
// in order, and what to finish once they have been shown.
struct FileOpenResult {
    enum class After {
        Nothing,          // the command has ended (silently, or with a refused short file)
        ClearOsd,         // the last step only
        ClearViewAndOsd,  // a failed open: clear the window, then the last step
    };
    std::vector<recording::RecordingError> messages;
    // With messages: the file and the rule that failed. Alone: why the file cannot be opened.
    std::string reason;
    After after = After::Nothing;
    // When the file could not be opened at all: the system's reason.
    std::string openError;

    // The text of each message box, in order.
    std::vector<std::string> BoxTexts() const;
};

// The open command without its dialog. The window shows the dialog, calls OnFileChosen with
// the chosen path, shows the returned messages, then calls FinishFileOpen, so that the
// messages appear before a failed open clears the window.
class OpenCommand {
public:
    explicit OpenCommand(PlayerCore& core) : m_core(core) {}

    // The path is the file system's bytes, whatever their encoding. The chosen file is checked
    // whole before anything of the recording that is open changes, so a refused file leaves
    // it playing.
    FileOpenResult OnFileChosen(const std::string& path);
    void FinishFileOpen(const FileOpenResult& result);
    // Opens, validates and scans m_pszFilePath; 1 on success. On failure the three handles
    // are closed and messages holds what to show. Searches must have ended and the caller
    // holds m_turnLock.
    int OpenRecording(std::vector<recording::RecordingError>& messages);
    // The window without a recording.
    void ClearRecordingView();

private:
    int Fail(std::vector<recording::RecordingError>& messages, recording::RecordingError error);
    recording::ChannelTables TakeChannelTables();
    void ConfigureDisplay();
    int InitialLayout(int first);
    void SetChannelTitles(int tiles);
    void TakeScan(const recording::ScanResult& scan);

    PlayerCore& m_core;
};

} // namespace playback
