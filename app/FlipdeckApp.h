// The application: chooses the language and the help file, then runs the main dialog, or the
// command its arguments name.
#pragma once

#include <string>

#include "base/UniqueHandle.h"

namespace flipdeck {

class CFlipdeckApp {
public:
    // Runs the whole program; answers the process exit code.
    int Run();

    const std::string& InstallPath() const { return installPath_; }
    const std::string& HelpFilePath() const { return helpFilePath_; }

private:
    UniqueModule languageLibrary_;
    std::string languageCode_;
    std::string installPath_;
    std::string helpFilePath_;
};

}  // namespace flipdeck
