#pragma once

namespace testsupport {

// Makes sure a QApplication exists for tests that build widgets (it lives for the whole run).
void EnsureGuiApplication();

} // namespace testsupport
