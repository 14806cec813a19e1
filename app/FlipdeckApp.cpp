#include "app/FlipdeckApp.h"

#include <windows.h>
#include <commctrl.h>

#include "app/ProgramLanguage.h"
#include "app/Startup.h"
#include "base/Language.h"
#include "base/Text.h"
#include "catalogue/CatalogueHive.h"
#include "cli/CommandLine.h"
#include "regsettings/regsettings.h"
#include "ui/FlipdeckDlg.h"

namespace flipdeck {

int CFlipdeckApp::Run()
{
    const std::wstring commandLine = GetCommandLineW();
    const bool commands = HasArguments(commandLine);
    // Deployment tools run the commands as the local system account, whose own hive holds no
    // catalogue: such a run acts for the user whose catalogue was written last, in that user's
    // language.
    const HiveChoice hive = commands ? BorrowCatalogueHive() : HiveChoice();
    languageCode_ = SelectProgramLanguage(languageLibrary_);
    char installPath[260] = {};
    // The settings library answers an expandable value as it is stored ("%SystemDrive%\Brivane").
    if (GetRegistryBrivaneString("PATH", installPath, sizeof(installPath)))
        installPath_ = ExpandEnvironment(installPath);

    const std::string program = ProgramPath();
    std::string name = program.substr(program.find_last_of('\\') + 1);
    name = name.substr(0, name.find_last_of('.'));
    helpFilePath_ = flipdeck::HelpFilePath(installPath_, name, languageCode_);
    if (commands)
        return static_cast<int>(RunCommandLine(commandLine, installPath_, hive, ProgramStartup()));

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CFlipdeckDlg dialog(installPath_, ProgramStartup());
    dialog.DoModal();
    return 0;
}

}  // namespace flipdeck
