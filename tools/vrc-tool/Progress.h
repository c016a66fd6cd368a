#pragma once
#include <cstdint>
#include <string>

namespace vrctool {

// A one-line progress bar on stderr, drawn only when stderr is a terminal.
class Progress {
public:
    Progress(std::string label, uint64_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Update(uint64_t done);
    // Draws the full bar and ends its line, so that what follows starts on a line of its own.
    void Finish();

private:
    std::string m_label;
    uint64_t m_total;
    bool m_shown;
    int m_percent = -1;
    bool m_finished = false;
};

} // namespace vrctool
